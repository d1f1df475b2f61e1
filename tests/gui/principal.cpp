// The window tests' entry: an X server of their own, a folder of their own
// for the recent files, then the toolkit.
#include <gtest/gtest.h>

#include <gtkmm/main.h>

#include <cstdlib>
#include <iostream>

#include "ecran.h"
#include "support/fichiers.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    // The toolkit's list of recent files, which the viewers add to, kept
    // out of the user's own (the programs started by the tests inherit it).
    DossierTemporaire donnees;
    setenv("XDG_DATA_HOME", donnees.chemin().c_str(), 1);
    EcranVirtuel ecran;
    if (!ecran.pret()) {
        std::cerr << "Xvfb n'a pas pu etre lance.\n";
        return 1;
    }
    int resultat;
    {
        Gtk::Main kit(argc, argv);
        resultat = RUN_ALL_TESTS();
    }
    return resultat;
}
