// tarsin-render as a thumbnailer runs it: a square of the asked size, an
// output that appears whole or not at all, bounds of time and memory.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/dxf.h"
#include "support/fichiers.h"
#include "support/hostiles.h"

namespace fs = std::filesystem;

namespace {

Execution rendre(std::vector<std::string> arguments,
                 const std::vector<std::string>& environnement = {}) {
    arguments.insert(arguments.begin(), programme("tarsin-render"));
    return executer(arguments, ".", environnement);
}

// Blocks B1..B12, each inserting the one before ten times: the painters walk
// 20 million objects before they give up, which takes far more than a second.
std::string dessinInterminable() {
    std::string blocs = dxf::bloc("B0", 0, 0, dxf::ligne(0, 0, 10, 0));
    for (int i = 1; i <= 12; ++i) {
        std::string corps;
        for (int k = 0; k < 10; ++k) corps += dxf::insert("B" + std::to_string(i - 1), 0, 0);
        blocs += dxf::bloc("B" + std::to_string(i), 0, 0, corps);
    }
    return dxf::fichier(dxf::blocs(blocs) + dxf::section("ENTITIES", dxf::insert("B12", 5, 5)));
}

std::vector<std::string> contenu(const std::string& dossier) {
    std::vector<std::string> noms;
    for (const auto& f : fs::directory_iterator(dossier)) noms.push_back(f.path().filename());
    std::sort(noms.begin(), noms.end());
    return noms;
}

}  // namespace

TEST(TarsinRenderSortie, TailleCarreeEtVersion) {
    DossierTemporaire d;
    const std::string dessin = d.ecrire("plan.dxf", dxf::entites(dxf::ligne(0, 0, 50, 50)));
    const Execution e = rendre({"--quiet", "--size", "128", dessin, d.chemin() + "/v.png"});
    ASSERT_EQ(e.statut, 0) << e.erreurs;
    const Png png = lirePng(d.chemin() + "/v.png");
    EXPECT_EQ(png.largeur, 128);
    EXPECT_EQ(png.hauteur, 128);
    // Only the picture: no temporary file left beside it.
    EXPECT_EQ(contenu(d.chemin()), (std::vector<std::string>{"plan.dxf", "v.png"}));

    const Execution v = rendre({"--version"});
    EXPECT_EQ(v.statut, 0);
    EXPECT_EQ(v.sortie, std::string("tarsin-render ") + TARSIN_VERSION + "\n");
}

// Stopped by a bound, the program leaves the folder as it was: a file that
// was already at the output path keeps its content, and no temporary file
// is left, in any of the three formats.
TEST(TarsinRenderSortie, TempsDepasseSansFichierLaisse) {
    DossierTemporaire d;
    const std::string dessin = d.ecrire("long.dxf", dessinInterminable());
    for (const char* nom : {"v.png", "v.svg", "v.pdf"}) {
        const std::string sortie = d.ecrire(nom, "ANCIEN");
        const Execution e = rendre({"--quiet", "--max-seconds", "1", dessin, sortie});
        EXPECT_EQ(e.statut, 1) << nom << e.erreurs;
        EXPECT_NE(e.erreurs.find("arret apres 1 s"), std::string::npos) << e.erreurs;
        EXPECT_EQ(lireFichier(sortie), "ANCIEN") << nom;
        EXPECT_EQ(contenu(d.chemin()), (std::vector<std::string>{"long.dxf", nom}));
        fs::remove(sortie);
    }
}

TEST(TarsinRenderSortie, MemoireDepasseeSansFichierLaisse) {
    DossierTemporaire d;
    const std::string dessin = d.ecrire("plan.dxf", dxf::entites(dxf::ligne(0, 0, 50, 50)));
    // A picture of 14000 x 14000 pixels takes 750 MiB. The sanitizers'
    // allocator is told to refuse it as the system's does.
    const Execution e =
        rendre({"--quiet", "--max-memory", "64", "--size", "14000", dessin, d.chemin() + "/v.png"},
               {"ASAN_OPTIONS=allocator_may_return_null=1"});
    EXPECT_EQ(e.statut, 1) << e.erreurs;
    EXPECT_EQ(contenu(d.chemin()), std::vector<std::string>{"plan.dxf"});
}

// A picture written but incomplete: status 3 and one line saying why; with
// --accept-incomplete (the thumbnailer's), status 0 and the same line. Texts
// that could break cairo are painted without loss: no such line.
TEST(TarsinRenderSortie, ImageIncompleteEcriteEtDite) {
    DossierTemporaire d;
    const std::string ligne = dxf::ligne(0, 0, 50, 50);
    const std::string entier = dxf::entites(ligne + dxf::cercle(5, 5, 2) + ligne);
    std::string chaine = dxf::bloc("B0", 0, 0, ligne);
    for (int i = 1; i < 1100; ++i)
        chaine += dxf::bloc("B" + std::to_string(i), 0, 0,
                            dxf::insert("B" + std::to_string(i - 1), 0, 0));
    const std::string textes =
        dxf::texte(10, 10, 1e5, "Enorme") + dxf::texte(10, 20, 1e300, "Infini") +
        dxf::texte(10, 30, 12, "\\U+FFFFx") + dxf::insert("T", 10, 40, 1e6, 1) + ligne;
    struct Cas {
        std::string contenu;
        std::vector<std::string> options;
        int statut;
        std::string message;  // empty: nothing on the error stream
    };
    const Cas cas[] = {
        {entier, {}, 0, ""},
        {entier.substr(0, entier.rfind("11\n")), {}, 3, "s'arrete avant sa fin"},
        {entier.substr(0, entier.rfind("11\n")), {"--accept-incomplete"}, 0, "s'arrete avant"},
        {dxf::fichier(dxf::blocs(chaine) +
                      dxf::section("ENTITIES", dxf::insert("B1099", 0, 0) + ligne)),
         {},
         3,
         "des blocs imbriques trop profondement ne sont pas dessines"},
        {dxf::fichier(dxf::blocs(dxf::bloc("T", 0, 0, dxf::texte(0, 0, 5, "Etire"))) +
                      dxf::section("ENTITIES", textes)),
         {"--scale", "1"},
         0,
         ""},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.message);
        const std::string dessin = d.ecrire("plan.dxf", k.contenu);
        std::vector<std::string> a{"--quiet", "--size", "64", dessin, d.chemin() + "/v.png"};
        a.insert(a.end(), k.options.begin(), k.options.end());
        const Execution e = rendre(a);
        EXPECT_EQ(e.statut, k.statut) << e.erreurs;
        EXPECT_GT(lirePng(d.chemin() + "/v.png").encres, 0);
        if (k.message.empty()) {
            EXPECT_EQ(e.erreurs, "");
            continue;
        }
        const std::string debut = "tarsin-render : image incomplete " + d.chemin();
        const std::size_t i = e.erreurs.find(debut);
        ASSERT_NE(i, std::string::npos) << e.erreurs;
        EXPECT_EQ(e.erreurs.find("image incomplete", i + debut.size()), std::string::npos);
        EXPECT_NE(e.erreurs.find(k.message, i), std::string::npos) << e.erreurs;
    }
}

// An output that is not a regular file is refused before anything is read
// or written: a pipe does not block, a link (dangling or not) is not written
// through, and the folder is left as it was.
TEST(TarsinRenderSortie, SortiesQuiNeSontPasDesFichiers) {
    DossierTemporaire d;
    const std::string dessin = d.ecrire("plan.dxf", dxf::entites(dxf::ligne(0, 0, 50, 50)));
    const std::string& c = d.chemin();
    ASSERT_EQ(mkfifo((c + "/tube.png").c_str(), 0600), 0);
    fs::create_symlink(c + "/cible.png", c + "/pendant.png");
    fs::create_symlink(dessin, c + "/lien.svg");
    fs::create_directory(c + "/dossier.pdf");
    const std::vector<std::string> avant = contenu(c);
    for (auto [nom, raison] : {std::pair{"tube.png", "ce n'est pas un fichier ordinaire"},
                               {"pendant.png", "c'est un lien symbolique"},
                               {"lien.svg", "c'est un lien symbolique"},
                               {"dossier.pdf", "c'est un dossier"}}) {
        const Execution e = rendre({"--quiet", "--max-seconds", "2", dessin, c + "/" + nom});
        EXPECT_EQ(e.statut, 1) << nom;
        EXPECT_NE(e.erreurs.find(std::string(nom) + " : " + raison), std::string::npos)
            << e.erreurs;
        EXPECT_EQ(contenu(c), avant);
    }
    EXPECT_EQ(fs::read_symlink(c + "/lien.svg"), dessin);
}

// The thumbnailer's bound of memory on a drawing of hatch edges and of many
// fonts (cairo's rasteriser, given a refusal in the fill, used to crash
// there): whatever the bound, the picture whole, or status 1 with the one
// line of the bound and nothing left in the folder; never a crash.
TEST(TarsinRenderSortie, BorneDeMemoireSansPlantage) {
    DossierTemporaire d;
    std::string bords = dxf::paire(0, "HATCH") + dxf::paire(8, "0") + dxf::paire(70, 1) +
                        dxf::paire(91, 1) + dxf::paire(92, 1) + dxf::paire(93, 6000);
    for (int i = 0; i < 6000; ++i)
        bords += dxf::paire(72, 2) + dxf::paire(10, i % 500) + dxf::paire(20, 0) +
                 dxf::paire(40, 200) + dxf::paire(50, 0) + dxf::paire(51, 360) + dxf::paire(73, 1);
    bords += dxf::paire(97, 0) + dxf::paire(75, 0) + dxf::paire(76, 1) + dxf::paire(98, 0);
    for (int i = 0; i < 100; ++i)
        bords += dxf::paire(0, "MTEXT") + dxf::paire(8, "0") + dxf::paire(10, i) +
                 dxf::paire(20, 5) + dxf::paire(40, 2.0) +
                 dxf::paire(1, "{\\fPolice" + std::to_string(i) + "|b1;Texte}");
    const std::string dessin = d.ecrire("plan.dxf", dxf::entites(bords));
    for (const char* mio : {"16", "24", "32", "48", "512"}) {
        const Execution e = rendre({"--quiet", "--no-images", "--accept-incomplete", "--max-memory",
                                    mio, "--size", "64", dessin, d.chemin() + "/v.png"},
                                   {"ASAN_OPTIONS=allocator_may_return_null=1"});
        const std::vector<std::string> seul{"plan.dxf"}, vignette{"plan.dxf", "v.png"};
        if (e.statut == 0) {
            EXPECT_EQ(contenu(d.chemin()), vignette);
            fs::remove(d.chemin() + "/v.png");
            continue;
        }
        EXPECT_EQ(e.statut, 1) << mio << e.erreurs;
        EXPECT_NE(e.erreurs.find("memoire"), std::string::npos) << mio << e.erreurs;
        EXPECT_EQ(contenu(d.chemin()), seul) << mio;
    }
}

// 1,000 lines 2 million pixels long in a line type of a period of 3.75
// pixels: cut to the view, their dashes as cairo's dash arrays; the files
// stay small (cairo once ran out of memory on them).
TEST(TarsinRenderSortie, TiretsFinsEnPdfEtSvg) {
    DossierTemporaire d;
    const std::string dessin =
        d.ecrire("fin.dxf", hostiles::lignesParUnPoint(1000, 4010, "FIN", 0.0075));
    for (const std::string nom : {"/v.pdf", "/v.svg"}) {
        const Execution e =
            rendre({"--quiet", "--window", "-1", "-1", "1", "1", dessin, d.chemin() + nom});
        EXPECT_EQ(e.statut, 0) << e.erreurs;
        EXPECT_LT(fs::file_size(d.chemin() + nom), 1u << 20) << nom;
    }
}
