// tarsin-plan's command line: usage text, reading the named drawing.
#include <gtest/gtest.h>

#include <sstream>

#include "import/dxfhandler.h"
#include "plan/lecture_plan.h"
#include "support/dxf.h"
#include "support/fichiers.h"

TEST(PlanLigneDeCommande, SansArgumentLUsageEtZero) {
    Execution e = executer({programme("tarsin-plan")});
    EXPECT_EQ(e.statut, 0);
    EXPECT_EQ(e.sortie, "\nUsage: test <DXF file>\n\n");
    EXPECT_EQ(e.erreurs, "");
}

TEST(PlanLigneDeCommande, LectureDUnFichierPuisSaTrace) {
    DossierTemporaire d;
    const std::string chemin = d.ecrire("a.dxf", dxf::entites(dxf::ligne(0, 0, 10, 5)));
    std::ostringstream sortie, erreurs;
    auto h = testReading(chemin.c_str(), sortie, erreurs);
    EXPECT_EQ(sortie.str(), "Reading file " + chemin +
                                "...\nLINE:\t\t(0, 0) (10, 5)\n\tAttributes: Layer: 0, Color: "
                                "BYLAYER, Width: BYLAYER, lineType: BYLAYER\n\n");
    EXPECT_EQ(erreurs.str(), "");
    EXPECT_EQ(h->getBlocRoot().getLignes().size(), 1u);
}

TEST(PlanLigneDeCommande, FichierIllisible) {
    std::ostringstream sortie, erreurs;
    auto h = testReading("/pas/de/fichier.dxf", sortie, erreurs);
    EXPECT_EQ(sortie.str(), "Reading file /pas/de/fichier.dxf...\n");
    EXPECT_EQ(erreurs.str(), "/pas/de/fichier.dxf could not be opened.\n");
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(h->getBlocRoot().getLignes().empty());
}
