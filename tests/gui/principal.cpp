// The window tests' entry: an X server of their own, then the toolkit.
#include <gtest/gtest.h>

#include <gtkmm/main.h>

#include <iostream>

#include "ecran.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
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
