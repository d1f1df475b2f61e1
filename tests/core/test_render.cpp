// tarsin-render, run as a program: files written, traces, errors, and real
// drawings made by other programs.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/dxf.h"
#include "support/fichiers.h"

namespace fs = std::filesystem;

namespace {

Execution rendre(const std::vector<std::string>& arguments, const std::string& dossier = ".") {
    std::vector<std::string> a{programme("tarsin-render")};
    a.insert(a.end(), arguments.begin(), arguments.end());
    return executer(a, dossier);
}

const std::string kDessin = dxf::fichier(
    dxf::blocs(dxf::bloc("B", 0, 0, dxf::cercle(0, 0, 20) + dxf::ligne(-20, 0, 20, 0))) +
    dxf::section("ENTITIES", dxf::ligne(0, 0, 300, 200) + dxf::insert("B", 150, 100, 2, 2, 45) +
                                 dxf::texte(20, 250, 20, "Plan du site")));

}  // namespace

TEST(TarsinRender, PngAvecTraces) {
    DossierTemporaire d;
    const std::string dessin = d.ecrire("plan.dxf", kDessin);
    const Execution e = rendre({dessin, d.chemin() + "/plan.png"});
    ASSERT_EQ(e.statut, 0) << e.erreurs;
    EXPECT_EQ(e.erreurs, "");
    // The import trace, then the paint trace.
    const auto import = e.sortie.find("LINE:");
    const auto peinture = e.sortie.find("bloc : __root__\ntranslation a x : 0, y : 0\n\tligne\n");
    ASSERT_NE(import, std::string::npos) << e.sortie;
    ASSERT_NE(peinture, std::string::npos) << e.sortie;
    EXPECT_LT(import, peinture);
    EXPECT_NE(e.sortie.find("\ttexte\n"), std::string::npos);
    EXPECT_NE(
        e.sortie.find("\tbloc : B\n\ttranslation a x : 150, y : 100\n\t\tligne\n\t\tcercle\n"),
        std::string::npos);
    const Png png = lirePng(d.chemin() + "/plan.png");
    EXPECT_EQ(png.largeur, 1000);
    EXPECT_EQ(png.hauteur, 1000);
    EXPECT_GT(png.encres, 300);
}

TEST(TarsinRender, EchelleTailleEtSilence) {
    DossierTemporaire d;
    const std::string dessin = d.ecrire("plan.dxf", kDessin);
    const std::string sortie = d.chemin() + "/petit.PNG";
    const Execution e = rendre({"--quiet", dessin, sortie, "--scale", "0.5", "--size", "200x150"});
    ASSERT_EQ(e.statut, 0) << e.erreurs;
    EXPECT_EQ(e.sortie, "");
    const Png png = lirePng(sortie);
    EXPECT_EQ(png.largeur, 200);
    EXPECT_EQ(png.hauteur, 150);
    EXPECT_GT(png.encres, 100);
}

TEST(TarsinRender, SvgEtPdf) {
    DossierTemporaire d;
    const std::string dessin = d.ecrire("plan.dxf", kDessin);
    ASSERT_EQ(rendre({dessin, d.chemin() + "/plan.svg", "--quiet"}).statut, 0);
    ASSERT_EQ(rendre({dessin, d.chemin() + "/plan.pdf", "--quiet"}).statut, 0);
    const std::string svg = lireFichier(d.chemin() + "/plan.svg");
    const std::string pdf = lireFichier(d.chemin() + "/plan.pdf");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("width=\"1000pt\""), std::string::npos);
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
    EXPECT_GT(pdf.size(), 500u);
}

TEST(TarsinRender, EchantillonDuDepot) {
    DossierTemporaire d;
    const Execution e = rendre({source("samples/site.dxf"), d.chemin() + "/site.png", "--quiet"});
    ASSERT_EQ(e.statut, 0) << e.erreurs;
    EXPECT_GT(lirePng(d.chemin() + "/site.png").encres, 100);
}

TEST(TarsinRender, Erreurs) {
    DossierTemporaire d;
    const std::string dessin = d.ecrire("plan.dxf", kDessin);
    const std::string png = d.chemin() + "/sortie.png";
    // Entities of which nothing can be read: no picture, no success.
    const std::string rien =
        d.ecrire("rien.dxf",
                 dxf::entites(dxf::paire(0, "INSERT") + dxf::paire(8, "0") + dxf::paire(10, 1.0)));
    struct Cas {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Cas> cas = {
        {{rien, png}, "aucune n'a pu etre lue"},
        {{}, "usage"},
        {{dessin}, "usage"},
        {{dessin, png, "en trop"}, "usage"},
        {{d.chemin() + "/absent.dxf", png}, "absent.dxf"},
        {{d.chemin(), png}, d.chemin()},
        {{dessin, d.chemin() + "/sortie.jpg"}, "extension de sortie inconnue"},
        {{dessin, d.chemin() + "/sortie"}, "extension de sortie inconnue"},
        {{dessin, png, "--scale", "0"}, "echelle invalide"},
        {{dessin, png, "--scale", "-2"}, "echelle invalide"},
        {{dessin, png, "--scale", "abc"}, "echelle invalide"},
        {{dessin, png, "--scale", "1e-9"}, "echelle invalide"},
        {{dessin, png, "--window", "0", "0", "1"}, "--window attend"},
        {{dessin, png, "--window", "1", "1", "1", "1"}, "le rectangle est vide"},
        {{dessin, png, "--window", "0", "0", "1", "1", "--scale", "2"}, "s'excluent"},
        {{dessin, png, "--scale"}, "il manque"},
        {{dessin, png, "--size", "0x10"}, "taille invalide"},
        {{dessin, png, "--size", "100x"}, "taille invalide"},
        {{dessin, png, "--size", "100x-5"}, "taille invalide"},
        {{dessin, png, "--size", "40000x40000"}, "taille invalide"},
        {{dessin, png, "--couleur"}, "option inconnue"},
        {{dessin, png, "--no-image"}, "[--no-images]"},
        {{dessin, png, "--fond", "gris"}, "fond invalide"},
        {{dessin, png, "--fond"}, "il manque"},
        {{dessin, png, "--max-seconds", "0"}, "valeur invalide pour --max-seconds"},
        {{dessin, png, "--max-memory", "1.5"}, "valeur invalide pour --max-memory"},
        {{dessin, d.chemin() + "/nulle/part/sortie.png"}, "impossible d'ecrire"},
        {{dessin, d.chemin() + "/nulle/part/sortie.svg"}, "impossible d'ecrire"},
    };
    for (const Cas& c : cas) {
        const Execution e = rendre(c.arguments);
        std::string ligne;
        for (const auto& a : c.arguments) ligne += a + " ";
        EXPECT_NE(e.statut, 0) << ligne;
        EXPECT_LT(e.statut, 128) << ligne << e.erreurs;
        EXPECT_NE(e.erreurs.find(c.message), std::string::npos) << ligne << "\n" << e.erreurs;
        EXPECT_EQ(e.erreurs.rfind("tarsin-render : ", 0), 0u) << e.erreurs;
    }
    EXPECT_FALSE(fs::exists(png));
    EXPECT_FALSE(fs::exists(d.chemin() + "/sortie.jpg"));
}

TEST(TarsinRender, SortieQuiEstUnDossierOuNonInscriptible) {
    DossierTemporaire d;
    const std::string dessin = d.ecrire("plan.dxf", kDessin);
    fs::create_directory(d.chemin() + "/dossier.png");
    Execution e = rendre({dessin, d.chemin() + "/dossier.png"});
    EXPECT_EQ(e.statut, 1);
    EXPECT_NE(e.erreurs.find("impossible d'ecrire"), std::string::npos) << e.erreurs;
    // /dev/full opens but takes no byte: the error shows when writing.
    fs::create_symlink("/dev/full", d.chemin() + "/plein.png");
    e = rendre({dessin, d.chemin() + "/plein.png"});
    EXPECT_EQ(e.statut, 1);
    EXPECT_NE(e.erreurs.find("impossible d'ecrire"), std::string::npos) << e.erreurs;
}

TEST(TarsinRender, ImageDuDessin) {
    DossierTemporaire d;
    // A 10x10 blue picture named by the drawing, relative to the working folder.
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 10, 10);
    cairo_t* c = cairo_create(s);
    cairo_set_source_rgb(c, 0, 0, 1);
    cairo_paint(c);
    cairo_destroy(c);
    cairo_surface_write_to_png(s, (d.chemin() + "/bleu.png").c_str());
    cairo_surface_destroy(s);
    // The same picture saying it is 40000 x 40000 pixels (CRC made right).
    std::string grand = lireFichier(d.chemin() + "/bleu.png");
    grand.replace(16, 8, std::string("\0\0\x9c\x40\0\0\x9c\x40", 8));
    const auto crc =
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(grand.data() + 12), 17));
    for (int i = 0; i < 4; ++i) grand[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    d.ecrire("grand.png", grand);
    const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"9\" height=\"9\"/>";
    d.ecrire("dessin.svg", svg);
    d.ecrire("deguise.png", svg);
    ASSERT_EQ(mkfifo((d.chemin() + "/tube.png").c_str(), 0600), 0);

    struct Cas {
        std::string fichier;
        std::vector<std::string> options;
        long encres;          // -1: the reference painted in the picture's place
        std::string message;  // on the error stream
    };
    const Cas cas[] = {
        {"bleu.png", {}, 2500, ""},
        {"bleu.png", {"--no-images"}, 0, ""},
        {"grand.png", {}, -1, "Image trop grande, non chargee : grand.png (40000 x 40000 pixels"},
        {"dessin.svg", {}, -1, "dessin.svg n'est pas une image PNG, JPEG, TIFF, BMP ou GIF"},
        {"deguise.png", {}, -1, "deguise.png n'est pas une image PNG, JPEG, TIFF, BMP ou GIF"},
        {"tube.png", {}, -1, ""},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.fichier);
        const std::string dessin = d.ecrire(
            "image.dxf", dxf::fichier(dxf::section("ENTITIES", dxf::image("4A", 30, 40, 10, 10)) +
                                      dxf::objets(dxf::imagedef("4A", k.fichier))));
        // A 10-unit square in a 20-unit window: 50 x 50 pixels of 100 x 100.
        std::vector<std::string> a{programme("tarsin-render"),
                                   dessin,
                                   "sortie.png",
                                   "--size",
                                   "100x100",
                                   "--window",
                                   "25",
                                   "35",
                                   "45",
                                   "55"};
        a.insert(a.end(), k.options.begin(), k.options.end());
        // A picture is refused before its pixels are decoded: under the
        // sanitizers, an allocation over 100 MB would end the program.
        const Execution e =
            executer(a, d.chemin(),
                     {"ASAN_OPTIONS=max_allocation_size_mb=100:allocator_may_return_null=0"}, 20);
        ASSERT_EQ(e.statut, 0) << e.erreurs;
        const Png png = lirePng(d.chemin() + "/sortie.png");
        if (k.encres >= 0)
            EXPECT_EQ(png.encres, k.encres);
        else
            EXPECT_GT(png.encres, 0);
        EXPECT_EQ(e.sortie.find("\timage\n") == std::string::npos, k.options.size() == 1);
        if (k.message.empty())
            EXPECT_EQ(e.erreurs, "");
        else
            EXPECT_NE(e.erreurs.find(k.message), std::string::npos) << e.erreurs;
    }
}

// Real drawings written by other programs (fetched by the corpus script):
// every one is painted without a crash; a readable one gives a picture.
TEST(TarsinRender, CorpusDeFichiersReels) {
    std::string dossier;
    if (const char* env = std::getenv("TARSIN_CORPUS"); env && *env)
        dossier = env;
    else
        dossier = source("corpus");
    if (!fs::is_directory(dossier)) GTEST_SKIP() << "pas de corpus dans " << dossier;
    std::vector<std::string> fichiers;
    for (const auto& f : fs::recursive_directory_iterator(dossier)) {
        std::string ext = f.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (f.is_regular_file() && ext == ".dxf") fichiers.push_back(f.path().string());
    }
    if (fichiers.empty()) GTEST_SKIP() << "corpus vide : " << dossier;
    std::sort(fichiers.begin(), fichiers.end());
    DossierTemporaire d;
    int peints = 0, nonBlancs = 0, refuses = 0;
    const auto debut = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < fichiers.size(); ++i) {
        const std::string sortie = d.chemin() + "/" + std::to_string(i) + ".png";
        const Execution e = rendre({fichiers[i], sortie, "--quiet", "--size", "400x400"});
        ASSERT_LT(e.statut, 128) << fichiers[i] << "\n" << e.erreurs;
        ASSERT_NE(e.statut, -1) << fichiers[i] << " : trop long";
        // 3: a picture written but incomplete (a file cut short), said so.
        if (e.statut == 0 || e.statut == 3) {
            ++peints;
            if (e.statut == 3) {
                EXPECT_NE(e.erreurs.find("image incomplete"), std::string::npos);
            }
            const Png png = lirePng(sortie);
            EXPECT_EQ(png.largeur, 400) << fichiers[i];
            nonBlancs += png.encres > 0;
        } else {
            // Unreadable: said in a sentence, not a crash.
            ++refuses;
            EXPECT_EQ(e.statut, 1) << fichiers[i];
            EXPECT_GT(e.erreurs.size(), 20u) << fichiers[i];
        }
    }
    const double secondes =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    std::cout << fichiers.size() << " fichiers : " << peints << " peints (" << nonBlancs
              << " non blancs), " << refuses << " refuses, en " << secondes << " s\n";
    EXPECT_GT(peints, static_cast<int>(fichiers.size()) / 2);
    // Drawings are not fitted to the window: those far from the origin come
    // out blank, but most real drawings have something near it.
    EXPECT_GT(nonBlancs, peints / 3);
}

TEST(TarsinRender, TracesDeLEchantillonInchangees) {
    // The import and paint traces of the bundled sample, byte for byte.
    DossierTemporaire d;
    const Execution e = rendre({source("samples/site.dxf"), d.chemin() + "/site.png"});
    ASSERT_EQ(e.statut, 0) << e.erreurs;
    EXPECT_TRUE(e.sortie == lireFichier(source("tests/traces/site.trace")))
        << "la trace differe de tests/traces/site.trace";
}
