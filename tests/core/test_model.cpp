// The drawing model: colour resolution, broken-line rules, angles, block copies.
#include <gtest/gtest.h>

#include "model/objects.h"

TEST(Modele, CouleurParCalqueResolueALaConstruction) {
    Layer bleu("bleu", 5, "CONTINUOUS");
    EXPECT_EQ(Line(256, bleu, "BYLAYER", 0, 0, 1, 1).getCouleur(), 5);
    EXPECT_EQ(Line(0, bleu, "BYLAYER", 0, 0, 1, 1).getCouleur(), 0);
    EXPECT_EQ(Line(3, bleu, "BYLAYER", 0, 0, 1, 1).getCouleur(), 3);
    // Only entities are resolved: a block keeps 256, a layer its own colour.
    Block b("B", 256, bleu, "BYLAYER", 0, 0);
    EXPECT_EQ(b.getCouleur(), 256);
    Layer parCalque("x", 256, "CONTINUOUS");
    EXPECT_EQ(parCalque.getCouleur(), 256);
}

TEST(Modele, Radians) {
    Layer c("0", 7, "CONTINUOUS");
    Arc a(1, c, "CONTINUOUS", 0, 0, 1, 0, 90);
    EXPECT_EQ(a.getAngle1(), 0.0);
    EXPECT_EQ(a.getAngle2(), 1.5707963267948966);
    EXPECT_EQ(c.degresToRadians(180), 3.141592653589793);
    EXPECT_EQ(c.degresToRadians(-90), -1.5707963267948966);
    EXPECT_EQ(c.degresToRadians(450), 7.853981633974483);
}

TEST(Modele, PointillesParCalqueEtSansEgardALaCasse) {
    Layer tirets("t", 1, "DASHED"), continu("c", 1, "CONTINUOUS"), parCalque("p", 1, "BYLAYER");
    EXPECT_TRUE(Line(1, tirets, "BYLAYER", 0, 0, 1, 1).isPointille());
    EXPECT_FALSE(Line(1, continu, "BYLAYER", 0, 0, 1, 1).isPointille());
    // CAD programs write these names in mixed case.
    EXPECT_FALSE(Line(1, continu, "ByLayer", 0, 0, 1, 1).isPointille());
    EXPECT_TRUE(Line(1, tirets, "ByLayer", 0, 0, 1, 1).isPointille());
    EXPECT_FALSE(Line(1, tirets, "Continuous", 0, 0, 1, 1).isPointille());
    EXPECT_TRUE(Line(1, continu, "BYBLOCK", 0, 0, 1, 1).isPointille());
    EXPECT_TRUE(Line(1, continu, "", 0, 0, 1, 1).isPointille());
    EXPECT_FALSE(Layer("l", 1, "continuous").isPointille());
    EXPECT_TRUE(parCalque.isPointille());
    EXPECT_TRUE(Line(1, parCalque, "BYLAYER", 0, 0, 1, 1).isPointille());
}

TEST(Modele, PolylineImageTexte) {
    Layer c("c", 4, "CONTINUOUS");
    Polyline p(c, "DASHED", 1);
    EXPECT_EQ(p.getCouleur(), 0);
    EXPECT_EQ(p.getX(), 0);
    EXPECT_TRUE(p.isPointille());
    EXPECT_TRUE(p.isFermee());
    EXPECT_TRUE(Polyline(c, "CONTINUOUS", 129).isFermee());
    EXPECT_FALSE(Polyline(c, "CONTINUOUS", 0).isPointille());
    Point a(1, c, "BYLAYER", 1, 2), b(2, c, "BYLAYER", 3, 4);
    p.addPoint(a);
    p.addPoint(b);
    p.addPoint(a);
    ASSERT_EQ(p.getPoints().size(), 3u);
    EXPECT_EQ(p.getPoints()[0], &a);
    EXPECT_EQ(p.getPoints()[2], &a);

    Image i(c, "2F", 1, 2, 640, 480);
    EXPECT_EQ(i.getCouleur(), 4);
    EXPECT_FALSE(i.isPointille());
    EXPECT_EQ(i.getFile(), "");
    i.setFile("plan.png");
    EXPECT_EQ(i.getFile(), "plan.png");

    Text t(1, c, "BYLAYER", 0, 0, "Bonjour", "STANDARD", 2.5, 0.8);
    EXPECT_EQ(t.getTaille(), 2.5);
    EXPECT_EQ(t.getXScaleFactor(), 0.8);
}

TEST(Blocs, ConstructeursDefinitionEtInstance) {
    Layer c("0", 7, "CONTINUOUS");
    Block def("D", 1, c, "CONTINUOUS", 2, 3);
    EXPECT_EQ(def.getBpx(), 2);
    EXPECT_EQ(def.getBpy(), 3);
    EXPECT_EQ(def.getX(), 0);
    EXPECT_EQ(def.getSx(), 1);
    EXPECT_EQ(def.getSy(), 1);
    EXPECT_EQ(def.getAngle(), 0);
    Block inst("I", 1, c, "CONTINUOUS", 10, 20, 2, 2, 90);
    EXPECT_EQ(inst.getBpx(), 0);
    EXPECT_EQ(inst.getX(), 10);
    EXPECT_EQ(inst.getY(), 20);
    EXPECT_EQ(inst.getSx(), 2);
    EXPECT_EQ(inst.getAngle(), 1.5707963267948966);
}

TEST(Blocs, CopiePartageLeContenuMaisPasLesListes) {
    Layer c("0", 7, "CONTINUOUS"), autre("autre", 3, "CONTINUOUS");
    Line l1(1, c, "", 0, 0, 1, 1), l2(1, c, "", 0, 0, 1, 1), l3(1, c, "", 0, 0, 1, 1);
    Block interne("N", 1, c, "CONTINUOUS", 0, 0);
    Block src("S", 2, c, "DASHED", 4, 5);
    src.addLigne(l1);
    src.addLigne(l2);
    src.addLigne(l3);
    src.addBloc(interne);
    Block copie(src);
    ASSERT_EQ(copie.getLignes().size(), 3u);
    EXPECT_EQ(copie.getLignes()[1], &l2);
    EXPECT_EQ(copie.getBlocs()[0], &interne);
    Line l4(1, c, "", 0, 0, 1, 1);
    copie.addLigne(l4);
    EXPECT_EQ(src.getLignes().size(), 3u);

    copie.setInsert(autre, 7, 8, 2, 3, 180);
    EXPECT_EQ(copie.getAngle(), 3.141592653589793);
    EXPECT_EQ(copie.getCalque(), &autre);
    EXPECT_EQ(copie.getNom(), "S");
    EXPECT_EQ(copie.getCouleur(), 2);
    EXPECT_EQ(copie.getBpx(), 4);
    EXPECT_EQ(copie.getSy(), 3);
    EXPECT_EQ(copie.getLignes().size(), 4u);
}

TEST(Modele, NomsDeTypesDeLignePartages) {
    Layer c("c", 1, "CONTINUOUS");
    Line a(1, c, std::string("Tirets_rares"), 0, 0, 1, 1);
    Line b = a;
    {
        Line d(1, c, "Tirets_rares", 0, 0, 1, 1);
        // One copy of the name, whoever bears it.
        EXPECT_EQ(&d.getTypeLigne(), &a.getTypeLigne());
    }
    EXPECT_EQ(b.getTypeLigne(), "Tirets_rares");
    NomPartage n("ByLayer");
    EXPECT_TRUE(n.parCalque());
    EXPECT_FALSE(n.continu());
    n = NomPartage("continuous");
    EXPECT_TRUE(n.continu());
    EXPECT_EQ(n.str(), "continuous");
}
