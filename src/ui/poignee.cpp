#include "ui/poignee.h"

#include <algorithm>
#include <cmath>

PoigneeColonne::PoigneeColonne(Gtk::Window& fenetre, Gtk::Widget& colonne, Gtk::Widget& rangee)
    : fenetre_(fenetre), colonne_(colonne), rangee_(rangee) {
    fenetre_.signal_realize().connect(sigc::mem_fun(*this, &PoigneeColonne::creer));
    fenetre_.signal_unrealize().connect(sigc::mem_fun(*this, &PoigneeColonne::detruire), false);
    colonne_.signal_size_allocate().connect([this](Gtk::Allocation&) { placer(); });
    fenetre_.signal_map().connect(sigc::mem_fun(*this, &PoigneeColonne::placer));
    fenetre_.signal_button_press_event().connect(sigc::mem_fun(*this, &PoigneeColonne::appui),
                                                 false);
    fenetre_.signal_motion_notify_event().connect(sigc::mem_fun(*this, &PoigneeColonne::mouvement),
                                                  false);
    fenetre_.signal_button_release_event().connect(
        sigc::mem_fun(*this, &PoigneeColonne::relachement), false);
}

void PoigneeColonne::creer() {
    GdkWindow* parent = fenetre_.get_window() ? fenetre_.get_window()->gobj() : nullptr;
    if (!parent || poignee_) return;
    GdkWindowAttr a = {};
    a.window_type = GDK_WINDOW_CHILD;
    a.wclass = GDK_INPUT_ONLY;
    a.x = a.y = 0;
    a.width = kLargeur;
    a.height = 1;
    a.event_mask = GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK;
    a.cursor = gdk_cursor_new_for_display(gdk_drawable_get_display(parent), GDK_SB_H_DOUBLE_ARROW);
    poignee_ = gdk_window_new(parent, &a, GDK_WA_X | GDK_WA_Y | GDK_WA_CURSOR);
    gdk_cursor_unref(a.cursor);
    // Its events go to the window's widget, where appui and the others take
    // them.
    gdk_window_set_user_data(poignee_, fenetre_.gobj());
    placer();
}

void PoigneeColonne::detruire() {
    if (!poignee_) return;
    gdk_window_set_user_data(poignee_, nullptr);
    gdk_window_destroy(poignee_);
    poignee_ = nullptr;
    glisse_ = false;
}

void PoigneeColonne::placer() {
    if (!poignee_) return;
    const Gtk::Allocation a = colonne_.get_allocation();
    if (!colonne_.is_visible() || a.get_width() <= 1) {
        gdk_window_hide(poignee_);
        return;
    }
    gdk_window_move_resize(poignee_, a.get_x() + a.get_width() - kLargeur / 2, a.get_y(), kLargeur,
                           std::max(1, a.get_height()));
    gdk_window_show(poignee_);
    // Widgets realized since have windows above it.
    gdk_window_raise(poignee_);
}

bool PoigneeColonne::appui(GdkEventButton* e) {
    if (!e || !poignee_ || e->window != poignee_ || e->button != 1 || e->type != GDK_BUTTON_PRESS)
        return false;
    glisse_ = true;
    depart_ = e->x_root;
    largeurDepart_ = colonne_.get_allocation().get_width();
    return true;
}

bool PoigneeColonne::mouvement(GdkEventMotion* e) {
    if (!e || !poignee_ || e->window != poignee_) return false;
    if (!glisse_) return true;
    const int plus = std::max(kColonneMin, rangee_.get_allocation().get_width() - kPanneauMin);
    const double voulue = largeurDepart_ + (e->x_root - depart_);
    if (!std::isfinite(voulue)) return true;
    const int largeur =
        static_cast<int>(std::lround(std::clamp<double>(voulue, kColonneMin, plus)));
    int l = 0, h = 0;
    colonne_.get_size_request(l, h);
    if (largeur != l) colonne_.set_size_request(largeur, h);
    return true;
}

bool PoigneeColonne::relachement(GdkEventButton* e) {
    if (!e || !poignee_ || e->window != poignee_) return false;
    if (e->button == 1) glisse_ = false;
    return true;
}
