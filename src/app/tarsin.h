// The full viewer's main window: the toolbar ("Ouvrir", "Quitter") and the
// zoom buttons, the layer list with a visibility box per layer and the
// annotations under each layer, the annotation text, and the drawing pane.
#pragma once

#include <list>
#include <memory>
#include <string>

#include <gtkmm/statusbar.h>

#include "ui/dxfarea.h"
#include "ui/fenetre.h"

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

    // Opens the drawing at `chemin` as the "Ouvrir" command does once a file
    // is chosen. A file that cannot be read changes nothing; returns false.
    bool ouvrir(const std::string& chemin);

    // Reads the drawing at `chemin` and gives it to the drawing area; the
    // superseded drawing is released. On failure the message goes to the
    // error stream and everything stays as it was.
    bool lireDXF(const std::string& chemin);
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

  protected:
    void on_menu_file_open() override;
    void on_button_add() override;
    void on_button_edit() override;
    void on_button_delete() override;
    void on_button_ZoomP();
    void on_button_ZoomM();
    void on_button_Ajuster();
    void on_dessin_pointeur(double x, double y);
    void on_dessin_etat();
    void on_child_toggled(const Glib::ustring& chemin);
    void on_treeview_row_activated(const Gtk::TreePath& chemin, Gtk::TreeViewColumn* colonne);

  private:
    // Fills the emptied layer list with the layers `noms` and their
    // annotations.
    void remplirArbre(const std::list<std::string>& noms);

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
    std::string fichier_annot;
    // The open drawing; null until the first one is opened.
    std::shared_ptr<const Dessin> dessinOuvert;
    DXFArea dessin;

    friend struct AccesTest;
};
