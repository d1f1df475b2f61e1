// The bundled sample: its drawing imports whole, and its annotation files
// hang their annotations under the layers they name.
#include <gtest/gtest.h>

#include <filesystem>
#include <list>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "annot/annotations.h"
#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "support/fichiers.h"

namespace {

using Rangs = std::vector<std::string>;

// Every layer's annotation rows, as the tree rebuild asks for them.
std::map<std::string, Rangs> rangsParCalque(const std::list<std::string>& calques,
                                            const std::string& fichier) {
    std::map<std::string, Rangs> rangs;
    std::ostringstream sortie, erreurs;
    int i = 0;
    for (const auto& nom : calques) {
        Rangs& r = rangs[nom];
        lireAnnot(
            fichier, std::to_string(i++) + ":*",
            [&](const std::string& titre) { r.push_back(titre); }, sortie, erreurs);
    }
    EXPECT_EQ(erreurs.str(), "");
    return rangs;
}

}  // namespace

TEST(Echantillon, DessinImporteEnEntier) {
    std::ostringstream trace;
    DXFHandler handler(trace);
    ResultatLecture r = lireDXF(source("samples/site.dxf"), handler);
    ASSERT_EQ(r.issue, ResultatLecture::Reussie) << r.message;

    EXPECT_EQ(handler.getCalques(),
              (std::list<std::string>{"0", "arbres", "cotes", "limites", "mobilier", "murs",
                                      "points_topo", "reseau_eau", "reseau_elec", "textes"}));
    EXPECT_TRUE(handler.getCalque("reseau_eau")->isPointille());
    EXPECT_TRUE(handler.getCalque("limites")->isPointille());
    EXPECT_FALSE(handler.getCalque("murs")->isPointille());

    Block& racine = *handler.getBlocRoot();
    ASSERT_EQ(racine.getImages().size(), 1u);
    const Image& photo = *racine.getImages()[0];
    EXPECT_EQ(photo.getFile(), "plan-photo.png");
    EXPECT_TRUE(std::filesystem::is_regular_file(source("samples/plan-photo.png")));

    // Inserted several times; one nested, one rotated, one scaled.
    std::map<std::string, int> insertions;
    bool tourne = false, agrandi = false;
    for (Insertion* b : racine.getBlocs()) {
        ++insertions[b->getNom()];
        tourne |= b->getAngle() != 0;
        agrandi |= b->getSx() != 1;
    }
    EXPECT_EQ(insertions["arbre"], 8);
    EXPECT_EQ(insertions["table"], 2);
    EXPECT_EQ(insertions["regard"], 2);
    EXPECT_TRUE(tourne && agrandi);
    ASSERT_NE(handler.getBloc("table"), nullptr);
    EXPECT_EQ(handler.getBloc("table")->getBlocs().size(), 4u);

    EXPECT_FALSE(racine.getArcs().empty());
    EXPECT_FALSE(racine.getCercles().empty());
    EXPECT_FALSE(racine.getPoints().empty());
    EXPECT_FALSE(racine.getTextes().empty());
    bool fermee = false, ouverte = false;
    for (Polyline* p : racine.getPolylines()) (p->isFermee() ? fermee : ouverte) = true;
    EXPECT_TRUE(fermee && ouverte);
}

TEST(Echantillon, AnnotationsSousLeursCalques) {
    std::ostringstream trace;
    DXFHandler handler(trace);
    lireDXF(source("samples/site.dxf"), handler);
    const std::string fichier = cheminAnnotations(source("samples/site.dxf"));
    auto rangs = rangsParCalque(handler.getCalques(), fichier);
    EXPECT_EQ(rangs["murs"], (Rangs{"Fissure", "Regard", "Muret de la terrasse"}));
    EXPECT_EQ(rangs["arbres"], (Rangs{"Tilleul malade", "Haie a planter"}));
    EXPECT_EQ(rangs["0"], (Rangs{"Photo du site"}));
    EXPECT_TRUE(rangs["textes"].empty());
    EXPECT_TRUE(rangs["cotes"].empty());
    // The rows of "murs" (the sixth layer) show their texts.
    std::ostringstream sortie, erreurs;
    EXPECT_EQ(lireAnnot(fichier, "5:0", {}, sortie, erreurs), "Fissure au pied du mur");
    EXPECT_EQ(lireAnnot(fichier, "5:2", {}, sortie, erreurs),
              "Muret en pierres seches, hauteur 60 cm.");
}

TEST(Echantillon, AnnotationsDeTarsinPlan) {
    const std::string fichier = source("samples/annotations.ann");
    std::ostringstream sortie, erreurs;
    std::vector<Rangs> rangs(3);
    const char* const cles[] = {"0:*", "2:*", "4:*"};
    for (int i = 0; i < 3; ++i)
        lireAnnotPlan(
            fichier, cles[i], true, [&](const std::string& titre) { rangs[i].push_back(titre); },
            sortie, erreurs);
    EXPECT_EQ(rangs[0], (Rangs{"Regard de visite", "Vanne d'arret"}));
    EXPECT_EQ(rangs[1], (Rangs{"Compteur", "Vanne de purge"}));
    EXPECT_EQ(rangs[2], (Rangs{"Poteau", "Coffret"}));
    // Activated rows are looked up by their paths.
    EXPECT_EQ(lireAnnotPlan(fichier, "1:0", false, {}, sortie, erreurs),
              "Compteur general dans le regard de la rue.");
    EXPECT_EQ(lireAnnotPlan(fichier, "2:1", false, {}, sortie, erreurs),
              "Coffret de branchement en limite de propriete.");
    EXPECT_EQ(erreurs.str(), "");
}
