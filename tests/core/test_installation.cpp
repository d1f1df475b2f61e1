// The build installed into a folder of its own, as `cmake --install` and the
// Debian package lay it out, and its programs run from elsewhere. Checks that
// need a tool of the system (desktop-file-validate, update-mime-database,
// groff, cpack, dpkg-deb) are skipped where it is missing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/dxf.h"
#include "support/fichiers.h"

namespace fs = std::filesystem;

namespace {

class Installation : public ::testing::Test {
  protected:
    DossierTemporaire dossier;
    std::string prefixe = dossier.chemin() + "/prefixe";
    std::string ailleurs = dossier.chemin() + "/ailleurs";

    void SetUp() override {
        const Execution e = installer(prefixe);
        ASSERT_EQ(e.statut, 0) << e.sortie << e.erreurs;
        fs::create_directory(ailleurs);
    }
    std::string installe(const std::string& relatif) const { return prefixe + "/" + relatif; }
    // An installed program run from another folder than the build's.
    Execution lancer(const std::string& nom, const std::vector<std::string>& arguments,
                     const std::vector<std::string>& environnement = {}) const {
        std::vector<std::string> a{installe("bin/" + nom)};
        a.insert(a.end(), arguments.begin(), arguments.end());
        return executer(a, ailleurs, environnement);
    }
};

}  // namespace

// --help and --version of the installed programs; tarsin answers without a
// display, and leaves no log behind.
TEST_F(Installation, AideEtVersionSansAffichage) {
    for (const char* nom : {"tarsin", "tarsin-plan", "tarsin-render"}) {
        const Execution v = lancer(nom, {"--version"}, {"DISPLAY"});
        EXPECT_EQ(v.statut, 0) << nom << v.erreurs;
        EXPECT_EQ(v.sortie, std::string(nom) + " " + TARSIN_VERSION + "\n");
        const Execution h = lancer(nom, {"--help"}, {"DISPLAY"});
        EXPECT_EQ(h.statut, 0) << nom << h.erreurs;
        EXPECT_EQ(h.sortie.rfind(std::string("usage : ") + nom + " ", 0), 0u) << h.sortie;
        EXPECT_EQ(h.erreurs, "") << nom;
    }
    EXPECT_FALSE(fs::exists(ailleurs + "/tarsin.log"));
}

// Every option that a program's help lists is in its manual page, which
// groff formats without a warning.
TEST_F(Installation, PagesDeManuel) {
    const std::string groff = outil("groff");
    for (const char* nom : {"tarsin", "tarsin-plan", "tarsin-render"}) {
        const std::string page = installe(std::string("share/man/man1/") + nom + ".1");
        const std::string texte = std::regex_replace(lireFichier(page), std::regex(R"(\\-)"), "-");
        EXPECT_NE(texte.find(std::string("\"tarsin ") + TARSIN_VERSION + "\""), std::string::npos);
        const std::string aide = lancer(nom, {"--help"}).sortie;
        const std::regex option("--[a-z-]+");
        for (std::sregex_iterator i(aide.begin(), aide.end(), option), fin; i != fin; ++i)
            EXPECT_NE(texte.find(i->str()), std::string::npos) << nom << " " << i->str();
        if (groff.empty()) continue;
        const Execution e = executer({groff, "-man", "-ww", "-z", "-K", "utf8", page});
        EXPECT_EQ(e.statut, 0) << nom;
        EXPECT_EQ(e.erreurs, "") << nom;
    }
}

TEST_F(Installation, EntreeDeBureauEtTypeMime) {
    const std::string valider = outil("desktop-file-validate");
    const std::string mime = outil("update-mime-database");
    if (valider.empty() || mime.empty())
        GTEST_SKIP() << "desktop-file-validate ou update-mime-database absent";
    const Execution e = executer({valider, installe("share/applications/tarsin.desktop")});
    EXPECT_EQ(e.statut, 0) << e.sortie << e.erreurs;
    EXPECT_EQ(e.sortie + e.erreurs, "");
    // The MIME package is read as the system reads it: *.dxf in any case.
    const Execution m = executer({mime, installe("share/mime")});
    ASSERT_EQ(m.statut, 0) << m.erreurs;
    const std::string globs = lireFichier(installe("share/mime/globs2"));
    EXPECT_NE(globs.find(":image/vnd.dxf:*.dxf"), std::string::npos) << globs;
    EXPECT_EQ(globs.find(":cs"), std::string::npos) << globs;
}

// The thumbnailer's command as a file manager runs it: %s the size, %i the
// drawing, %o the picture to write.
TEST_F(Installation, VignetteCommeLaDemandeUnGestionnaireDeFichiers) {
    const std::string entree = lireFichier(installe("share/thumbnailers/tarsin.thumbnailer"));
    std::smatch m;
    ASSERT_TRUE(std::regex_search(entree, m, std::regex("\nExec=([^\n]*)\n"))) << entree;
    EXPECT_NE(entree.find("\nMimeType=image/vnd.dxf;\n"), std::string::npos);
    const std::string aide = lancer("tarsin-render", {"--help"}).sortie;
    auto commande = [&](const std::string& dessin, const std::string& vignette) {
        std::vector<std::string> mots;
        std::istringstream exec(m[1].str());
        for (std::string mot; exec >> mot;) {
            if (mot == "%s") mot = "256";
            if (mot == "%i") mot = dessin;
            if (mot == "%o") mot = vignette;
            // A tarsin-render that does not load images anyway.
            if (mot == "--no-images" && aide.find(mot) == std::string::npos) continue;
            mots.push_back(mots.empty() ? installe("bin/" + mot) : mot);
        }
        return executer(mots, ailleurs);
    };

    const std::string vignette = ailleurs + "/site.png";
    const Execution e = commande(source("samples/site.dxf"), vignette);
    ASSERT_EQ(e.statut, 0) << e.erreurs;
    EXPECT_EQ(e.sortie, "");
    // The whole drawing, fitted: well inked.
    const Png png = lirePng(vignette);
    EXPECT_EQ(png.largeur, 256);
    EXPECT_EQ(png.hauteur, 256);
    EXPECT_GT(png.encres, 2000);

    // A drawing cut short (being copied): the picture of its first part.
    const std::string entier =
        dxf::entites(dxf::ligne(0, 0, 50, 50) + dxf::cercle(5, 5, 2) + dxf::ligne(0, 50, 50, 0));
    const std::string coupe = dossier.ecrire("coupe.dxf", entier.substr(0, entier.rfind("11\n")));
    const Execution k = commande(coupe, ailleurs + "/coupe.png");
    EXPECT_EQ(k.statut, 0) << k.erreurs;
    EXPECT_NE(k.erreurs.find("image incomplete"), std::string::npos) << k.erreurs;
    EXPECT_GT(lirePng(ailleurs + "/coupe.png").encres, 0);

    // A file that is not a drawing: a failure, and no picture at all.
    const std::string casse = dossier.ecrire("casse.dxf", "\x89PNG pas un dessin\n");
    const Execution c = commande(casse, ailleurs + "/casse.png");
    EXPECT_EQ(c.statut, 1) << c.erreurs;
    EXPECT_EQ(c.sortie, "");
    EXPECT_FALSE(fs::exists(ailleurs + "/casse.png"));
    EXPECT_EQ(std::distance(fs::directory_iterator(ailleurs), fs::directory_iterator()), 2);
}

// The Debian package of this build: its fields, and the libraries' packages
// found by dpkg-shlibdeps.
TEST_F(Installation, PaquetDebian) {
    const std::string dpkgDeb = outil("dpkg-deb");
    if (dpkgDeb.empty() || outil("dpkg-shlibdeps").empty())
        GTEST_SKIP() << "dpkg-deb ou dpkg-shlibdeps absent";
    const std::string paquets = dossier.chemin() + "/paquets";
    const Execution e =
        executer({TARSIN_CPACK, "--config", std::string(TARSIN_BIN_DIR) + "/CPackConfig.cmake",
                  "-G", "DEB", "-B", paquets},
                 ".", {}, 240);
    ASSERT_EQ(e.statut, 0) << e.sortie << e.erreurs;
    std::string deb;
    for (const auto& f : fs::directory_iterator(paquets))
        if (f.path().extension() == ".deb") deb = f.path();
    ASSERT_FALSE(deb.empty()) << e.sortie;
    EXPECT_EQ(
        fs::path(deb).filename().string().rfind(std::string("tarsin_") + TARSIN_VERSION + "_", 0),
        0u);
    const std::string info = executer({dpkgDeb, "--info", deb}).sortie;
    std::smatch depends;
    ASSERT_TRUE(std::regex_search(info, depends, std::regex("\n Depends: ([^\n]*)"))) << info;
    for (const char* p : {"libgtkmm-2.4", "libdxflib", "libcairomm-1.0"})
        EXPECT_NE(depends[1].str().find(p), std::string::npos) << p << " : " << depends[1];
    for (const char* champ : {" Section: graphics\n", " Package: tarsin\n",
                              " Version: " TARSIN_VERSION "\n", " Maintainer: "})
        EXPECT_NE(info.find(champ), std::string::npos) << champ << info;
    // Every file in its usual place, laid out as by cmake --install.
    const std::string contenu = executer({dpkgDeb, "--contents", deb}).sortie;
    for (const char* f :
         {"bin/tarsin", "bin/tarsin-plan", "bin/tarsin-render", "share/tarsin/icon.gif",
          "share/icons/hicolor/32x32/apps/tarsin.png", "share/icons/hicolor/48x48/apps/tarsin.png",
          "share/applications/tarsin.desktop", "share/mime/packages/tarsin.xml",
          "share/thumbnailers/tarsin.thumbnailer", "share/man/man1/tarsin.1",
          "share/man/man1/tarsin-plan.1", "share/man/man1/tarsin-render.1"})
        EXPECT_NE(contenu.find(std::string(" ./usr/") + f + "\n"), std::string::npos) << f;
}
