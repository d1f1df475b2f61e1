// What the programs do first: --help and --version, tarsin's drawing, where
// the window icon is found.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "demarrage/icone.h"
#include "demarrage/options.h"
#include "support/fichiers.h"

namespace fs = std::filesystem;

namespace {

// argv of a command line, the program's name first.
struct Ligne {
    std::vector<std::string> mots;
    std::vector<char*> argv;
    explicit Ligne(std::vector<std::string> m) : mots(std::move(m)) {
        mots.insert(mots.begin(), "tarsin");
        for (auto& mot : mots) argv.push_back(mot.data());
        argv.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(mots.size()); }
};

// The working folder changed for a test's lifetime.
struct DansDossier {
    std::string avant = fs::current_path().string();
    explicit DansDossier(const std::string& d) { fs::current_path(d); }
    ~DansDossier() { fs::current_path(avant); }
};

}  // namespace

TEST(Demarrage, AideEtVersion) {
    const std::string version = std::string("tarsin ") + TARSIN_VERSION + "\n";
    struct Cas {
        std::vector<std::string> arguments;
        const char* attendu;  // null: no answer, the program goes on
    } cas[] = {
        {{}, nullptr},
        {{"plan.dxf"}, nullptr},
        {{"--help"}, "AIDE"},
        {{"-h"}, "AIDE"},
        {{"plan.dxf", "--help"}, "AIDE"},
        {{"--version"}, version.c_str()},
        {{"--sync", "--version", "--help"}, version.c_str()},
        {{"--", "--help"}, nullptr},  // a drawing named --help
    };
    for (const Cas& c : cas) {
        Ligne l(c.arguments);
        std::ostringstream sortie;
        const auto fin = repondreAideOuVersion(l.argc(), l.argv.data(), "tarsin", "AIDE", sortie);
        EXPECT_EQ(fin.value_or(-1), c.attendu ? 0 : -1) << l.mots.size();
        EXPECT_EQ(sortie.str(), c.attendu ? c.attendu : "");
    }
}

TEST(Demarrage, DessinDemande) {
    struct Cas {
        std::vector<std::string> arguments;
        std::string dessin, message;
    } cas[] = {
        {{}, "", ""},
        {{"a.dxf"}, "a.dxf", ""},
        {{"--", "-a.dxf"}, "-a.dxf", ""},
        {{"a.dxf", "b.dxf", "c.dxf"},
         "a.dxf",
         "tarsin : plusieurs dessins donnes, seul le premier est ouvert : a.dxf (ignores : b.dxf "
         "c.dxf).\n"},
        {{"a.dxf", "--", "b.dxf"}, "a.dxf", "(ignores : b.dxf)"},
    };
    for (const Cas& c : cas) {
        Ligne l(c.arguments);
        std::ostringstream erreurs;
        EXPECT_EQ(dessinDemande(l.argc(), l.argv.data(), erreurs), c.dessin);
        if (c.message.empty())
            EXPECT_EQ(erreurs.str(), "");
        else
            EXPECT_NE(erreurs.str().find(c.message), std::string::npos) << erreurs.str();
    }
}

TEST(Demarrage, EmplacementsDeLIcone) {
    EXPECT_EQ(emplacementsIcone(""), std::vector<std::string>{"icon.gif"});
    EXPECT_EQ(emplacementsIcone("/opt/t/bin/tarsin"),
              (std::vector<std::string>{"icon.gif", "/opt/t/share/tarsin/icon.gif"}));
    // Run from the build folder: the source tree's icon last.
    const auto construction = emplacementsIcone(programme("tarsin"));
    ASSERT_EQ(construction.size(), 3u);
    EXPECT_EQ(construction[2], source("samples/icon.gif"));
    EXPECT_EQ(cheminProgramme(), fs::canonical("/proc/self/exe").string());
}

TEST(Demarrage, IconeTrouvee) {
    DossierTemporaire d;
    const std::string prefixe = d.chemin() + "/usr";
    fs::create_directories(prefixe + "/share/tarsin");
    fs::create_directories(d.chemin() + "/travail");
    const std::string installee = prefixe + "/share/tarsin/icon.gif";
    DansDossier travail(d.chemin() + "/travail");

    // Nothing anywhere: the working folder's name, whose loading will fail.
    EXPECT_EQ(cheminIcone(prefixe + "/bin/tarsin"), "icon.gif");
    // A folder of that name is not an icon.
    fs::create_directory(installee);
    EXPECT_EQ(cheminIcone(prefixe + "/bin/tarsin"), "icon.gif");
    fs::remove(installee);
    d.ecrire("usr/share/tarsin/icon.gif", "GIF89a");
    EXPECT_EQ(cheminIcone(prefixe + "/bin/tarsin"), installee);
    // The working folder's own icon comes first, as it always did.
    d.ecrire("travail/icon.gif", "GIF89a");
    EXPECT_EQ(cheminIcone(prefixe + "/bin/tarsin"), "icon.gif");
    EXPECT_EQ(cheminIcone(programme("tarsin")), "icon.gif");
    fs::remove(d.chemin() + "/travail/icon.gif");
    EXPECT_EQ(cheminIcone(programme("tarsin")), source("samples/icon.gif"));
}
