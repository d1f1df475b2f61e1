// tarsin-plan's main window: the earlier form of the viewer's window. Its
// tree holds three demonstration rows whose annotations come from the fixed
// file "annotations.ann"; its open command only reports the file chosen; the
// drawing area that the start-up makes goes into its drawing pane.
#pragma once

#include "ui/fenetre.h"

class DXFArea;

class FenetrePlan : public FenetreVisionneuse {
  public:
    class ModelColumns : public Gtk::TreeModel::ColumnRecord {
      public:
        ModelColumns() {
            add(colCalque);
            add(colAffichage);
        }
        Gtk::TreeModelColumn<Glib::ustring> colCalque;
        Gtk::TreeModelColumn<bool> colAffichage;
    };

    // Reports and traces go to `sortie`, error messages to `erreurs`.
    explicit FenetrePlan(std::ostream& sortie = std::cout, std::ostream& erreurs = std::cerr);
    ~FenetrePlan() override;

    // Shows `dessin` in the drawing pane; it must outlive the window's use of it.
    void addArea(DXFArea& dessin);

  protected:
    void on_menu_file_open() override;
    void on_button_add() override;
    void on_button_edit() override;
    void on_button_delete() override;
    void on_treeview_row_activated(const Gtk::TreePath& chemin, Gtk::TreeViewColumn* colonne);

  private:
    void construireArbre();

    ModelColumns colonnes;
    // Path of the last activated row.
    Glib::ustring rangCourant;

    friend struct AccesTest;
};
