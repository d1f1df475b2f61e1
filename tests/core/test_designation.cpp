// Designating, snapping, measuring and finding over a small drawing, through
// the core alone.
#include <gtest/gtest.h>

#include <cmath>

#include "model/mesures.h"
#include "render/designation.h"
#include "render/proprietes.h"
#include "render/recherche.h"
#include "support/dxf.h"
#include "support/importation.h"

namespace {

using namespace dxf;

std::string dessinEssai() {
    const std::string entete = section(
        "HEADER", paire(9, "$INSUNITS") + paire(70, 4) + paire(9, "$LUPREC") + paire(70, 2));
    const Attr murs{"MURS", 256, ""}, parBloc{"0", 0, "BYBLOCK"};
    const std::string rond = paire(0, "LWPOLYLINE") + paire(8, "MURS") + paire(90, 2) +
                             paire(70, 1) + paire(10, 50.0) + paire(20, 0.0) + paire(42, 1.0) +
                             paire(10, 52.0) + paire(20, 0.0) + paire(42, 1.0);
    // A disc filled, its boundary an elliptic arc edge.
    const std::string disque =
        paire(0, "HATCH") + paire(8, "0") + paire(2, "SOLID") + paire(70, 1) + paire(91, 1) +
        paire(92, 1) + paire(93, 1) + paire(72, 3) + paire(10, 205.0) + paire(20, 5.0) +
        paire(11, 5.0) + paire(21, 0.0) + paire(40, 1.0) + paire(50, 0.0) + paire(51, 360.0) +
        paire(73, 1) + paire(97, 0) + paire(75, 0) + paire(76, 1) + paire(98, 0);
    return fichier(entete + tables(calque("MURS", 1) + calque("CACHE", 5, "CONTINUOUS", 1)) +
                   blocs(bloc("PORTE", 0, 0, ligne(1, 0, 3, 0, parBloc)) +
                         bloc("ETAGE1", 0, 0, insert("PORTE", 5, 0, 1, 1, 0, {"0", 0, ""}))) +
                   section("ENTITIES", ligne(0, 0, 10, 0, murs) + ligne(3, -2, 3, 4) +
                                           cercle(20, 0, 5) +
                                           lwpolyline("0,10;10,10;10,20;0,20", 1) +
                                           texte(30, 0, 2,
                                                 "Pi\xC3\xA8"
                                                 "ce \xC3\x89"
                                                 "12") +
                                           texte(30, 40, 2, "piece 13", {"CACHE", 256, ""}) + rond +
                                           insert("ETAGE1", 100, 0, 1, 1, 0, murs) + disque));
}

struct Essai : ::testing::Test {
    Import import{dessinEssai()};
    const Dessin& dessin = *import.handler.getDessin();
};

TEST_F(Essai, ObjetSousUnPoint) {
    const struct {
        PointPlan p;
        const char* genre;
        const char* chemin;
    } cas[] = {
        {{5, 0.1}, "Ligne", ""},
        {{25, 0.3}, "Cercle", ""},
        {{20, 0}, "", ""},
        {{5, 15}, "", ""},
        {{10.2, 15}, "Polyligne", ""},
        {{31, 1}, "Texte", ""},
        {{107, 0.2}, "Ligne", "PORTE < ETAGE1"},
        {{51, 1.1}, "Polyligne", ""},
        {{205, 9}, "Hachure", ""},
        {{210.3, 5}, "Hachure", ""},
        {{211, 5}, "", ""},
    };
    for (const auto& c : cas) {
        const auto r = designer(dessin, nullptr, c.p, 0.5);
        SCOPED_TRACE(c.genre);
        EXPECT_EQ(r.empty() ? "" : nomGenre(r[0].objet.genre), std::string(c.genre));
        if (!r.empty()) {
            EXPECT_EQ(cheminBlocs(r[0].porteurs), c.chemin);
        }
    }
}

TEST_F(Essai, PointAccroche) {
    const PointPlan depart{6, 5};
    const struct {
        PointPlan p;
        bool avecDepart;
        GenreAccroche genre;
        PointPlan attendu;
    } cas[] = {
        {{9.8, 0.1}, false, GenreAccroche::Extremite, {10, 0}},
        {{5.1, 0.1}, false, GenreAccroche::Milieu, {5, 0}},
        {{3.2, 0.2}, false, GenreAccroche::Intersection, {3, 0}},
        {{6.1, 0.2}, true, GenreAccroche::Perpendiculaire, {6, 0}},
        {{30.1, 0.1}, false, GenreAccroche::Insertion, {30, 0}},
        {{107.1, 0.1}, false, GenreAccroche::Milieu, {107, 0}},
        {{8, 0.3}, false, GenreAccroche::Proche, {8, 0}},
        {{51, 0.9}, false, GenreAccroche::Milieu, {51, 1}},
    };
    for (const auto& c : cas) {
        Accroche a;
        SCOPED_TRACE(nomAccroche(c.genre));
        ASSERT_TRUE(accrocher(dessin, nullptr, c.p, 0.5, c.avecDepart ? &depart : nullptr, a));
        EXPECT_EQ(a.genre, c.genre);
        EXPECT_NEAR(a.p.x, c.attendu.x, 1e-9);
        EXPECT_NEAR(a.p.y, c.attendu.y, 1e-9);
    }
    Accroche a;
    EXPECT_FALSE(accrocher(dessin, nullptr, {60, 60}, 0.5, nullptr, a));
}

TEST_F(Essai, DistanceEtAire) {
    const Unites u = unitesDe(dessin);
    EXPECT_EQ(texteDistance({0, 0}, {3, 4}, u),
              "Distance : 5,00 mm   Angle : 53,13°   ΔX : 3,00 mm   ΔY : 4,00 mm");
    EXPECT_EQ(texteDistance({0, 0}, {-1, 0}, Unites{6, 0}),
              "Distance : 1 m   Angle : 180°   ΔX : -1 m   ΔY : 0 m");
    EXPECT_EQ(texteSurface({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, u),
              "Aire : 100,00 mm²   Périmètre : 40,00 mm   (4 points)");
    EXPECT_EQ(texteLongueur(2.5, Unites{0, 3}), "2,500");
}

std::string valeur(const std::vector<LigneProprietes>& l, const std::string& libelle) {
    for (const auto& [a, b] : l)
        if (a == libelle) return b;
    return "(absent)";
}

TEST_F(Essai, Proprietes) {
    const struct {
        PointPlan p;
        std::vector<LigneProprietes> attendu;
    } cas[] = {
        {{5, 0},
         {{"Type", "Ligne"},
          {"Calque", "MURS"},
          {"Couleur", "DuCalque : 1 (rouge)"},
          {"Longueur", "10,00 mm"},
          {"Angle", "0,00°"},
          {"Fin", "10,00 ; 0,00"}}},
        {{107, 0},
         {{"Calque", "0 (MURS)"},
          {"Couleur", "DuBloc : 1 (rouge)"},
          {"Type de ligne", "DuBloc : CONTINUOUS"},
          {"Chemin des blocs", "PORTE < ETAGE1"},
          {"Début", "106,00 ; 0,00"},
          {"Nom du bloc", "PORTE"},
          {"Point d'insertion", "105,00 ; 0,00"}}},
        {{25, 0}, {{"Rayon", "5,00 mm"}, {"Centre", "20,00 ; 0,00"}, {"Aire", "78,54 mm²"}}},
        {{51, 1}, {{"Sommets", "2"}, {"Longueur", "6,28 mm"}, {"Aire", "3,14 mm²"}}},
        {{31, 1}, {{"Texte", "Pièce É12"}, {"Hauteur", "2,00 mm"}, {"Style", "STANDARD"}}},
        {{205, 5}, {{"Type", "Hachure"}, {"Remplissage", "plein"}, {"Contours", "1"}}},
    };
    for (const auto& c : cas) {
        const auto r = designer(dessin, nullptr, c.p, 0.5);
        ASSERT_FALSE(r.empty());
        const auto l = proprietes(dessin, r[0].objet, r[0].porteurs, r[0].matrice);
        for (const auto& [a, b] : c.attendu) EXPECT_EQ(valeur(l, a), b) << a;
    }
}

TEST_F(Essai, Recherche) {
    const struct {
        std::string cherche;
        std::size_t total;
    } cas[] = {{"piece e12", 1}, {"PIÈCE", 2}, {"CE ", 2}, {"", 0}, {std::string(1 << 20, 'e'), 0}};
    for (const auto& c : cas) EXPECT_EQ(rechercher(dessin, nullptr, c.cherche).total, c.total);
    const auto r = rechercher(dessin, nullptr, "13");
    ASSERT_EQ(r.trouvailles.size(), 1u);
    EXPECT_TRUE(r.trouvailles[0].masque);
    EXPECT_EQ(r.trouvailles[0].calque->nomRef(), "CACHE");
    EXPECT_EQ(rechercher(dessin, nullptr, "e", 1).trouvailles.size(), 1u);
    EXPECT_EQ(replier("Œuvre ÉTÉ çà"), "oeuvre ete ca");
}

}  // namespace

TEST(Visite, SArreteASonBudget) {
    // 10^4 lines through four levels of ten insertions each.
    std::string blocs = bloc("B0", 0, 0, ligne(0, 0, 1, 0));
    for (int n = 1; n <= 4; ++n) {
        std::string corps;
        for (int i = 0; i < 10; ++i)
            corps += insert("B" + std::to_string(n - 1), i * std::pow(10, n), 0);
        blocs += bloc("B" + std::to_string(n), 0, 0, corps);
    }
    Import import(fichier(section("BLOCKS", blocs) + section("ENTITIES", insert("B4", 0, 0))));
    for (const long budget : {-1L, 100L}) {
        Visite v(nullptr);
        v.setBudget(budget);
        long lignes = 0;
        v.parcourir(*import.handler.getDessin(), nullptr,
                    [&](const auto&, const Matrice&, bool) { ++lignes; });
        // Each insertion met counts too.
        EXPECT_EQ(lignes, budget < 0 ? 10000 : 46);
        EXPECT_EQ(v.isEpuise(), budget > 0);
    }
}
