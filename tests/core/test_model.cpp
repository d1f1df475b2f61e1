#include <gtest/gtest.h>

#include "model/objects.h"

TEST(Modele, CouleurParCalque) {
    Layer bleu("bleu", 5, "CONTINUOUS");
    EXPECT_EQ(Line(256, bleu, "BYLAYER", 0, 0, 1, 1).getCouleur(), 5);
    EXPECT_EQ(Line(0, bleu, "BYLAYER", 0, 0, 1, 1).getCouleur(), 0);
    EXPECT_EQ(Line(3, bleu, "BYLAYER", 0, 0, 1, 1).getCouleur(), 3);
}
