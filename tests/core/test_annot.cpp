#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "annot/annotations.h"
#include "support/fichiers.h"

namespace {

// One reader call: the rows it appended, its result and its two streams.
struct Lecture {
    std::vector<std::string> rangs;
    std::string resultat;
    std::string sortie;
    std::string erreurs;
};

Lecture lire(const std::string& fichier, const std::string& cle) {
    Lecture l;
    std::ostringstream sortie, erreurs;
    l.resultat = lireAnnot(
        fichier, cle, [&](const std::string& titre) { l.rangs.push_back(titre); }, sortie, erreurs);
    l.sortie = sortie.str();
    l.erreurs = erreurs.str();
    return l;
}

Lecture lirePlan(const std::string& fichier, const std::string& cle, bool ajoutRangs) {
    Lecture l;
    std::ostringstream sortie, erreurs;
    l.resultat = lireAnnotPlan(
        fichier, cle, ajoutRangs, [&](const std::string& titre) { l.rangs.push_back(titre); },
        sortie, erreurs);
    l.sortie = sortie.str();
    l.erreurs = erreurs.str();
    return l;
}

using Rangs = std::vector<std::string>;

}  // namespace

TEST(CheminAnnotations, RemplaceLesQuatreDerniersCaracteres) {
    EXPECT_EQ(cheminAnnotations("/data/plan.dxf"), "/data/plan.ann");
    EXPECT_EQ(cheminAnnotations("plan.DXF"), "plan.ann");
    EXPECT_EQ(cheminAnnotations("plan.dxf.bak"), "plan.dxf.ann");
    // Whatever the last four characters are.
    EXPECT_EQ(cheminAnnotations("/data/planche"), "/data/pla.ann");
    EXPECT_EQ(cheminAnnotations("a.dx"), ".ann");
}

TEST(CheminAnnotations, CheminTropCourtGardeSonTexte) {
    EXPECT_EQ(cheminAnnotations("abc"), "abc.ann");
    EXPECT_EQ(cheminAnnotations(""), ".ann");
}

TEST(LireAnnot, AjouteLesRangsDuCalqueEtTrouveLeurTexte) {
    DossierTemporaire d;
    auto f = d.ecrire("plan.ann",
                      "0:0 Fissure\nFissure au pied du mur\n0:1 Regard\nRegard a deplacer\n");
    auto l = lire(f, "0:*");
    EXPECT_EQ(l.rangs, (Rangs{"Fissure", "Regard"}));
    EXPECT_EQ(l.resultat, "");
    EXPECT_EQ(l.sortie, "fichier d'annot :" + f + "\nle rang0:*\nle rang0:*\n");
    EXPECT_EQ(l.erreurs, "");

    EXPECT_EQ(lire(f, "0:0").resultat, "Fissure au pied du mur");
    EXPECT_EQ(lire(f, "0:1").resultat, "Regard a deplacer");
    auto absente = lire(f, "0:2");
    EXPECT_EQ(absente.resultat, "pas d'annotation rentree !");
    EXPECT_EQ(absente.sortie, "fichier d'annot :" + f + "\n");  // no "le rang" without '*'
    EXPECT_TRUE(absente.rangs.empty());
    // A layer without any annotation.
    auto vide = lire(f, "1:*");
    EXPECT_TRUE(vide.rangs.empty());
    EXPECT_EQ(vide.resultat, "pas d'annotation rentree !");
    EXPECT_EQ(vide.sortie,
              "fichier d'annot :" + f + "\nle rang1:*\nle rang1:*\nle rang1:*\nle rang1:*\n");
}

TEST(LireAnnot, EnteteDeCalqueAvantOuApresSesAnnotations) {
    DossierTemporaire d;
    auto avant = d.ecrire("avant.ann", "0:*\nle calque\n0:0 Fissure\ntexte\n");
    auto l = lire(avant, "0:*");
    EXPECT_TRUE(l.rangs.empty());
    EXPECT_EQ(l.resultat, "le calque");
    EXPECT_EQ(l.sortie, "fichier d'annot :" + avant + "\n");

    auto apres = d.ecrire("apres.ann", "0:0 Fissure\ntexte\n0:*\nle calque\n0:1 Regard\nt\n");
    l = lire(apres, "0:*");
    EXPECT_EQ(l.rangs, (Rangs{"Fissure"}));
    EXPECT_EQ(l.resultat, "le calque");
    EXPECT_EQ(l.sortie, "fichier d'annot :" + apres + "\nle rang0:*\n");
}

TEST(LireAnnot, TitreEtCleAPlusieursChiffres) {
    DossierTemporaire d;
    auto f = d.ecrire("plan.ann", "0:10 Titre\ndix\n0:1 Un\nun\n");
    auto l = lire(f, "0:*");
    EXPECT_EQ(l.rangs, (Rangs{" Titre", "Un"}));
    // The lookup takes the first header that begins with the key.
    EXPECT_EQ(lire(f, "0:1").resultat, "dix");
}

TEST(LireAnnot, TreizeCalques) {
    DossierTemporaire d;
    auto f = d.ecrire("plan.ann", "12:0 Titre\ntexte\n");
    EXPECT_EQ(lire(f, "12:*").rangs, (Rangs{"Titre"}));
    EXPECT_EQ(lire(f, "2:*").rangs, (Rangs{" Titre"}));
    EXPECT_TRUE(lire(f, "1:*").rangs.empty());
    EXPECT_EQ(lire(f, "12:0").resultat, "texte");
}

TEST(LireAnnot, LigneDeTexteContenantLaSouche) {
    // A text line containing "3:" after a header not taken in layer 3's
    // pass becomes a row, and the line after it, here layer 3's own
    // header, is dropped without a "le rang" line.
    DossierTemporaire d;
    auto f = d.ecrire("plan.ann", "0:0 Note\nvoir 3:2 plus loin\n3:0 Regard\ntexte du regard\n");
    auto l = lire(f, "3:*");
    EXPECT_EQ(l.rangs, (Rangs{" 3:2 plus loin"}));
    EXPECT_EQ(l.sortie, "fichier d'annot :" + f + "\nle rang3:*\nle rang3:*\nle rang3:*\n");
}

TEST(LireAnnot, EnteteTropCourtDonneUnTitreVide) {
    DossierTemporaire d;
    auto f = d.ecrire("plan.ann", "x0:\ntexte\n0:0\ntexte\n0:0 \nt\n");
    auto l = lire(f, "0:*");
    EXPECT_EQ(l.rangs, (Rangs{"", "", ""}));
}

TEST(LireAnnot, CleSurLaDerniereLigne) {
    DossierTemporaire d;
    auto f = d.ecrire("plan.ann", "0:0 Fissure\nAncien texte\n0:1 Regard");
    auto l = lire(f, "0:1");
    EXPECT_EQ(l.resultat, "");
    EXPECT_EQ(lire(d.ecrire("b.ann", "0:1 Regard\n"), "0:1").resultat, "");
    // In a pass, the layer header on the last line.
    EXPECT_EQ(lire(d.ecrire("c.ann", "0:0 A\na\n0:*"), "0:*").resultat, "");
}

TEST(LireAnnot, RetoursChariotEtOctetsGardes) {
    DossierTemporaire d;
    auto f = d.ecrire("plan.ann", "0:0 Fen\xc3\xaatre\r\nTexte \xe9t\xe9\r\n");
    auto l = lire(f, "0:*");
    EXPECT_EQ(l.rangs, (Rangs{"Fen\xc3\xaatre\r"}));
    EXPECT_EQ(lire(f, "0:0").resultat, "Texte \xe9t\xe9\r");
}

TEST(LireAnnot, FichierAbsentOuNonDonne) {
    auto l = lire("/nonexistent/plan.ann", "0:*");
    EXPECT_EQ(l.resultat, "pas d'annotation rentree !");
    EXPECT_EQ(l.sortie, "fichier d'annot :/nonexistent/plan.ann\n");
    EXPECT_EQ(l.erreurs, "Impossible d'ouvrir le fichier d'annotations!\n");
    EXPECT_TRUE(l.rangs.empty());
    // Once per call: each layer of a rebuild gets its own message.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(lire("/nonexistent/plan.ann", std::to_string(i) + ":*").erreurs,
                  "Impossible d'ouvrir le fichier d'annotations!\n");

    auto sansFichier = lire("", "0:0");
    EXPECT_EQ(sansFichier.resultat, "pas de fichier d'annotation!");
    EXPECT_EQ(sansFichier.sortie, "");
    EXPECT_EQ(sansFichier.erreurs, "");
}

TEST(LireAnnot, SansFonctionDAjout) {
    DossierTemporaire d;
    auto f = d.ecrire("plan.ann", "0:0 Fissure\ntexte\n");
    std::ostringstream sortie, erreurs;
    EXPECT_EQ(lireAnnot(f, "0:*", AjouterRang(), sortie, erreurs), "");
    EXPECT_EQ(lireAnnot(f, "0:0", AjouterRang(), sortie, erreurs), "texte");
}

TEST(LireAnnotPlan, AjoutDesRangs) {
    DossierTemporaire d;
    auto f = d.ecrire("annotations.ann",
                      "0:0|Regard\ntexte du regard\n0:1|\ntexte vide\n2:0|Vanne\nvanne\n"
                      "0:*\nle reseau 0\n0:2|Apres\napres\n");
    auto l = lirePlan(f, "0:*", true);
    EXPECT_EQ(l.rangs, (Rangs{"Regard", ""}));
    // Every handled line is printed; the dropped text lines are not. The
    // layer header completes the key and ends the reading.
    EXPECT_EQ(l.sortie, "0:0|Regard\n0:1|\n2:0|Vanne\nvanne\n0:*\n");
    EXPECT_EQ(l.resultat, "pas d'annotation rentree !");
    EXPECT_EQ(l.erreurs, "");

    l = lirePlan(f, "2:*", true);
    EXPECT_EQ(l.rangs, (Rangs{"Vanne"}));
    EXPECT_EQ(lirePlan(f, "4:*", true).rangs, Rangs{});
}

TEST(LireAnnotPlan, RetourDuTexte) {
    DossierTemporaire d;
    auto f = d.ecrire("annotations.ann",
                      "0:0|Regard\ntexte du regard\n1:0|Vanne\ntexte de la vanne\n"
                      "1:0|Encore\nautre\n");
    auto l = lirePlan(f, "1:0", false);
    EXPECT_EQ(l.resultat, "texte de la vanne");
    EXPECT_EQ(l.sortie, "0:0|Regard\ntexte du regard\n1:0|Vanne\n");
    EXPECT_EQ(lirePlan(f, "0:0", false).resultat, "texte du regard");
    EXPECT_EQ(lirePlan(f, "1:1", false).resultat, "pas d'annotation rentree !");
    // A header on the last line gives an empty text.
    EXPECT_EQ(lirePlan(d.ecrire("b.ann", "1:0|Vanne"), "1:0", false).resultat, "");
}

TEST(LireAnnotPlan, CorrespondancePositionParPosition) {
    DossierTemporaire d;
    // '*' matches the end of the line: "0:" completes the key "0:*".
    auto f = d.ecrire("a.ann", "0:\nsuite\n0:0|Jamais\nt\n");
    auto l = lirePlan(f, "0:*", true);
    EXPECT_TRUE(l.rangs.empty());
    EXPECT_EQ(l.sortie, "0:\n");
    // A header without '|' completes the key too.
    f = d.ecrire("b.ann", "0:1 Titre\nt\n0:0|Jamais\nt\n");
    EXPECT_TRUE(lirePlan(f, "0:*", true).rangs.empty());
    // A '|' right after an earlier matching position is a header as well.
    f = d.ecrire("c.ann", "0|Court\ntexte court\n");
    l = lirePlan(f, "0:*", true);
    EXPECT_EQ(l.rangs, (Rangs{"Court"}));
    EXPECT_EQ(lirePlan(f, "0:0", false).resultat, "texte court");
    // Carriage returns stay in titles and texts.
    f = d.ecrire("d.ann", "0:0|Titre\r\ntexte\r\n");
    EXPECT_EQ(lirePlan(f, "0:*", true).rangs, (Rangs{"Titre\r"}));
    EXPECT_EQ(lirePlan(f, "0:0", false).resultat, "texte\r");
}

TEST(LireAnnotPlan, FichierAbsent) {
    auto l = lirePlan("/nonexistent/annotations.ann", "0:*", true);
    EXPECT_EQ(l.resultat, "pas d'annotation rentree !");
    EXPECT_EQ(l.erreurs, "Impossible d'ouvrir le fichier d'annotations!\n");
    EXPECT_EQ(l.sortie, "");
    EXPECT_TRUE(l.rangs.empty());
}
