// The full viewer driven from outside on the bundled sample: an annotation
// row activated from the keyboard shows its text in the annotation view.
#include <gtest/gtest.h>
#include <signal.h>

#include <gtkmm/clipboard.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "ecran.h"
#include "support/fichiers.h"

namespace {

// Presses the keys one by one, with time for the program to take each.
void touches(const std::string& liste) {
    commande("xdotool key --delay 200 " + liste);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

}  // namespace

TEST(AnnotationsTarsin, LigneActiveeMontreSonTexte) {
    // The sample in a folder of its own: the viewer writes its log where it runs.
    DossierTemporaire dossier;
    for (const char* f : {"site.dxf", "site.ann", "plan-photo.png"})
        std::filesystem::copy_file(source(std::string("samples/") + f), dossier.chemin() + "/" + f);

    Lancement tarsin({programme("tarsin"), "site.dxf"}, dossier.chemin());
    const std::string fenetre = attendreFenetre(titreTarsin("site.dxf"));
    ASSERT_FALSE(fenetre.empty()) << "the window of tarsin did not appear";
    commande("xdotool windowfocus --sync " + fenetre);

    // Into the tree, below its rows: the first Down puts the cursor on the
    // first layer row ("0"); "murs" is the sixth layer in byte order. Expand
    // it, go down to its first annotation ("Fissure") and activate it.
    commande("xdotool mousemove 150 600 click 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    touches("Down Down Down Down Down Down plus Down Return");

    // Out of the tree, past "Modifier" and "Supprimer", into the annotation
    // view; selecting its whole text makes the viewer own the primary
    // selection, which this process then reads.
    touches("Tab Tab Tab ctrl+a");
    // The viewer may still be taking the keys when the machine is busy.
    Glib::ustring texte;
    for (int i = 0; i < 20 && texte.empty(); ++i) {
        texte = Gtk::Clipboard::get(GDK_SELECTION_PRIMARY)->wait_for_text();
        if (texte.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    EXPECT_EQ(texte, "Fissure au pied du mur");

    kill(tarsin.pid(), SIGTERM);
    Execution e = tarsin.attendre(20);
    EXPECT_EQ(e.erreurs.find("Impossible d'ouvrir le fichier d'annotations!"), std::string::npos);
    const std::string journal = lireFichier(dossier.chemin() + "/tarsin.log");
    EXPECT_NE(journal.find("fichier d'annot :"), std::string::npos);
    EXPECT_NE(journal.find("site.ann\n"), std::string::npos);
}
