// The full viewer's main window: the toolbar ("Ouvrir", with the drawings
// opened lately under its arrow, "Exporter", "Imprimer", "Quitter") and the
// zoom buttons, the layer list with a visibility box per layer and the
// annotations under each layer, the annotation text, the drawing pane and
// the status bar. A DXF file dropped onto the window is opened; the open
// drawing is read anew when its file changes.
#pragma once

#include <list>
#include <memory>
#include <string>

#include <glibmm/dispatcher.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/recentaction.h>
#include <gtkmm/recentfilter.h>
#include <gtkmm/recentmanager.h>
#include <gtkmm/statusbar.h>

#include "import/lecture_fond.h"
#include "render/exportation.h"
#include "ui/dxfarea.h"
#include "ui/fenetre.h"
#include "ui/outils.h"
#include "ui/poignee.h"
#include "ui/sorties.h"
#include "ui/surveillance.h"

class Tarsin : public FenetreVisionneuse {
  public:
    class ModelColumns : public Gtk::TreeModel::ColumnRecord {
      public:
        ModelColumns() {
            add(colAffichage);
            add(colCalque);
        }
        Gtk::TreeModelColumn<bool> colAffichage;
        Gtk::TreeModelColumn<std::string> colCalque;
    };

    // Import and paint traces and diagnostics go to `sortie`, error messages
    // to `erreurs`.
    explicit Tarsin(std::ostream& sortie = std::cout, std::ostream& erreurs = std::cerr);
    ~Tarsin() override;

    // Starts reading the drawing at `chemin` on the reading thread, as the
    // "Ouvrir" command does once a file is chosen; a reading in progress is
    // stopped. The window goes on meanwhile, the drawing on screen stays and
    // the status bar tells the share of the file read. Once read whole, the
    // drawing is shown: the title names it, the recent files list it, its
    // file is watched. A file that cannot be read changes nothing.
    void lancerOuverture(const std::string& chemin);
    // The same, the main loop turning until the reading is over; false when
    // the file could not be read (or the reading was stopped).
    bool ouvrir(const std::string& chemin);
    // The same for a local file named by its URI (a file dropped, a recent
    // file); false, and a word in the status bar, for any other URI.
    bool ouvrirUri(const Glib::ustring& uri);
    // Starts reading the open drawing's file anew, to replace the drawing
    // keeping the view and the hidden layers. A file that cannot be read
    // whole (half written, broken, gone) leaves the drawing on screen as it
    // was, and the status bar says so.
    void lancerRechargement();
    // The same, waiting for the reading as ouvrir does.
    bool recharger();
    // Whether a file is being read.
    bool lectureEnCours() const { return lecteur.enCours(); }

    // Starts saving what the drawing pane shows, or the whole drawing
    // fitted to a picture of the pane's size, into `chemin` in `format` (a
    // PNG on the pane's background, SVG and PDF on white as printed), on
    // the export thread: the window goes on meanwhile, the status bar tells
    // the share painted, Escape or a close request stops it (no file left).
    // Once over, the status bar tells how it went. False, and a word in the
    // status bar, when another export is under way (or no drawing open).
    bool lancerExportation(const std::string& chemin, FormatImage format, bool toutLeDessin);
    // The same, the main loop turning until the export is over; false when
    // nothing was written.
    bool exporter(const std::string& chemin, FormatImage format, bool toutLeDessin);
    // Whether an export is under way (or being stopped).
    bool exportationEnCours() const { return exportateur.enCours(); }
    // Prints the open drawing (see Impression), on white whatever the
    // pane's background; EXPORT writes a PDF file without a dialog. False
    // when it failed.
    bool imprimer(Gtk::PrintOperationAction action = Gtk::PRINT_OPERATION_ACTION_PRINT_DIALOG,
                  const std::string& fichier = {});

    // Rebuilds the layer list, sizes the drawing area and repaints it.
    void reDessiner();
    void setEchelle(double echelle);
    // Empties the layer list and fills it from the open drawing: one ticked
    // row per layer, its annotations under it. The annotation file is read
    // once for the whole list.
    void construireArbre();
    // Appends under `rang` the annotations of the layer key `cle` ("i:*"), or,
    // with an empty row, returns the text of the annotation at path `cle`.
    // Each call reads the annotation file anew (within the bounds of
    // annotations.h), so an activated row shows the file as it is now.
    std::string lireAnnot(std::string cle, Gtk::TreeRow rang);

    // The background of the drawing pane, black or white.
    void setFondNoir(bool noir) { outils.setFondNoir(noir); }
    // The width the left column asks for (300 pixels unless set or dragged
    // by the handle on its edge; its contents may take more), kept between
    // runs (reglages.h). Set, it leaves the pane room on the screen.
    void setLargeurColonne(int largeur);
    int getLargeurColonne() const {
        int largeur = 0, hauteur = 0;
        colonneGauche.get_size_request(largeur, hauteur);
        return largeur;
    }

  protected:
    // A close request stops the reading and the export in progress.
    void on_hide() override;
    void on_menu_file_open() override;
    void on_menu_file_recent();
    void on_menu_file_export();
    void on_menu_file_print();
    void on_fenetre_drag_data_received(const Glib::RefPtr<Gdk::DragContext>& contexte, int x, int y,
                                       const Gtk::SelectionData& donnees, guint info, guint temps);
    void on_button_add() override;
    void on_button_edit() override;
    void on_button_delete() override;
    void on_button_ZoomP();
    void on_button_ZoomM();
    void on_button_Ajuster();
    void on_dessin_pointeur(double x, double y);
    void on_dessin_etat();
    void on_child_toggled(const Glib::ustring& chemin);
    void on_choix_presentation_changed();
    void on_treeview_row_activated(const Gtk::TreePath& chemin, Gtk::TreeViewColumn* colonne);
    // The window's keys: Ctrl+O, Ctrl+Q, Ctrl+P, Ctrl+E, Ctrl+F, F5, Escape
    // (stops an export, or else clears the selection and the measure), Home,
    // Backspace (the previous view), Enter (closes a measure).
    bool on_key_press_event(GdkEventKey* event) override;
    // "Tout afficher" (`afficher`) or "Tout masquer": every layer's box.
    void basculerCalques(bool afficher);

  private:
    enum Motif { Ouverture, Rechargement };
    // Takes the reading finished (main thread) and shows its drawing.
    void surLectureFinie();
    // Whether an export is under way, and then says so.
    bool exportationRefusee();
    // Takes the export finished (main thread) and says how it went.
    void surExportationFinie();
    // Writes the import trace read so far, and tells the progress of the
    // reading and of the export; false once neither runs.
    bool surProgression();
    // Tells that progress every kPeriodeSuivi while they run.
    void suivreProgression();
    // Shows the drawing read for "Ouvrir"; false when it is not usable.
    bool ouvrirLu(Lu& lu);
    // Replaces the drawing by the one read anew; false when it is not.
    bool rechargerLu(Lu& lu);
    // Turns the main loop until the reading is over; its outcome.
    bool attendreLecture();
    // The local path that `uri` names; empty, and a word in the status
    // bar, for any other URI.
    std::string cheminLocal(const Glib::ustring& uri);
    // Fills the emptied layer list with the layers `noms` and their
    // annotations; the box of a hidden layer is left unticked.
    void remplirArbre(const std::list<std::string>& noms);
    // Says `texte` in the status bar, after the pointer's place and the
    // scale, until the next message.
    void direEtat(const std::string& texte);
    // The same, and on the error stream; an empty message clears the status
    // bar's.
    void signaler(const std::string& message);
    // The name of the open drawing's file, for the user.
    std::string nomDessin() const;
    // Lists the open drawing's layouts beside "Imprimer" (hidden when
    // it has none), the one shown chosen.
    void remplirPresentations();

    ModelColumns colonnes;
    Gtk::HBox barreOutils;
    Gtk::HBox boiteZoom;
    Gtk::Button boutonZoomP;
    Gtk::Button boutonZoomM;
    Gtk::Button boutonAjuster;
    // The pointer's coordinates in drawing units, the scale, the progress of
    // a long paint.
    Gtk::Statusbar barreEtat;
    std::string texteCoordonnees;
    std::string messageEtat;
    std::string fichier_annot;
    // The open drawing's file, made absolute; empty until one is opened.
    std::string cheminDessin;
    // What the export chooser was told last.
    std::string dossierExport;
    FormatImage formatExport = FormatImage::Png;
    bool exportTout = false;
    // The toolkit's list of recent files can be written (its folder made).
    const bool recentsPossibles;
    Glib::RefPtr<Gtk::RecentManager> recents;
    Glib::RefPtr<Gtk::RecentAction> actionOuvrir;
    Gtk::RecentFilter filtreRecents;
    Glib::RefPtr<Gtk::Action> actionExporter;
    Glib::RefPtr<Gtk::Action> actionImprimer;
    Gtk::HBox boiteCommandes;
    Gtk::Button boutonExporter;
    Gtk::Button boutonImprimer;
    SurveillanceFichier surveillance;
    Impression impression;
    // The open drawing; null until the first one is opened.
    std::shared_ptr<const Dessin> dessinOuvert;
    DXFArea dessin;
    // The reading thread, after the dispatcher it signals through (so that
    // it is stopped first).
    Glib::Dispatcher lectureFinie;
    LectureDeFond lecteur;
    // The export thread, the same way.
    Glib::Dispatcher exportationFinie;
    ExportationDeFond exportateur;
    sigc::connection suivi;
    // The file being read, for the status bar; the outcome of the last
    // reading taken.
    std::string cheminLu;
    bool derniereLue = false;
    // Said once the drawing being read is shown.
    std::string messageOuverture;
    // The file being exported and what it shows; the outcome of the last
    // export taken.
    std::string cheminExporte;
    bool toutExporte = false;
    bool derniereExportee = false;
    Gtk::ComboBoxText choixPresentation;
    bool remplissagePresentations = false;
    OutilsDessin outils;
    Gtk::HBox boiteCalques;
    Gtk::Button boutonToutAfficher, boutonToutMasquer;
    Gtk::CellRendererText pastille;
    // Drags the left column's edge.
    PoigneeColonne poignee;

    friend struct AccesTest;
};
