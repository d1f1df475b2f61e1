// The geometry of real drawings: what the import reads of the kinds dxflib
// hands over in part (hatches, wipeouts, widths, faces, dimensions, line
// types, layer states), the curves, and the extents of the new kinds.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <sstream>

#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "model/courbes.h"
#include "model/decoupe.h"
#include "model/etendue.h"
#include "model/hachures.h"
#include "model/multileader.h"
#include "support/dxf.h"
#include "support/fichiers.h"
#include "support/hostiles.h"
#include "support/importation.h"

namespace {

using dxf::paire;

// A record of pairs "code valeur" given as one string, pairs split by ';'.
std::string enregistrement(const std::string& genre, const std::string& paires) {
    std::string s = paire(0, genre);
    std::istringstream in(paires);
    std::string p;
    while (std::getline(in, p, ';')) {
        const auto espace = p.find(' ');
        s += paire(std::stoi(p.substr(0, espace)), p.substr(espace + 1));
    }
    return s;
}

void attendreSommets(const std::vector<Sommet>& c, const std::vector<Sommet>& attendus) {
    ASSERT_EQ(c.size(), attendus.size());
    for (std::size_t i = 0; i < c.size(); ++i) {
        EXPECT_NEAR(c[i].x, attendus[i].x, 1e-9) << i;
        EXPECT_NEAR(c[i].y, attendus[i].y, 1e-9) << i;
        EXPECT_NEAR(c[i].renflement, attendus[i].renflement, 1e-9) << i;
    }
}

// The vertices of each boundary path of a hatch.
std::vector<std::vector<Sommet>> contours(const Hatch& h) {
    std::vector<std::vector<Sommet>> c;
    for (const CheminContour& chemin : h.getChemins())
        sommetsContour(h, chemin, 1e-3, c.emplace_back());
    return c;
}

}  // namespace

TEST(ImportGeometrie, HachureContoursEtMotif) {
    // A polyline path with a bulge, a path of a line and a half circle (two
    // bulged quarters), one of a clockwise quarter (its angles given from
    // 360 down), a pattern of one dashed line, and a seed point that must
    // not become a vertex.
    Import i(dxf::entites(enregistrement(
        "HATCH",
        "8 0;62 1;10 0;20 0;30 0;210 0;220 0;230 1;2 ANSI31;70 0;71 0;91 3;"
        "92 3;72 1;73 1;93 3;10 0;20 0;42 1;10 10;20 0;10 10;20 10;97 0;"
        "92 1;93 2;72 1;10 0;20 20;11 10;21 20;72 2;10 5;20 20;40 5;50 0;51 180;73 1;97 0;"
        "92 1;93 1;72 2;10 0;20 40;40 5;50 0;51 90;73 0;97 0;"
        "75 0;76 1;52 0;41 1;77 0;78 1;53 45;43 1;44 2;45 -2;46 2;79 2;49 3;49 -1;98 1;10 5;20 "
        "5")));
    EXPECT_EQ(i.trace.str(), "");
    const auto& hachures = i.racine().liste<Hatch>();
    ASSERT_EQ(hachures.size(), 1u);
    const Hatch& h = *hachures[0];
    EXPECT_FALSE(h.isPlein());
    const auto c = contours(h);
    ASSERT_EQ(c.size(), 3u);
    attendreSommets(c[0], {{0, 0, 1}, {10, 0, 0}, {10, 10, 0}});
    const double quart = std::tan(3.141592653589793 / 8);
    attendreSommets(c[1], {{0, 20, 0}, {10, 20, quart}, {5, 25, quart}});
    attendreSommets(c[2], {{5, 40, -quart}, {0, 35, 0}});
    ASSERT_EQ(h.getMotif().size(), 1u);
    const LigneMotif& l = h.getMotif()[0];
    EXPECT_NEAR(l.angle, 3.141592653589793 / 4, 1e-12);
    EXPECT_EQ(l.x, 1);
    EXPECT_EQ(l.dy, 2);
    EXPECT_EQ(l.tirets, (std::vector<double>{3, 1}));
    EXPECT_EQ(l.motif.nombre, 2);
}

TEST(ImportGeometrie, HachureAretesChaineesParLeursBouts) {
    // Paths of lines (x1 y1 x2 y2 each), one hatch each, and their contours.
    using A = std::array<double, 4>;
    const struct {
        const char* nom;
        std::vector<A> aretes;
        std::vector<std::vector<Sommet>> contours;
    } cas[] = {
        {"dans l'ordre", {{0, 0, 9, 0}, {9, 0, 9, 9}, {9, 9, 0, 0}}, {{{0, 0}, {9, 0}, {9, 9}}}},
        {"desordre et envers",
         {{0, 0, 9, 0}, {0, 0, 9, 9}, {9, 0, 9, 9}},
         {{{0, 0}, {9, 0}, {9, 9}}}},
        {"deux boucles",
         {{0, 0, 9, 0}, {9, 0, 0, 9}, {0, 9, 0, 0}, {5, 5, 6, 5}, {6, 5, 6, 6}, {6, 6, 5, 5}},
         {{{0, 0}, {9, 0}, {0, 9}}, {{5, 5}, {6, 5}, {6, 6}}}},
        {"ouvert", {{0, 0, 9, 0}, {9, 0, 9, 9}}, {{{0, 0}, {9, 0}, {9, 9}}}},
        {"ouvert encore", {{0, 0, 9, 0}, {9, 5, 9, 9}}, {{{0, 0}, {9, 0}, {9, 5}, {9, 9}}}},
    };
    std::string hachures;
    for (const auto& c : cas) {
        hachures += enregistrement(
            "HATCH", "8 0;2 SOLID;70 1;71 0;91 1;92 1;93 " + std::to_string(c.aretes.size()));
        for (const A& a : c.aretes)
            hachures += paire(72, 1) + paire(10, a[0]) + paire(20, a[1]) + paire(11, a[2]) +
                        paire(21, a[3]);
        hachures += paire(97, 0) + paire(75, 0) + paire(76, 1) + paire(98, 0);
    }
    std::ostringstream trace, erreurs;
    DXFHandler h(trace);
    h.setErreurs(erreurs);
    std::istringstream f(dxf::entites(hachures));
    ASSERT_TRUE(lireDXF(f, h).utilisable());
    const auto& lues = h.getBlocRoot()->liste<Hatch>();
    ASSERT_EQ(lues.size(), std::size(cas));
    for (std::size_t i = 0; i < lues.size(); ++i) {
        SCOPED_TRACE(cas[i].nom);
        const auto c = contours(*lues[i]);
        ASSERT_EQ(c.size(), cas[i].contours.size());
        for (std::size_t k = 0; k < cas[i].contours.size(); ++k)
            attendreSommets(c[k], cas[i].contours[k]);
    }
    // Said once, whatever the number of paths that do not close.
    EXPECT_EQ(erreurs.str(),
              "Hachures : un contour qui ne se ferme pas est ferme par un segment droit.\n");
}

// A hatch of 20,000 circles keeps their edges: its model in proportion to
// its file whatever their kind (a circle once took 256 vertices), each
// flattened when painted into the chords its size on the view asks.
TEST(ImportGeometrie, HachureDeCerclesEnProportionDuFichier) {
    for (int genre : {0, 2, 3}) {
        SCOPED_TRACE(genre);
        const std::string texte = hostiles::hachureCercles(20000, genre);
        Import i(texte);
        const auto& lues = i.racine().liste<Hatch>();
        ASSERT_EQ(lues.size(), 1u);
        const Hatch& h = *lues[0];
        ASSERT_EQ(h.getChemins().size(), 20000u);
        EXPECT_LT(h.octets(), 2 * texte.size());
        if (genre != 3) continue;
        std::vector<PointPlan> p;
        std::vector<std::size_t> n;
        for (auto [echelle, points] : {std::pair{0.01, 8u}, {1.0, 64u}, {1000.0, 256u}}) {
            p.clear();
            n.clear();
            ASSERT_TRUE(
                aplatirContours(h, Matrice::echelle(echelle, echelle), kToleranceCourbes, p, n));
            EXPECT_EQ(n.size(), 20000u);
            EXPECT_EQ(n[0], points) << echelle;
        }
        // Zoomed in and all asked for: some four million points, the
        // circles beyond them of 8.
        p.clear();
        n.clear();
        aplatirContours(h, Matrice::echelle(1e5, 1e5), kToleranceCourbes, p, n);
        EXPECT_EQ(n.back(), 8u);
        EXPECT_LT(p.size(), 4'500'000u);
        // Seen in 10 x 10 units, the 16 circles there.
        const Boite zone{0, 0, 10, 10};
        n.clear();
        aplatirContours(h, Matrice{}, kToleranceCourbes, p, n, nullptr, &zone);
        EXPECT_EQ(n.size(), 16u);
        const std::atomic<bool> arret{true};
        EXPECT_FALSE(aplatirContours(h, Matrice{}, kToleranceCourbes, p, n, &arret));
    }
}

TEST(ImportGeometrie, EnregistrementsLusDeLeursPaires) {
    Import i(dxf::fichier(
        dxf::section("TABLES", paire(0, "TABLE") + paire(2, "LTYPE") +
                                   enregistrement("LTYPE",
                                                  "2 DASHDOT;70 0;3 -.-;72 65;73 4;40 2;49 1;74 0;"
                                                  "49 -0.5;74 0;49 0;74 0;49 -0.5;74 0") +
                                   paire(0, "ENDTAB") + paire(0, "TABLE") + paire(2, "LAYER") +
                                   dxf::calque("gele", 2, "CONTINUOUS", 1) +
                                   dxf::calque("eteint", -3) + dxf::calque("vu", 3) +
                                   paire(0, "ENDTAB")) +
        dxf::section(
            "ENTITIES",
            enregistrement("WIPEOUT",
                           "8 vu;10 1;20 2;11 4;21 0;12 0;22 3;13 1;23 1;71 1;91 2;"
                           "14 -0.5;24 -0.5;14 0.5;24 0.5") +
                enregistrement("LWPOLYLINE",
                               "8 0;90 3;70 0;43 2;10 0;20 0;10 1;20 0;40 1;41 3;"
                               "10 2;20 0") +
                enregistrement("POLYLINE", "8 0;66 1;70 64;71 3;72 1;10 0;20 0;30 0") +
                enregistrement("VERTEX", "8 0;10 0;20 0;30 0;70 192") +
                enregistrement("VERTEX", "8 0;10 1;20 0;30 0;70 192") +
                enregistrement("VERTEX", "8 0;10 1;20 1;30 0;70 192") +
                enregistrement("VERTEX", "8 0;10 0;20 0;30 0;70 128;71 1;72 -2;73 3") +
                enregistrement("SEQEND", "8 0") +
                enregistrement("DIMENSION", "8 vu;2 *D1;10 0;20 0;70 0;1 <>") +
                enregistrement("3DFACE", "8 0;10 0;20 0;11 1;21 0;12 1;22 1;13 0;23 1;70 5") +
                enregistrement("LINE", "8 0;67 1;420 16711935;48 0.5;10 0;20 0;11 1;21 1") +
                enregistrement("LINE", "8 0;6 dashdot;10 0;20 0;11 1;21 1"))));
    Dessin& d = *i.handler.getDessin();
    EXPECT_EQ(d.getCalquesEteints(), (std::list<std::string>{"eteint", "gele"}));

    const auto& w = i.racine().liste<Wipeout>();
    ASSERT_EQ(w.size(), 1u);
    const std::vector<PointPlan> attendu{{1, 5}, {5, 5}, {5, 2}, {1, 2}};
    ASSERT_EQ(w[0]->getContour().size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_NEAR(w[0]->getContour()[k].x, attendu[k].x, 1e-12) << k;
        EXPECT_NEAR(w[0]->getContour()[k].y, attendu[k].y, 1e-12) << k;
    }

    const auto& p = i.racine().getPolylines();
    ASSERT_EQ(p.size(), 2u);
    ASSERT_TRUE(p[0]->getDetails());
    EXPECT_EQ(p[0]->getDetails()->largeurs, (std::vector<double>{2, 2, 1, 3, 2, 2}));
    // The face record is not a vertex: three vertices, one face.
    EXPECT_EQ(p[1]->getPoints().size(), 3u);
    ASSERT_TRUE(p[1]->getDetails());
    EXPECT_EQ(p[1]->getDetails()->faces, (std::vector<std::array<int, 4>>{{1, -2, 3, 0}}));
    // Three vertices traced for each polyline.
    const std::string trace = i.trace.str();
    std::size_t sommets = 0;
    for (auto k = trace.find("VERTEX:"); k != std::string::npos; k = trace.find("VERTEX:", k + 1))
        ++sommets;
    EXPECT_EQ(sommets, 6u);

    const auto& dim = i.racine().liste<Dimension>();
    ASSERT_EQ(dim.size(), 1u);
    EXPECT_EQ(dim[0]->getBloc().getNom(), "*D1");

    const auto& f = i.racine().liste<Face3D>();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_FALSE(f[0]->isAreteVisible(0));
    EXPECT_TRUE(f[0]->isAreteVisible(1));
    EXPECT_FALSE(f[0]->isAreteVisible(2));

    const auto& l = i.racine().getLignes();
    ASSERT_EQ(l.size(), 2u);
    EXPECT_TRUE(l[0]->isEspacePapier());
    EXPECT_EQ(l[0]->getCouleurVraie(), 0xFF00FFu);
    EXPECT_EQ(d.getEchelleTypeLigne(*l[0]), 0.5);
    EXPECT_FALSE(l[1]->isEspacePapier());
    EXPECT_FALSE(l[1]->hasCouleurVraie());
    EXPECT_EQ(d.getEchelleTypeLigne(*l[1]), 1);
    // Line type names are the table's without regard to case.
    ASSERT_TRUE(l[1]->getType().getMotif());
    EXPECT_EQ(l[1]->getType().getMotif()->nombre, 4);
}

TEST(ImportGeometrie, MultiLeadersDeLeursDonneesDeContexte) {
    // Written by an independent writer: a text from two red lines, a block
    // and its attribute from a dot.
    std::ostringstream trace;
    DXFHandler h(trace);
    ASSERT_TRUE(lireDXF(source("tests/references/multileaders.dxf"), h).utilisable());
    EXPECT_EQ(trace.str().find("MULTILEADER"), std::string::npos);
    const auto& m = h.getBlocRoot()->liste<MultiLeader>();
    ASSERT_EQ(m.size(), 2u);
    ASSERT_EQ(m[0]->getBranches().size(), 1u);
    EXPECT_EQ(m[0]->getBranches()[0].lignes.size(), 2u);
    EXPECT_EQ(m[0]->getTraits().getCouleur(), 1);
    ASSERT_TRUE(m[0]->getTexte() && !m[0]->getBloc());
    EXPECT_EQ(m[0]->getTexte()->texteRef(), "Porte\\Pbois");
    EXPECT_EQ(m[0]->getTexte()->getTaille(), 3);
    const FigureRepere f = figureRepere(*m[0]);
    EXPECT_EQ(f.fleches.size(), 2u);
    EXPECT_EQ(f.paliers.size(), 1u);
    ASSERT_TRUE(m[1]->getBloc() && m[1]->getBlocFleche());
    EXPECT_EQ(m[1]->getBlocFleche()->nomRef(), "_DOT");
    EXPECT_EQ(m[1]->getBloc()->getCouleur(), 5);
    ASSERT_EQ(m[1]->getBloc()->getAttributs().size(), 1u);
    EXPECT_EQ(m[1]->getBloc()->getAttributs()[0]->texteRef(), "12");
}

TEST(ImportGeometrie, ExtrusionInverseeMiroirEnX) {
    const std::string bas = "210 0;220 0;230 -1";
    Import i(dxf::entites(
        enregistrement("ARC", "8 0;10 3;20 4;40 2;50 0;51 90;" + bas) +
        enregistrement("CIRCLE", "8 0;10 3;20 4;40 2;" + bas) +
        enregistrement("INSERT", "8 0;2 B;10 30;20 5;" + bas) +
        enregistrement("LWPOLYLINE", "8 0;90 2;70 0;10 1;20 0;42 0.5;10 2;20 0;" + bas)));
    const Arc& a = *i.racine().getArcs()[0];
    EXPECT_EQ(a.getX(), -3);
    EXPECT_NEAR(a.getAngle1(), 3.141592653589793 / 2, 1e-12);
    EXPECT_NEAR(a.getAngle2(), 3.141592653589793, 1e-12);
    EXPECT_EQ(i.racine().getCercles()[0]->getX(), -3);
    // The insertion keeps the file's point, traced as given; the mirror is
    // in its placement.
    const Insertion& b = *i.racine().getBlocs()[0];
    EXPECT_EQ(b.getX(), 30);
    EXPECT_TRUE(b.isMiroir());
    double x = 1, y = 0;
    b.placeeDans(Matrice{}).appliquer(x, y);
    EXPECT_EQ(x, -31);
    EXPECT_NE(i.trace.str().find("\tipx: 30, ipy: 5\n"), std::string::npos);
    const Polyline& p = *i.racine().getPolylines()[0];
    EXPECT_EQ(p.getPoints()[1]->getX(), -2);
    EXPECT_EQ(p.getRenflement(0), -0.5);
}

TEST(Tirets, ElementsEnLongueursTraceesEtSautees) {
    const struct {
        std::vector<double> elements;
        bool tirete;
        std::vector<double> longueurs;
        double depart;
    } cas[] = {
        {{1, -0.5, 0, -0.5}, true, {1, 0.5, 0, 0.5}, 0},
        {{-1, 2}, true, {2, 1}, 2},     // starts with a gap
        {{2, -1, 3}, true, {5, 1}, 3},  // the last dash joins the first
        {{1, 1}, false, {}, 0},         // never skips
        {{-1, -1}, false, {}, 0},       // never draws
        {{}, false, {}, 0},
    };
    for (const auto& c : cas) {
        std::vector<double> l;
        double depart = -1;
        EXPECT_EQ(tiretsDeElements(c.elements, l, depart), c.tirete);
        EXPECT_EQ(l, c.longueurs);
        if (c.tirete) {
            EXPECT_EQ(depart, c.depart);
        }
    }
}

TEST(Courbes, RenflementsSplinesEtCourbesAjustees) {
    const double pi = 3.141592653589793;
    double cx, cy, r, a1, a2;
    ASSERT_TRUE(arcDeRenflement(0, 0, 2, 0, 1, cx, cy, r, a1, a2));
    EXPECT_NEAR(cx, 1, 1e-12);
    EXPECT_NEAR(cy, 0, 1e-12);
    EXPECT_NEAR(r, 1, 1e-12);
    EXPECT_NEAR(a1, pi, 1e-12);
    EXPECT_NEAR(a2, 2 * pi, 1e-12);
    ASSERT_TRUE(arcDeRenflement(0, 0, 2, 0, -1, cx, cy, r, a1, a2));
    EXPECT_NEAR(a1, 0, 1e-12);
    EXPECT_NEAR(a2, pi, 1e-12);
    EXPECT_FALSE(arcDeRenflement(0, 0, 2, 0, 0, cx, cy, r, a1, a2));

    // A quadratic Bezier, and a quarter circle as a rational one.
    CourbeSpline s;
    ASSERT_TRUE(s.preparer(2, {0, 0, 0, 1, 1, 1}, {{0, 0}, {1, 2}, {2, 0}}, {}));
    EXPECT_NEAR(s.point(0.5).x, 1, 1e-12);
    EXPECT_NEAR(s.point(0.5).y, 1, 1e-12);
    ASSERT_TRUE(
        s.preparer(2, {0, 0, 0, 1, 1, 1}, {{1, 0}, {1, 1}, {0, 1}}, {1, std::sqrt(0.5), 1}));
    for (double t : {0.1, 0.5, 0.8}) EXPECT_NEAR(std::hypot(s.point(t).x, s.point(t).y), 1, 1e-12);
    // Knots that do not fit are made uniform: the curve still ends on its
    // end points.
    ASSERT_TRUE(s.preparer(3, {0, 1}, {{0, 0}, {1, 1}, {2, 0}, {3, 1}}, {}));
    EXPECT_NEAR(s.point(s.fin()).x, 3, 1e-12);

    const std::vector<PointPlan> points{{0, 0}, {1, 2}, {3, 2}, {4, 0}};
    const CourbeAjustee a(points, false);
    ASSERT_EQ(a.segments(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(a.point(k, 0).x, points[k].x, 1e-12);
        EXPECT_NEAR(a.point(k, 1).y, points[k + 1].y, 1e-12);
    }
    std::vector<PointPlan> plat;
    aplatirSpline(3, false, {}, {}, {}, points, Matrice{}, 0.01, plat);
    ASSERT_GT(plat.size(), 10u);
    EXPECT_NEAR(plat.back().x, 4, 1e-12);
}

TEST(Etendue, NouveauxGenres) {
    Import i(dxf::fichier(
        dxf::blocs(dxf::bloc("B", 0, 0, dxf::ligne(0, 0, 1, 0))) +
        dxf::section(
            "ENTITIES",
            enregistrement("LWPOLYLINE", "8 0;90 2;70 0;10 0;20 0;42 1;10 2;20 0") +
                enregistrement("ELLIPSE",
                               "8 0;10 10;20 0;11 2;21 0;40 0.5;41 0;42 1.5707963267948966") +
                enregistrement("INSERT", "8 0;2 B;10 0;20 -5;70 3;44 10"))));
    const Boite& b = etendue(*i.handler.getDessin());
    EXPECT_NEAR(b.x0, 0, 1e-9);
    EXPECT_NEAR(b.y0, -5, 1e-9);
    EXPECT_NEAR(b.x1, 21, 1e-9);  // the third copy of B
    EXPECT_NEAR(b.y1, 1, 1e-9);   // the quarter of the ellipse
    Boite e = etendueEllipse({0, 0}, {2, 0}, {0, 1}, 0, 2 * 3.141592653589793);
    EXPECT_NEAR(e.x0, -2, 1e-12);
    EXPECT_NEAR(e.y1, 1, 1e-12);
}

TEST(Decoupe, SegmentsPolylignesEtArcsALaZone) {
    const Boite zone{-1, -1, 1, 1};
    PointPlan a{-3, 0}, b{3, 0};
    double t0 = -1;
    ASSERT_TRUE(couperSegment(zone, a, b, t0));
    EXPECT_EQ(t0, 1.0 / 3);
    EXPECT_EQ(a.x, -1);
    EXPECT_EQ(b.x, 1);
    a = {2, 2}, b = {3, -3};
    EXPECT_FALSE(couperSegment(zone, a, b, t0));
    // A polyline in and out and in again: two runs, each with the length
    // before it.
    const PointPlan p[] = {{-2, 0}, {0, 0}, {0, 5}, {0.5, 5}, {0.5, 0}};
    std::vector<PointPlan> sortie;
    std::vector<Troncon> troncons;
    couperPolyligne(p, 5, false, zone, sortie, troncons);
    ASSERT_EQ(troncons.size(), 2u);
    EXPECT_EQ(troncons[0].nombre, 3u);
    EXPECT_EQ(troncons[0].avant, 1);
    EXPECT_EQ(sortie[2].y, 1);
    EXPECT_EQ(troncons[1].avant, 11.5);
    EXPECT_EQ(sortie[troncons[1].debut + troncons[1].nombre - 1].y, 0);
    // The unit circle right of x = 0.5: its turn from 0 cut at pi / 3.
    std::vector<Plage> plages;
    couperArc(Matrice{}, 0, kDeuxPi, Boite{0.5, -2, 2, 2}, plages);
    ASSERT_EQ(plages.size(), 2u);
    EXPECT_NEAR(plages[0].fin, kPi / 3, 1e-12);
    EXPECT_NEAR(plages[1].debut, 5 * kPi / 3, 1e-12);
    EXPECT_EQ(plages[1].fin, kDeuxPi);
    EXPECT_NEAR(longueurArc(Matrice::echelle(2, 2), 0, 1), 2, 1e-12);
    // An ellipse of axes 2 and 1: its perimeter.
    EXPECT_NEAR(longueurArc(Matrice::echelle(2, 1), 0, kDeuxPi), 9.688448220547675, 1e-9);
}

TEST(ImportGeometrie, LesLignesDuMotifSArretentAuDrapeau) {
    std::ostringstream trace;
    DXFHandler h(trace);
    ASSERT_TRUE(lireDXF(source("tests/references/remplissages.dxf"), h).utilisable());
    for (const Hatch* hachure : h.getBlocRoot()->liste<Hatch>()) {
        if (hachure->getMotif().empty()) continue;
        std::vector<PointPlan> p;
        std::vector<std::size_t> n;
        const Matrice m = Matrice::echelle(100, 100);
        ASSERT_TRUE(aplatirContours(*hachure, m, kToleranceCourbes, p, n));
        const Boite zone = etendueHachure(*hachure).transformee(m);
        for (bool arrete : {false, true}) {
            const std::atomic<bool> arret{arrete};
            std::size_t traits = 0;
            EXPECT_TRUE(traitsMotif(
                *hachure, m, p, n, zone, [&](const TraitMotif&) { ++traits; }, &arret));
            EXPECT_EQ(traits > 0, !arrete);
        }
        return;
    }
    FAIL() << "aucune hachure a motif";
}
