// tarsin: the full viewer. Standard output (import and paint traces) goes to
// "tarsin.log", bounded; a drawing named on the command line is opened at
// start-up.
#include <gtkmm/main.h>

#include <iostream>

#include "app/tarsin.h"
#include "demarrage/icone.h"
#include "demarrage/options.h"
#include "fichiers/fichier_provisoire.h"
#include "fichiers/journal.h"
#include "model/trace.h"
#include "ui/reglages.h"

int main(int argc, char** argv) {
    // Answered before the log is opened and without a display.
    if (const auto fin = repondreAideOuVersion(argc, argv, "tarsin", kAideTarsin)) return *fin;
    std::unique_ptr<TamponJournal> journal = ouvrirJournal(std::cerr);
    std::streambuf* sortieTerminal = nullptr;
    if (journal) {
        Trace::declarerDescripteur(journal.get(), journal->descripteur());
        sortieTerminal = std::cout.rdbuf(journal.get());
    }
    Trace::installerVidageSurSignal();
    // A picture being exported leaves no temporary file when the window is
    // ended by a signal.
    supprimerFichierProvisoireSurSignal();
    {
        Gtk::Main kit(argc, argv);
        Tarsin fenetre;
        // What the last run kept: the background, the window's size when
        // it is not maximized, the left column's width.
        const Reglages reglages = lireReglages();
        if (reglages.largeur > 0) fenetre.set_default_size(reglages.largeur, reglages.hauteur);
        if (reglages.colonne > 0) fenetre.setLargeurColonne(reglages.colonne);
        fenetre.setFondNoir(reglages.fondNoir);
        poserIcone(fenetre, cheminIcone());
        fenetre.maximize();
        // Taken after the toolkit has removed the options it knows.
        const std::string dessin = dessinDemande(argc, argv);
        if (!dessin.empty()) fenetre.lancerOuverture(dessin);
        Gtk::Main::run(fenetre);
        Reglages fin = lireReglages();
        fenetre.get_size(fin.largeur, fin.hauteur);
        fin.colonne = fenetre.getLargeurColonne();
        ecrireReglages(fin);
    }
    // The window wrote its last trace lines as it was destroyed.
    std::cout.flush();
    if (sortieTerminal) std::cout.rdbuf(sortieTerminal);
    journal.reset();
    return 0;
}
