// The handle between a window's left column and the pane beside it: a strip
// a few pixels wide over their common edge, with the cursor of a horizontal
// resize, by which the pointer drags the edge. The column then asks for the
// width it is dragged to (its contents may still take more). It is an
// input-only window of the toolkit's window system, not a widget: the
// window's widgets stay as they are.
#pragma once

#include <gdk/gdk.h>
#include <gtkmm/widget.h>
#include <gtkmm/window.h>

struct AccesTest;

class PoigneeColonne {
  public:
    // `colonne`, a child of `fenetre` without a window of its own, lies at
    // the left of `rangee`, which holds it and the pane.
    PoigneeColonne(Gtk::Window& fenetre, Gtk::Widget& colonne, Gtk::Widget& rangee);
    PoigneeColonne(const PoigneeColonne&) = delete;
    PoigneeColonne& operator=(const PoigneeColonne&) = delete;

    // The narrowest width the column is dragged to, and how much of the
    // row it leaves the pane at least.
    static constexpr int kColonneMin = 150;
    static constexpr int kPanneauMin = 150;
    // The handle's width, half of it on either side of the edge.
    static constexpr int kLargeur = 6;

  private:
    void creer();
    void detruire();
    // Puts the handle over the column's right edge, above the windows of
    // the widgets there.
    void placer();
    bool appui(GdkEventButton* e);
    bool mouvement(GdkEventMotion* e);
    bool relachement(GdkEventButton* e);

    Gtk::Window& fenetre_;
    Gtk::Widget& colonne_;
    Gtk::Widget& rangee_;
    GdkWindow* poignee_ = nullptr;
    // A drag under way: where it started (root x) and the column's width
    // then.
    bool glisse_ = false;
    double depart_ = 0;
    int largeurDepart_ = 0;

    friend struct AccesTest;
};
