#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
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

// ------------------------------------------------------------- hostile files

namespace {

// Every layer key of a rebuild, read once from the index and once by the
// walk of the whole file: rows, results and both streams.
std::vector<Lecture> toutesLesCles(const std::string& fichier, std::size_t calques,
                                   std::size_t indexes) {
    std::vector<Lecture> l(calques);
    std::ostringstream erreursLecture;
    FichierAnnotations annotations(fichier, indexes, erreursLecture);
    for (std::size_t i = 0; i < calques; ++i) {
        std::ostringstream sortie, erreurs;
        l[i].resultat = annotations.lireAnnot(
            std::to_string(i) + ":*", [&](const std::string& t) { l[i].rangs.push_back(t); },
            sortie, erreurs);
        l[i].sortie = sortie.str();
        l[i].erreurs = erreurs.str();
    }
    return l;
}

bool operator==(const Lecture& a, const Lecture& b) {
    return a.rangs == b.rangs && a.resultat == b.resultat && a.sortie == b.sortie &&
           a.erreurs == b.erreurs;
}

}  // namespace

TEST(FichierAnnotations, LIndexDonneCeQueDonneLaLectureDeToutLeFichier) {
    // Headers before and after the layer header, keys in texts, numbers that
    // hold other numbers ("12:" holds "2:"), leading zeros, a header on the
    // last line, a text line holding a key right after a header.
    const char* const fichiers[] = {
        "0:0 Fissure\ntexte\n0:1 Regard\nt\n1:0 Un\nu\n",
        "0:*\nle calque\n0:0 Fissure\ntexte\n",
        "0:0 Note\nvoir 3:2 plus loin\n3:0 Regard\ntexte du regard\n3:* calque\nx\n",
        "12:0 Titre\ntexte\n02:0 zero\n2:1 deux\n012:5\n",
        "1:0 a\n1:1 b\n1:2 c\n1:3 d\n1:*",
        "x0:\ntexte\n0:0\n\n\n10:0 dix\r\n1:0:0 deux fois\n0:",
        "",
    };
    DossierTemporaire d;
    for (const char* contenu : fichiers) {
        SCOPED_TRACE(contenu);
        const std::string f = d.ecrire("plan.ann", contenu);
        const auto parIndex = toutesLesCles(f, 14, 14);
        const auto parLecture = toutesLesCles(f, 14, 0);
        for (std::size_t i = 0; i < parIndex.size(); ++i)
            EXPECT_TRUE(parIndex[i] == parLecture[i]) << "calque " << i << "\n"
                                                      << parIndex[i].sortie << "\n"
                                                      << parLecture[i].sortie;
    }
}

TEST(FichierAnnotations, LuUneSeuleFoisEtVitePourBeaucoupDeCalques) {
    DossierTemporaire d;
    const std::string f = d.ecrire("plan.ann", "39999:0 Dernier\ntexte\n7:0 Sept\nt\n");
    const auto debut = std::chrono::steady_clock::now();
    std::ostringstream sortie, erreurs;
    FichierAnnotations annotations(f, 40000, erreurs);
    // The file changes after it was read: the rebuild does not see it.
    d.ecrire("plan.ann", "0:0 Autre\nt\n");
    std::vector<std::string> rangs;
    for (int i = 0; i < 40000; ++i)
        annotations.lireAnnot(
            std::to_string(i) + ":*", [&](const std::string& t) { rangs.push_back(t); }, sortie,
            erreurs);
    EXPECT_LT(std::chrono::steady_clock::now() - debut, std::chrono::seconds(10));
    // "39999:" holds "9:", "99:"... too: each of those layers has a row.
    EXPECT_EQ(rangs,
              (Rangs{"Sept", "9:0 Dernier", ":0 Dernier", "0 Dernier", " Dernier", "Dernier"}));
    EXPECT_EQ(erreurs.str(), "");
    // A line per call, a line per line examined: four, three with a row.
    const std::string s = sortie.str();
    EXPECT_EQ(std::count(s.begin(), s.end(), '\n'), 40000 * 5 - 6);
}

TEST(FichierAnnotations, FichiersQuiNeSontPasOrdinairesRefusesSansAttendre) {
    DossierTemporaire d;
    const std::string tube = d.chemin() + "/tube.ann";
    ASSERT_EQ(mkfifo(tube.c_str(), 0600), 0);
    const std::string lien = d.chemin() + "/zero.ann";
    std::filesystem::create_symlink("/dev/zero", lien);
    // Over the size limit: sparse, so it costs nothing to make.
    const std::string gros = d.ecrire("gros.ann", "0:0 Titre\ntexte\n");
    std::filesystem::resize_file(gros, kTailleMaxAnnotations + 1);
    for (const std::string& f : {tube, lien, d.chemin(), gros}) {
        SCOPED_TRACE(f);
        const auto debut = std::chrono::steady_clock::now();
        const auto l = lire(f, "0:*");
        const auto p = lirePlan(f, "0:*", true);
        EXPECT_LT(std::chrono::steady_clock::now() - debut, std::chrono::seconds(5));
        EXPECT_EQ(l.resultat, "pas d'annotation rentree !");
        EXPECT_EQ(l.sortie, "fichier d'annot :" + f + "\n");
        const std::string trop =
            f == gros ? "Le fichier d'annotations " + gros + " depasse 16 Mo : il n'est pas lu.\n"
                      : "";
        EXPECT_EQ(l.erreurs, trop + "Impossible d'ouvrir le fichier d'annotations!\n");
        EXPECT_EQ(p.erreurs, l.erreurs);
        EXPECT_TRUE(l.rangs.empty() && p.rangs.empty());
    }
}

TEST(FichierAnnotations, LignesTropLonguesCoupees) {
    // 64 KiB kept, short of the UTF-8 character that the cut would split;
    // the lines after stay in their places.
    const std::string e = "\xc3\xa9";
    const std::string titre =
        std::string(kLigneMaxAnnotations - 5, 'x') + e + std::string(9000, 'y');
    const std::string texte = std::string(kLigneMaxAnnotations - 1, 't') + e;
    DossierTemporaire d;
    const std::string f = d.ecrire("plan.ann", "0:0 " + titre + "\n" + texte + "\n0:1 Court\nc\n");
    const std::string plan = d.ecrire("annotations.ann", "0:0|" + titre + "\n" + texte + "\n");
    auto l = lire(f, "0:*");
    EXPECT_EQ(l.rangs, (Rangs{titre.substr(0, kLigneMaxAnnotations - 4 - 1), "Court"}));
    EXPECT_EQ(lire(f, "0:0").resultat, texte.substr(0, kLigneMaxAnnotations - 1));
    EXPECT_EQ(lire(f, "0:1").resultat, "c");
    EXPECT_EQ(lirePlan(plan, "0:*", true).rangs, Rangs{titre.substr(0, kLigneMaxAnnotations - 5)});
    EXPECT_EQ(lirePlan(plan, "0:0", false).resultat, texte.substr(0, kLigneMaxAnnotations - 1));
}

TEST(FichierAnnotations, TitresBornes) {
    // One line of 64 KiB holding "i:" for 1100 layers titles a row under
    // each: 70 MB of titles. The rows stop at the bound, said once.
    std::string ligne;
    for (int i = 0; i < 1100; ++i) ligne += std::to_string(i) + ":";
    ligne.resize(kLigneMaxAnnotations, 'z');
    DossierTemporaire d;
    const std::string f = d.ecrire("plan.ann", ligne + "\n");
    std::ostringstream sortie, erreurs;
    FichierAnnotations annotations(f, 1100, erreurs);
    std::size_t octets = 0, rangs = 0;
    for (int i = 0; i < 1100; ++i)
        annotations.lireAnnot(
            std::to_string(i) + ":*",
            [&](const std::string& t) {
                octets += t.size();
                ++rangs;
            },
            sortie, erreurs);
    EXPECT_LE(octets, FichierAnnotations::kOctetsTitresMax);
    EXPECT_GT(rangs, 900u);
    EXPECT_LT(rangs, 1100u);
    EXPECT_EQ(erreurs.str(), "Fichier d'annotations " + f +
                                 " : plus de 1000000 annotations ou de 64 Mo de titres, les "
                                 "suivantes ne sont pas montrees.\n");
}
