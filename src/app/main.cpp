// tarsin: the full viewer. Standard output (import and paint traces) goes to
// "tarsin.log"; a drawing named on the command line is opened at start-up.
#include <gtkmm/main.h>

#include <fstream>
#include <iostream>

#include "app/tarsin.h"
#include "demarrage/icone.h"
#include "demarrage/options.h"
#include "model/trace.h"

int main(int argc, char** argv) {
    // Answered before the log is opened and without a display.
    if (const auto fin = repondreAideOuVersion(argc, argv, "tarsin", kAideTarsin)) return *fin;
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
        poserIcone(fenetre, cheminIcone());
        fenetre.maximize();
        // Taken after the toolkit has removed the options it knows.
        const std::string dessin = dessinDemande(argc, argv);
        if (!dessin.empty()) fenetre.ouvrir(dessin);
        Gtk::Main::run(fenetre);
    }
    // The window wrote its last trace lines as it was destroyed.
    std::cout.flush();
    if (sortieTerminal) std::cout.rdbuf(sortieTerminal);
    journal.close();
    return 0;
}
