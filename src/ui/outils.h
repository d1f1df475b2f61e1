// The tools of the full viewer's drawing pane: designating an object (a
// click; its "Propriétés" in the left column, the object drawn over in the
// selection colour), measuring ("Mesurer": distances, angles, areas,
// snapped to the objects), finding texts ("Rechercher") and going back to
// the previous view. The work is the core's (designation.h, recherche.h,
// mesures.h); this only wires widgets to it.
#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <gtkmm/expander.h>
#include <gtkmm/label.h>
#include <gtkmm/liststore.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/togglebutton.h>
#include <gtkmm/treeview.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/designation.h"
#include "render/proprietes.h"
#include "render/recherche.h"
#include "ui/dxfarea.h"

struct AccesTest;

class OutilsDessin {
  public:
    // `dire` puts a line into the window's status bar.
    OutilsDessin(Gtk::Window& fenetre, DXFArea& zone, std::function<void(const std::string&)> dire);

    // The row of buttons ("Mesurer", "Rechercher", "Vue précédente") and
    // the panel ("Propriétés", with the measure's line) for the left column.
    Gtk::Widget& barre() { return boiteOutils; }
    Gtk::Widget& panneau() { return cadreProprietes; }

    // Opens the dialog "Rechercher".
    void rechercher();
    // Clears the selection and the measure in progress.
    void effacer();
    // Closes the polygon being measured; false when no measure is under way.
    bool terminerMesure();
    // The background, black or white (the box "Fond noir"); the choice is
    // kept between runs (reglages.h).
    void setFondNoir(bool noir) { caseFondNoir.set_active(noir); }
    // A new drawing: nothing selected, found or measured stays.
    void nouveauDessin();

    // Designates the object under the drawing point (x, y), as a click does.
    void selectionner(double x, double y);
    // Adds a measure point at the drawing point (x, y), snapped.
    void mesurer(double x, double y);
    // The rows the panel shows, and the measure's line.
    std::vector<LigneProprietes> getProprietes() const;
    std::string getMesure() const { return ligneMesure.get_text(); }

  private:
    void on_dessin_clic(double x, double y, int clics);
    void on_dessin_pointeur(double x, double y);
    void on_mesurer_toggled();
    void on_recherche_activate();
    void on_recherche_suivant(int pas);
    void on_recherche_row_activated(const Gtk::TreePath& chemin, Gtk::TreeViewColumn*);
    void dessinerSurcouche(cairo_t* k, const Matrice& m);
    // Shows `d` selected and its properties.
    void choisir(Designe d);
    void direMesure();
    void montrerTrouvaille(std::size_t i);
    const CalquesMasques& masques();
    // The drawing units that `pixels` of the area are worth.
    double pixels(double n) const { return n / zone.getEchelle(); }

    struct Colonnes : Gtk::TreeModel::ColumnRecord {
        Colonnes() {
            add(libelle);
            add(valeur);
        }
        Gtk::TreeModelColumn<Glib::ustring> libelle, valeur;
    };
    struct ColonnesTrouvailles : Gtk::TreeModel::ColumnRecord {
        ColonnesTrouvailles() {
            add(texte);
            add(calque);
            add(rang);
        }
        Gtk::TreeModelColumn<Glib::ustring> texte, calque;
        Gtk::TreeModelColumn<unsigned> rang;
    };

    Gtk::Window& fenetre;
    DXFArea& zone;
    std::function<void(const std::string&)> dire;
    std::shared_ptr<CalquesMasques> masques_;

    // Two rows: "Mesurer", "Rechercher", "Zoom fenêtre"; "Vue précédente",
    // "Fond noir".
    Gtk::VBox boiteOutils;
    Gtk::HBox boiteBoutons, boiteVue;
    Gtk::ToggleButton boutonMesurer, boutonCadre;
    Gtk::Button boutonRechercher, boutonPrecedente;
    Gtk::CheckButton caseFondNoir;
    Gtk::Expander cadreProprietes;
    Gtk::VBox boitePanneau;
    Gtk::Entry ligneMesure;
    Gtk::ScrolledWindow defilProprietes;
    Gtk::TreeView vueProprietes;
    Colonnes colonnes;
    Glib::RefPtr<Gtk::ListStore> modeleProprietes;

    std::optional<Designe> selection;
    std::vector<PointPlan> points;  // of the measure
    bool mesureFinie = false;
    std::optional<Accroche> accroche;  // under the pointer

    // The dialog "Rechercher", made when first opened.
    std::unique_ptr<Gtk::Dialog> dialogue;
    Gtk::Entry champRecherche;
    Gtk::Label bilanRecherche;
    Gtk::ScrolledWindow defilTrouvailles;
    Gtk::TreeView vueTrouvailles;
    ColonnesTrouvailles colonnesTrouvailles;
    Glib::RefPtr<Gtk::ListStore> modeleTrouvailles;
    ResultatRecherche trouvailles;
    std::size_t trouvailleCourante = 0;

    friend struct AccesTest;
};
