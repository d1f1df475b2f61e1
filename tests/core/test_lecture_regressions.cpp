// Files that once crashed, hung or misled the import or the image decoder
// (tests/regressions, the findings of the fuzz target among them): each is
// read and painted, and decoded as a picture, without a crash, a hang or a
// sanitizer report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cairomm/context.h>
#include <cairomm/surface.h>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "render/images.h"
#include "render/peintre.h"
#include "support/fichiers.h"

TEST(Regressions, ChaqueFichierSeLitEtSePeint) {
    std::vector<std::string> fichiers;
    for (const auto& e : std::filesystem::directory_iterator(source("tests/regressions")))
        if (e.is_regular_file()) fichiers.push_back(e.path().string());
    std::sort(fichiers.begin(), fichiers.end());
    ASSERT_FALSE(fichiers.empty());
    std::ofstream nul("/dev/null");
    for (const auto& f : fichiers) {
        SCOPED_TRACE(f);
        const auto debut = std::chrono::steady_clock::now();
        DXFHandler handler(nul);
        const ResultatLecture r = lireDXF(f, handler);
        // Whatever is not read whole says why (a read whole may warn too).
        EXPECT_TRUE(r.issue == ResultatLecture::Reussie || !r.message.empty()) << r.message;
        if (r.utilisable()) {
            auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, 64, 64);
            Trace trace(nul);
            Peintre peintre(trace);
            peintre.peindre(Cairo::Context::create(surface), *handler.getDessin(), 1.0, 64,
                            Zone{0, 0, 64, 64}, {});
        }
        // The fuzz target reads every input as a picture too.
        Decodage decodage;
        GdkPixbuf* image =
            decoderImage(f, decodage, 1 << 16, 1024, BornesDecodage{std::uint64_t{1} << 20});
        EXPECT_EQ(image != nullptr, decodage.refus == RefusImage::Aucun);
        if (image) g_object_unref(image);
        EXPECT_LT(std::chrono::steady_clock::now() - debut, std::chrono::seconds(20));
    }
    libererPolices();
}

TEST(Regressions, LesFauxComptesNeCoutentRienEtNeFontRienPerdre) {
    // Each of these files announces hundreds of millions of elements and holds
    // one or two, followed by a LINE that must still be read.
    std::ofstream nul("/dev/null");
    for (const char* nom : {"lwpolyline-1073741825-sommets.dxf", "lwpolyline-300000000-sommets.dxf",
                            "spline-comptes-geants.dxf", "leader-76-geant.dxf",
                            "hatch-comptes-geants.dxf", "commentaire-dxflib.dxf"}) {
        SCOPED_TRACE(nom);
        DXFHandler handler(nul);
        const ResultatLecture r = lireDXF(source("tests/regressions/") + nom, handler);
        EXPECT_EQ(r.issue, ResultatLecture::Reussie) << r.message;
        EXPECT_EQ(handler.getBlocRoot()->getLignes().size(), 1u);
    }
    // A text of 1500 characters, then a LINE: the text is cut, the LINE read.
    DXFHandler handler(nul);
    const std::string texte = source("tests/regressions/texte-1500-caracteres.dxf");
    const ResultatLecture r = lireDXF(texte, handler);
    EXPECT_EQ(r.issue, ResultatLecture::Reussie);
    EXPECT_EQ(r.message, texte +
                             " : la valeur de sa ligne 16 depasse 1023 caracteres ; elle est "
                             "coupee, le reste est lu.");
    EXPECT_EQ(handler.getBlocRoot()->getTextes().at(0)->getTexte().size(), 1023u);
    EXPECT_EQ(handler.getBlocRoot()->getLignes().size(), 1u);
}
