// Layouts and viewports: what is read of them, what hostile ones leave
// (a message or nothing, never a crash), and tarsin-render's options.
#include <cairomm/context.h>
#include <cairomm/surface.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "render/peintre.h"
#include "render/presentation_peinte.h"
#include "support/fichiers.h"

namespace {

// A drawing with a line on MURS, one viewport of paper space (its pairs
// after the defaults of `fenetre`), and three layouts: one on the root's
// paper space, one on a block the file lacks, one on a handle of nothing.
std::string dessin(const std::string& fenetre) {
    return "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n0\nLAYER\n5\nA1\n2\nMURS\n70\n0\n62\n5\n"
           "6\nCONTINUOUS\n0\nENDTAB\n0\nTABLE\n2\nBLOCK_RECORD\n0\nBLOCK_RECORD\n5\nB1\n2\n"
           "*Paper_Space\n340\nL1\n0\nBLOCK_RECORD\n5\nB2\n2\n*Paper_Space0\n0\nENDTAB\n0\n"
           "ENDSEC\n0\nSECTION\n2\nENTITIES\n0\nLINE\n8\nMURS\n10\n0\n20\n0\n11\n10\n21\n10\n0\n"
           "VIEWPORT\n67\n1\n8\n0\n10\n50\n20\n50\n40\n80\n41\n60\n12\n5\n22\n5\n45\n10\n68\n1\n"
           "69\n2\n" +
           fenetre +
           "0\nENDSEC\n0\nSECTION\n2\nOBJECTS\n0\nLAYOUT\n5\nL1\n100\nAcDbPlotSettings\n44\n297\n"
           "45\n210\n100\nAcDbLayout\n1\nFeuille\n71\n1\n0\nLAYOUT\n5\nL2\n100\nAcDbLayout\n1\n"
           "Perdue\n71\n2\n330\nB2\n0\nLAYOUT\n5\nL3\n100\nAcDbLayout\n1\nNulle\n71\n3\n330\n"
           "FFFF\n0\nENDSEC\n0\nEOF\n";
}

struct CasFenetre {
    const char* nom;
    const char* paires;  // after the defaults, the last value of a code counts
    bool montree;
};

const CasFenetre kCas[] = {
    {"ordinaire", "", true},
    {"vue vers rien", "12\n1e6\n22\n-1e6\n", true},
    {"largeur nulle", "40\n0\n", false},
    {"hauteur negative", "41\n-5\n", false},
    {"hauteur de vue nulle", "45\n0\n", false},
    {"hauteur de vue non finie", "45\nnan\n", false},
    {"hauteur de vue trop grande", "45\n1e400\n", false},
    {"centre de vue infini", "12\ninf\n", false},
    {"torsion non finie", "51\nnan\n", false},
    {"eteinte", "68\n0\n", false},
    {"eteinte par ses drapeaux", "90\n131072\n", false},
    {"la feuille elle-meme", "69\n1\n", false},
    {"contour vers rien", "340\nDEAD\n", true},
    {"calque gele inconnu", "341\nZZZ\n", true},
};

class FenetresHostiles : public ::testing::TestWithParam<CasFenetre> {};

TEST_P(FenetresHostiles, UnMessageOuRienJamaisDePlantage) {
    const CasFenetre& c = GetParam();
    std::ostringstream trace, erreurs;
    DXFHandler h(trace);
    h.setErreurs(erreurs);
    ASSERT_TRUE(lireTexteDXF(dessin(c.paires), "p.dxf", h).utilisable());
    const Dessin& d = *h.getDessin();
    const EspacePapier& papier = d.getEspacePapier();
    EXPECT_EQ(papier.noms(), (std::vector<std::string>{"Objet", "Feuille", "Perdue", "Nulle"}));
    // Said once a file, for the first layout without its block.
    EXPECT_EQ(erreurs.str(),
              "Présentation \"Perdue\" : le bloc \"*Paper_Space0\" n'existe pas ; seule sa "
              "feuille est dessinée.\n");
    ASSERT_EQ(papier.fenetres().size(), 1u);
    EXPECT_EQ(papier.fenetres()[0].montree(), c.montree);
    EXPECT_TRUE(papier.fenetres()[0].calquesGeles.empty());
    EXPECT_EQ(etenduePresentation(d, 1).largeur(), 297);
    EXPECT_TRUE(etenduePresentation(d, 2).vide());
    auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_RGB24, 64, 64);
    for (std::size_t rang : {0, 1, 2, 3, 4}) {
        Peintre p;
        p.setPresentation(rang);
        const Vue v = ajusterPresentation(d, rang, 64, 64, 2);
        EXPECT_TRUE(p.peindre(Cairo::Context::create(surface), d, v, 64, Zone{0, 0, 64, 64}, {}))
            << rang;
    }
}

INSTANTIATE_TEST_SUITE_P(Presentations, FenetresHostiles, ::testing::ValuesIn(kCas),
                         [](const auto& i) {
                             std::string n = i.param.nom;
                             for (char& ch : n)
                                 if (ch == ' ' || ch == '-') ch = '_';
                             return n;
                         });

TEST(Presentations, RangOuNom) {
    std::ostringstream trace, erreurs;
    DXFHandler h(trace);
    h.setErreurs(erreurs);
    ASSERT_TRUE(lireTexteDXF(dessin(""), "p.dxf", h).utilisable());
    const EspacePapier& papier = h.getDessin()->getEspacePapier();
    const std::pair<const char*, long> cas[] = {{"Objet", 0},    {"0", 0},  {"Feuille", 1},
                                                {"3", 3},        {"4", -1}, {"", -1},
                                                {"feuille", -1}, {"1x", -1}};
    for (const auto& [nom, rang] : cas) EXPECT_EQ(papier.chercher(nom), rang) << nom;
}

TEST(Presentations, TarsinRenderLesNommeEtRefuseLesInconnues) {
    const std::string dxf = source("tests/references/presentations-plan.dxf");
    Execution e = executer({programme("tarsin-render"), dxf, "--list-layouts"});
    EXPECT_EQ(e.statut, 0);
    EXPECT_EQ(e.sortie, "Objet\nPlan\nDetail\n");
    DossierTemporaire dossier;
    e = executer({programme("tarsin-render"), dxf, dossier.chemin() + "/a.png", "--quiet",
                  "--layout", "Coupe"});
    EXPECT_EQ(e.statut, 1);
    EXPECT_EQ(e.erreurs,
              "tarsin-render : présentation inconnue : \"Coupe\" (--list-layouts les nomme).\n");
    // A layout writes no paint trace: the import's alone.
    e = executer({programme("tarsin-render"), dxf, dossier.chemin() + "/a.png", "--layout", "1"});
    EXPECT_EQ(e.statut, 0);
    const Execution objet =
        executer({programme("tarsin-render"), dxf, dossier.chemin() + "/b.png"});
    EXPECT_LT(e.sortie.size(), objet.sortie.size());
    EXPECT_EQ(objet.sortie.compare(0, e.sortie.size(), e.sortie), 0);
}

}  // namespace
