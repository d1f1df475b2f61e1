// A drawing read from a DXF text written in a test, its trace kept.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "import/dxfhandler.h"
#include "import/lecture.h"

struct Import {
    std::ostringstream trace;
    DXFHandler handler{trace};
    explicit Import(const std::string& texte) {
        std::istringstream in(texte);
        EXPECT_TRUE(lireDXF(in, handler).utilisable());
    }
    Block& racine() { return *handler.getBlocRoot(); }
};
