// tarsin: the full viewer. Standard output (import and paint traces) goes to
// "tarsin.log"; a drawing named on the command line is opened at start-up.
#include <gtkmm/main.h>

#include <fstream>
#include <iostream>

#include "app/tarsin.h"
#include "model/trace.h"

int main(int argc, char** argv) {
    std::ofstream journal("tarsin.log", std::ios::out | std::ios::trunc);
    std::streambuf* sortieTerminal = nullptr;
    if (journal.is_open()) {
        sortieTerminal = std::cout.rdbuf(journal.rdbuf());
    } else {
        std::cerr << "tarsin.log n'a pas pu etre cree : la sortie reste sur la sortie standard."
                  << std::endl;
    }
    Trace::installerVidageSurSignal();
    {
        Gtk::Main kit(argc, argv);
        Tarsin fenetre;
        poserIcone(fenetre, "icon.gif");
        fenetre.maximize();
        // Taken after the toolkit has removed the options it knows.
        if (argc > 1) fenetre.ouvrir(argv[1]);
        Gtk::Main::run(fenetre);
    }
    // The window wrote its last trace lines as it was destroyed.
    std::cout.flush();
    if (sortieTerminal) std::cout.rdbuf(sortieTerminal);
    journal.close();
    return 0;
}
