// The writing sample of tarsin-plan, read back through our own importer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <list>
#include <sstream>
#include <string>

#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "import/ecriture.h"
#include "support/fichiers.h"

namespace {

// Runs `f` with `dossier` as the working directory, then comes back.
template <typename F>
void dans(const std::string& dossier, F f) {
    char precedent[4096];
    ASSERT_NE(getcwd(precedent, sizeof precedent), nullptr);
    ASSERT_EQ(chdir(dossier.c_str()), 0);
    f();
    ASSERT_EQ(chdir(precedent), 0);
}

}  // namespace

TEST(TestWriting, DessinRelu) {
    DossierTemporaire d;
    std::ostringstream sortie;
    dans(d.chemin(), [&] { testWriting(sortie); });
    EXPECT_EQ(sortie.str(), "");

    std::ostringstream trace;
    DXFHandler handler(trace);
    ResultatLecture r = lireDXF(d.chemin() + "/myfile.dxf", handler);
    ASSERT_EQ(r.issue, ResultatLecture::Reussie) << r.message;

    EXPECT_EQ(handler.getCalques(), (std::list<std::string>{"0", "anotherlayer", "mainlayer"}));
    EXPECT_EQ(handler.getCalque("mainlayer")->getCouleur(), 1);
    EXPECT_EQ(handler.getCalque("anotherlayer")->getCouleur(), 250);
    for (const char* nom :
         {"*Model_Space", "*Paper_Space", "*Paper_Space0", "myblock1", "myblock2"}) {
        Block* b = handler.getBloc(nom);
        ASSERT_NE(b, nullptr) << nom;
        EXPECT_TRUE(b->getPoints().empty() && b->getLignes().empty()) << nom;
    }

    Block& racine = *handler.getBlocRoot();
    ASSERT_EQ(racine.getPoints().size(), 1u);
    ASSERT_EQ(racine.getLignes().size(), 1u);
    const Point& p = *racine.getPoints()[0];
    EXPECT_EQ(p.getCalque()->getNom(), "mainlayer");
    EXPECT_DOUBLE_EQ(p.getX(), 10.0);
    EXPECT_DOUBLE_EQ(p.getY(), 45.0);
    EXPECT_EQ(p.getCouleur(), 1);  // by layer
    const Line& l = *racine.getLignes()[0];
    EXPECT_EQ(l.getCalque()->getNom(), "mainlayer");
    EXPECT_DOUBLE_EQ(l.getX(), 25.0);
    EXPECT_DOUBLE_EQ(l.getY(), 30.0);
    EXPECT_DOUBLE_EQ(l.getX2(), 100.0);
    EXPECT_DOUBLE_EQ(l.getY2(), 120.0);
    EXPECT_EQ(l.getTypeLigne(), "BYLAYER");
    EXPECT_FALSE(l.isPointille());
    EXPECT_TRUE(racine.getCercles().empty() && racine.getArcs().empty() &&
                racine.getTextes().empty() && racine.getPolylines().empty() &&
                racine.getBlocs().empty());
}

TEST(TestWriting, ChaqueAppelRemplaceLeFichier) {
    DossierTemporaire d;
    const std::string chemin = d.chemin() + "/myfile.dxf";
    d.ecrire("myfile.dxf", std::string(200000, '#'));
    std::ostringstream sortie;
    dans(d.chemin(), [&] { testWriting(sortie); });
    const std::string premier = lireFichier(chemin);
    dans(d.chemin(), [&] { testWriting(sortie); });
    EXPECT_EQ(lireFichier(chemin), premier);
    EXPECT_EQ(premier.find('#'), std::string::npos);
    EXPECT_EQ(premier.substr(premier.size() - 4), "EOF\n");
}

TEST(TestWriting, FichierImpossibleACreer) {
    DossierTemporaire d;
    // A folder in the way of the file.
    ASSERT_EQ(mkdir((d.chemin() + "/myfile.dxf").c_str(), 0700), 0);
    std::ostringstream sortie;
    dans(d.chemin(), [&] { testWriting(sortie); });
    EXPECT_EQ(sortie.str(), "Cannot open file 'myfile.dxf' \t\t\t\tfor writing.");
}
