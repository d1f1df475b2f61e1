// What both viewers' main windows share: the left column with the tree view,
// the three annotation buttons and the annotation text, the drawing pane, the
// toolbar built from an action group, the file chooser and the quit command.
// Each viewer's window derives from it, adds its own tree columns and packs
// the pieces in its own order.
#pragma once

#include <gtkmm/actiongroup.h>
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/buttonbox.h>
#include <gtkmm/filefilter.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/textview.h>
#include <gtkmm/treestore.h>
#include <gtkmm/treeview.h>
#include <gtkmm/uimanager.h>
#include <gtkmm/window.h>

#include <functional>
#include <iostream>
#include <string>
#include <vector>

struct AccesTest;

// Sets the icon of `fenetre` from the image file `fichier`; when it cannot be
// loaded the window goes on without an icon and one line says so on `erreurs`.
void poserIcone(Gtk::Window& fenetre, const std::string& fichier,
                std::ostream& erreurs = std::cerr);

// Makes `filtre` keep the files whose name ends with `extension` (".dxf"),
// in any case.
void filtrerExtension(Gtk::FileFilter& filtre, const char* extension);

class FenetreVisionneuse : public Gtk::Window {
  public:
    ~FenetreVisionneuse() override;

  protected:
    // The toolbar's two actions and the UI definition that places them.
    struct Barre {
        const char* actionOuvrir;
        const char* libelleOuvrir;
        const char* actionQuitter;
        const char* libelleQuitter;
        const char* definition;
        // Written before the toolkit's message when it rejects the definition.
        const char* prefixeErreur;
    };
    // The file chooser's title and the name of its filter that shows every file.
    struct Choix {
        const char* titre;
        const char* nomTousFichiers;
    };

    // Traces and diagnostics go to `sortie`, error messages to `erreurs`.
    FenetreVisionneuse(std::ostream& sortie, std::ostream& erreurs);

    // A toolbar action of a viewer's own, and its handler.
    struct ActionBarre {
        Glib::RefPtr<Gtk::Action> action;
        sigc::slot<void> gestionnaire;
    };

    // Builds the action group and the UI manager; returns the toolbar widget,
    // or null when the UI definition was rejected. `ouvrir`, when given, is
    // the open action (a recent-files action, say) instead of a plain one;
    // `autres` come between open and quit.
    Gtk::Widget* creerBarreOutils(const Barre& barre, const Glib::RefPtr<Gtk::Action>& ouvrir = {},
                                  const std::vector<ActionBarre>& autres = {});
    // Labels the three annotation buttons, greys them out, wires them and
    // puts them into `boiteBoutons`.
    void preparerBoutons();
    // Puts `arbre` into its scrolled window.
    void preparerArbre();
    // Gives the annotation view a fresh buffer holding `texte` and puts it
    // into its scrolled window.
    void preparerAnnotation(const Glib::ustring& texte);

    // "Nouvelle" usable on a layer row; "Modifier" and "Supprimer" on an
    // annotation row.
    void basculerBoutons(bool rangAnnotation);
    // Replaces the annotation text with `texte` (bytes that are not UTF-8
    // are taken as Latin-9).
    void afficherTexte(const std::string& texte);
    // Runs the modal file chooser, in the folder of the last choice (or
    // `dossierChoix`), *.dxf files shown whatever the case of their
    // extension; on OK calls `choisi` with the chosen path while the dialog
    // is still up.
    void choisirFichier(const Choix& choix, const std::function<void(const std::string&)>& choisi);

    void on_menu_file_quit();
    virtual void on_menu_file_open() = 0;
    virtual void on_button_add() = 0;
    virtual void on_button_edit() = 0;
    virtual void on_button_delete() = 0;

    std::ostream& sortie;
    std::ostream& erreurs;
    // Where the file chooser opens; empty for the toolkit's choice.
    std::string dossierChoix;

    Gtk::TreeView arbre;
    Glib::RefPtr<Gtk::ActionGroup> groupeActions;
    Glib::RefPtr<Gtk::TreeStore> modeleArbre;
    Gtk::TextView vueAnnotation;
    Gtk::ScrolledWindow defilAnnotation;
    Gtk::VBox boiteFenetre;
    Glib::RefPtr<Gtk::UIManager> gestionnaireUI;
    Gtk::Button boutonNouvelle;
    Gtk::Button boutonModifier;
    Gtk::Button boutonSupprimer;
    Gtk::VBox colonneGauche;
    Gtk::HButtonBox boiteBoutons;
    Gtk::HBox boitePrincipale;
    Glib::RefPtr<Gtk::TextBuffer> texteAnnotation;
    Gtk::ScrolledWindow defilDessin;
    Gtk::ScrolledWindow defilArbre;

    friend struct AccesTest;
};
