// tarsin.log: never written through a link or into something that is not a
// regular file, and bounded.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <sstream>

#include "fichiers/journal.h"
#include "support/fichiers.h"

TEST(Journal, BorneParUneLigneQuiLeDit) {
    DossierTemporaire d;
    const std::string chemin = d.chemin() + "/j.log";
    struct Cas {
        std::string ecrit;  // written in pieces of three bytes, or whole
        std::string fichier;
    };
    const std::string coupe = TamponJournal::kLigneTronque;
    const Cas cas[] = {
        {"0123456789", "0123456789"},
        {"0123456789a", "0123456789\n" + coupe},
        {"012345678\nab", "012345678\n" + coupe},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.ecrit);
        for (bool morceaux : {true, false}) {
            {
                TamponJournal tampon(creerOrdinaire(chemin), 10);
                std::ostream sortie(&tampon);
                if (morceaux)
                    for (std::size_t i = 0; i < k.ecrit.size(); i += 3)
                        sortie << k.ecrit.substr(i, 3) << std::flush;
                else
                    sortie << k.ecrit << std::flush;
                EXPECT_EQ(tampon.tronque(), k.ecrit.size() > 10);
                // Past the limit the program goes on: writes are taken.
                if (tampon.tronque()) sortie << std::string(100000, 'z') << std::endl;
                EXPECT_TRUE(sortie.good());
            }
            EXPECT_EQ(lireFichier(chemin), k.fichier);
        }
    }
}

TEST(Journal, JamaisAuBoutDUnLienNiDansCeQuiNEstPasUnFichier) {
    DossierTemporaire d;
    struct Cas {
        const char* nom;
        std::string message;
    };
    const Cas cas[] = {
        {"lien",
         "tarsin.log est un lien symbolique, qui n'est pas suivi : la sortie reste sur la "
         "sortie standard.\n"},
        {"lien mort",
         "tarsin.log est un lien symbolique, qui n'est pas suivi : la sortie reste "
         "sur la sortie standard.\n"},
        {"tube", "tarsin.log n'a pas pu etre cree : la sortie reste sur la sortie standard.\n"},
        {"dossier", "tarsin.log n'a pas pu etre cree : la sortie reste sur la sortie standard.\n"},
    };
    const std::string cible = d.ecrire("cible.txt", "a garder\n");
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.nom);
        DossierTemporaire travail;
        const std::string journal = travail.chemin() + "/tarsin.log";
        const std::string nom = k.nom;
        if (nom == "lien") std::filesystem::create_symlink(cible, journal);
        if (nom == "lien mort") std::filesystem::create_symlink(d.chemin() + "/absent", journal);
        if (nom == "tube") {
            ASSERT_EQ(mkfifo(journal.c_str(), 0600), 0);
        }
        if (nom == "dossier") std::filesystem::create_directory(journal);
        std::ostringstream erreurs;
        const auto debut = std::chrono::steady_clock::now();
        EXPECT_EQ(ouvrirJournal(erreurs, travail.chemin()), nullptr);
        EXPECT_LT(std::chrono::steady_clock::now() - debut, std::chrono::seconds(5));
        EXPECT_EQ(erreurs.str(), k.message);
    }
    EXPECT_EQ(lireFichier(cible), "a garder\n");
    EXPECT_FALSE(std::filesystem::exists(d.chemin() + "/absent"));

    // A regular file is emptied and written.
    const std::string ancien = d.ecrire("tarsin.log", "SESSION PRECEDENTE\n");
    std::ostringstream erreurs;
    {
        auto tampon = ouvrirJournal(erreurs, d.chemin());
        ASSERT_NE(tampon, nullptr);
        std::ostream(tampon.get()) << "nouvelle\n";
    }
    EXPECT_EQ(erreurs.str(), "");
    EXPECT_EQ(lireFichier(ancien), "nouvelle\n");
}

TEST(Journal, DossierDEtat) {
    struct Cas {
        const char* etat;  // XDG_STATE_HOME, null when unset
        const char* maison;
        std::string attendu;
    };
    const Cas cas[] = {
        {"/x/etat", "/home/u", "/x/etat/tarsin"},
        {nullptr, "/home/u", "/home/u/.local/state/tarsin"},
        {"relatif", "/home/u", "/home/u/.local/state/tarsin"},
        {"", nullptr, ""},
    };
    const char* etat = std::getenv("XDG_STATE_HOME");
    const char* maison = std::getenv("HOME");
    const std::string etatAvant = etat ? etat : "", maisonAvant = maison ? maison : "";
    for (const Cas& k : cas) {
        k.etat ? setenv("XDG_STATE_HOME", k.etat, 1) : unsetenv("XDG_STATE_HOME");
        k.maison ? setenv("HOME", k.maison, 1) : unsetenv("HOME");
        EXPECT_EQ(dossierEtat(), k.attendu);
    }
    etat ? setenv("XDG_STATE_HOME", etatAvant.c_str(), 1) : unsetenv("XDG_STATE_HOME");
    maison ? setenv("HOME", maisonAvant.c_str(), 1) : unsetenv("HOME");
}
