// Extents of drawings, fitting a view to them, zoom steps.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "import/dxfhandler.h"
#include "model/etendue.h"
#include "render/vue.h"
#include "support/dxf.h"

namespace {

Boite etendueDe(const std::string& blocs, const std::string& entites) {
    std::ostringstream trace;
    DXFHandler h(trace);
    std::istringstream flux(dxf::fichier(dxf::blocs(blocs) + dxf::section("ENTITIES", entites)));
    EXPECT_TRUE(lireDXF(flux, h).utilisable());
    return etendue(*h.getDessin());
}

}  // namespace

TEST(Etendue, DessinsSimples) {
    const std::string carre = dxf::bloc("C", 1, 1, dxf::lwpolyline("1,1;3,1;3,3;1,3", 1));
    const struct {
        const char* nom;
        std::string blocs, entites;
        double x0, y0, x1, y1;
    } cas[] = {
        {"ligne", "", dxf::ligne(-5, 2, 10, 7), -5, 2, 10, 7},
        // From 80 to 100 degrees: the top of the circle lies between the ends.
        {"arc", "", dxf::arc(0, 0, 10, 80, 100), -1.7364817766693, 9.8480775301221, 1.7364817766693,
         10},
        // From 350 to 10 degrees, through 0.
        {"arc par zero", "", dxf::arc(0, 0, 10, 350, 10), 9.8480775301221, -1.7364817766693, 10,
         1.7364817766693},
        {"cercle", "", dxf::cercle(1, 1, 2), -1, -1, 3, 3},
        // A 2x2 square with base point (1, 1), scaled 3 and turned 90
        // degrees, inserted at (10, 0), nested in a block inserted at (0, 5).
        {"imbrique", carre + dxf::bloc("N", 0, 0, dxf::insert("C", 10, 0, 3, 3, 90)),
         dxf::insert("N", 0, 5), 4, 5, 10, 11},
        // Whole: the sweep within 1e-9 of a turn.
        {"ellipse a 6.28318530718", "",
         dxf::paire(0, "ELLIPSE") + dxf::attr({}) + dxf::paire(11, 2.0) + dxf::paire(40, 0.5) +
             dxf::paire(42, "6.28318530718"),
         -2, -1, 2, 1},
        // Arcs and circles of no radius bound only what holds nothing else.
        {"sans rayon", dxf::bloc("P", 0, 0, dxf::cercle(7, 7, 0)),
         dxf::ligne(0, 0, 1, 1) + dxf::arc(900, 900, 0, 0, 90) + dxf::insert("P", 50, 0), 0, 0, 1,
         1},
        {"sans rayon seul", "", dxf::arc(5, 6, 0, 0, 90), 5, 6, 5, 6},
        // Ten glyphs 7.5 wide: beyond the box 20 wide, centred on it; the
        // pairs of an embedded object are not the MTEXT's.
        {"mtext", "",
         dxf::paire(0, "MTEXT") + dxf::attr({}) + dxf::paire(40, 10.0) + dxf::paire(41, 20.0) +
             dxf::paire(71, 2) + dxf::paire(1, "Etiquettes") + dxf::paire(101, "Embedded Object") +
             dxf::paire(10, 1.0) + dxf::paire(11, 5.0) + dxf::paire(40, 200.0),
         -37.5, -40.0 / 3, 37.5, 0},
        {"coordonnees infinies", "",
         dxf::ligne(0, 0, 1, 1) + dxf::paire(0, "POINT") + dxf::attr({}) + dxf::paire(10, "1e400") +
             dxf::paire(20, "0"),
         0, 0, 1, 1},
    };
    for (const auto& c : cas) {
        const Boite b = etendueDe(c.blocs, c.entites);
        EXPECT_NEAR(b.x0, c.x0, 1e-9) << c.nom;
        EXPECT_NEAR(b.y0, c.y0, 1e-9) << c.nom;
        EXPECT_NEAR(b.x1, c.x1, 1e-9) << c.nom;
        EXPECT_NEAR(b.y1, c.y1, 1e-9) << c.nom;
    }
    EXPECT_TRUE(etendueDe("", "").vide());
    // A block that inserts itself adds nothing more than itself.
    const Boite cercle =
        etendueDe(dxf::bloc("S", 0, 0, dxf::ligne(0, 0, 1, 0) + dxf::insert("S", 5, 5)),
                  dxf::insert("S", 0, 0));
    EXPECT_EQ(cercle.x1, 1);
}

TEST(Vue, AjusterEtZoomerAutourDUnPoint) {
    Boite b;
    b.ajouter(2600000, 1200000);
    b.ajouter(2601000, 1200500);
    const Vue v = ajuster(b, 1000, 600, 10);
    EXPECT_DOUBLE_EQ(v.echelle, 0.98);
    // The box's centre at the area's centre.
    double x = 500, y = 300;
    v.versDessin(600, x, y);
    EXPECT_NEAR(x, 2600500, 1e-6);
    EXPECT_NEAR(y, 1200250, 1e-6);
    // The drawing point under the pointer stays under it.
    Vue z = v;
    ASSERT_TRUE(z.zoomer(100, 123, 456, 600));
    double ax = 123, ay = 456, bx = 123, by = 456;
    v.versDessin(600, ax, ay);
    z.versDessin(600, bx, by);
    EXPECT_NEAR(ax, bx, 1e-6);
    EXPECT_NEAR(ay, by, 1e-6);
    const Matrice m = z.matrice(600);
    m.appliquer(ax, ay);
    EXPECT_NEAR(ax, 123, 1e-6);
    EXPECT_NEAR(ay, 456, 1e-6);
    EXPECT_FALSE(z.zoomer(1e12, 0, 0, 600));
    EXPECT_EQ(ajuster(Boite{}, 100, 100, 0).echelle, 1);
    // Room for the figures of points: half of $PDSIZE at each edge, or half
    // the share of the view's height.
    for (const auto& [taille, echelle] : {std::pair{"20", 80.0 / 120}, {"-10", 70.0 / 100}}) {
        std::istringstream f(dxf::fichier(
            dxf::section("HEADER", dxf::paire(9, "$PDMODE") + dxf::paire(70, 34) +
                                       dxf::paire(9, "$PDSIZE") + dxf::paire(40, taille)) +
            dxf::section("ENTITIES", dxf::point(0, 0) + dxf::point(100, 0))));
        std::ostringstream trace;
        DXFHandler h(trace);
        lireDXF(f, h);
        EXPECT_DOUBLE_EQ(ajusterDessin(*h.getDessin(), 100, 100, 10).echelle, echelle) << taille;
    }
}

TEST(Vue, PasDeZoom) {
    const struct {
        double depuis, plus, moins;
    } cas[] = {{1, 1.25, 0.75},   {0.5, 0.75, 0.25},   {0.25, 0.5, 0.125}, {0.3, 0.55, 0.15},
               {0.2, 0.25, 0.1},  {0.01, 0.02, 0.005}, {4, 8, 3.75},       {5, 10, 4},
               {3.9, 4.15, 3.65}, {1e6, 1e6, 5e5},     {1e-6, 2e-6, 1e-6}};
    for (const auto& c : cas) {
        EXPECT_DOUBLE_EQ(pasZoom(c.depuis, true), c.plus) << c.depuis;
        EXPECT_DOUBLE_EQ(pasZoom(c.depuis, false), c.moins) << c.depuis;
    }
}
