// tarsin: the full viewer. Standard output (import and paint traces) goes to
// "tarsin.log", bounded; a drawing named on the command line is opened at
// start-up.
#include <gtkmm/main.h>

#include <iostream>

#include "app/tarsin.h"
#include "fichiers/journal.h"
#include "model/trace.h"

int main(int argc, char** argv) {
    std::unique_ptr<TamponJournal> journal = ouvrirJournal(std::cerr);
    std::streambuf* sortieTerminal = nullptr;
    if (journal) sortieTerminal = std::cout.rdbuf(journal.get());
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
    journal.reset();
    return 0;
}
