// The drawing model: colour resolution, broken-line rules, angles, the
// drawing that owns everything.
#include <gtest/gtest.h>

#include "model/dessin.h"

namespace {

// The line types of the tests, interned in one drawing.
const TypeLigne& T(const char* nom) {
    static Dessin d;
    return d.typeLigne(nom);
}

}  // namespace

TEST(Modele, CouleurParCalqueResolueParLeCalque) {
    Layer bleu("bleu", 5, T("CONTINUOUS"));
    EXPECT_EQ(Line(256, bleu, T("BYLAYER"), 0, 0, 1, 1).getCouleur(), 5);
    EXPECT_EQ(Line(256, bleu, T("BYLAYER"), 0, 0, 1, 1).getCouleurBrute(), 256);
    EXPECT_EQ(Line(0, bleu, T("BYLAYER"), 0, 0, 1, 1).getCouleur(), 0);
    EXPECT_EQ(Line(3, bleu, T("BYLAYER"), 0, 0, 1, 1).getCouleur(), 3);
    // Only entities are resolved: a block keeps 256, a layer its own colour.
    Block b("B", 256, bleu, T("BYLAYER"), 0, 0);
    EXPECT_EQ(b.getCouleur(), 256);
    Layer parCalque("x", 256, T("CONTINUOUS"));
    EXPECT_EQ(parCalque.getCouleur(), 256);
}

TEST(Modele, Radians) {
    Layer c("0", 7, T("CONTINUOUS"));
    Arc a(1, c, T("CONTINUOUS"), 0, 0, 1, 0, 90);
    EXPECT_EQ(a.getAngle1(), 0.0);
    EXPECT_EQ(a.getAngle2(), 1.5707963267948966);
    EXPECT_EQ(c.degresToRadians(180), 3.141592653589793);
    EXPECT_EQ(c.degresToRadians(-90), -1.5707963267948966);
    EXPECT_EQ(c.degresToRadians(450), 7.853981633974483);
}

TEST(Modele, PointillesParCalqueEtSansEgardALaCasse) {
    Layer tirets("t", 1, T("DASHED")), continu("c", 1, T("CONTINUOUS")),
        parCalque("p", 1, T("BYLAYER"));
    EXPECT_TRUE(Line(1, tirets, T("BYLAYER"), 0, 0, 1, 1).isPointille());
    EXPECT_FALSE(Line(1, continu, T("BYLAYER"), 0, 0, 1, 1).isPointille());
    // CAD programs write these names in mixed case.
    EXPECT_FALSE(Line(1, continu, T("ByLayer"), 0, 0, 1, 1).isPointille());
    EXPECT_TRUE(Line(1, tirets, T("ByLayer"), 0, 0, 1, 1).isPointille());
    EXPECT_FALSE(Line(1, tirets, T("Continuous"), 0, 0, 1, 1).isPointille());
    EXPECT_TRUE(Line(1, continu, T("BYBLOCK"), 0, 0, 1, 1).isPointille());
    EXPECT_TRUE(Line(1, continu, T(""), 0, 0, 1, 1).isPointille());
    EXPECT_FALSE(Layer("l", 1, T("continuous")).isPointille());
    EXPECT_TRUE(parCalque.isPointille());
    EXPECT_TRUE(Line(1, parCalque, T("BYLAYER"), 0, 0, 1, 1).isPointille());
    EXPECT_TRUE(T("ByBlock").parBloc());
}

TEST(Modele, PolylineImageTexte) {
    Layer c("c", 4, T("CONTINUOUS"));
    Polyline p(c, T("DASHED"), 1);
    EXPECT_EQ(p.getCouleur(), 0);
    EXPECT_EQ(p.getX(), 0);
    EXPECT_TRUE(p.isPointille());
    EXPECT_TRUE(p.isFermee());
    EXPECT_TRUE(Polyline(c, T("CONTINUOUS"), 129).isFermee());
    EXPECT_FALSE(Polyline(c, T("CONTINUOUS"), 0).isPointille());
    Point a(1, c, T("BYLAYER"), 1, 2), b(2, c, T("BYLAYER"), 3, 4);
    p.addPoint(a);
    p.addPoint(b);
    p.addPoint(a);
    ASSERT_EQ(p.getPoints().size(), 3u);
    EXPECT_EQ(p.getPoints()[0], &a);
    EXPECT_EQ(p.getPoints()[2], &a);

    Image i(c, T("CONTINUOUS"), "2F", 1, 2, 640, 480);
    EXPECT_EQ(i.getCouleur(), 4);
    EXPECT_FALSE(i.isPointille());
    EXPECT_EQ(i.getFile(), "");
    i.setFile("plan.png");
    EXPECT_EQ(i.getFile(), "plan.png");

    Text t(1, c, T("BYLAYER"), 0, 0, "Bonjour", "STANDARD", 2.5, 0.8);
    EXPECT_EQ(t.getTaille(), 2.5);
    EXPECT_EQ(t.getXScaleFactor(), 0.8);
}

TEST(Dessin, UnExemplaireParNomEtUnBlocParNom) {
    Dessin d;
    const TypeLigne& a = d.typeLigne("Tirets_rares");
    EXPECT_EQ(&d.typeLigne("Tirets_rares"), &a);
    EXPECT_NE(&Dessin().typeLigne("Tirets_rares"), &a);  // per drawing

    Layer& zero = d.calque("0");
    EXPECT_EQ(zero.getCouleur(), 7);
    EXPECT_EQ(&d.calque("0"), &zero);
    d.ajouterCalque("b", 1, a);
    d.ajouterCalque("A", 2, a);
    EXPECT_EQ(d.getCalques(), (std::list<std::string>{"0", "A", "b"}));

    // An insertion made before its block: the same definition, filled later.
    Block& b = d.bloc("P", 256, zero, a);
    Insertion& i = d.nouveau<Insertion>(b, 3, zero, a, 10, 20, 2, 2, 90);
    EXPECT_FALSE(b.isDefini());
    EXPECT_EQ(&d.bloc("P", 1, zero, a), &b);
    b.ajouter(d.nouveau<Line>(1, zero, a, 0, 0, 1, 1));
    EXPECT_EQ(i.getDefinition().getLignes().size(), 1u);
    EXPECT_EQ(i.getNom(), "P");
    EXPECT_EQ(i.getAngle(), 1.5707963267948966);
    EXPECT_EQ(b.nombreEntites(), 1u);

    const Block& racine = d.getBlocRoot();
    EXPECT_EQ(racine.getNom(), "__root__");
    EXPECT_EQ(racine.getCalque()->getNom(), "__root__");
    EXPECT_EQ(&d.getInsertionRacine().getDefinition(), &racine);
    EXPECT_EQ(d.getCalque("__root__"), nullptr);
}
