// What the window tests share: an X server of their own, running the toolkit's
// loop for a while, reading pixels, driving programs with xdotool.
#pragma once

#include <gdkmm/pixbuf.h>
#include <gtkmm/cellrenderertoggle.h>
#include <gtkmm/container.h>

#include <string>
#include <vector>

#include "support/dxf.h"
#include "ui/dxfarea.h"

// An Xvfb server on a free display, 1600x1200 in true colour, for the whole
// test program; DISPLAY names it from construction on.
class EcranVirtuel {
  public:
    EcranVirtuel();
    ~EcranVirtuel();
    bool pret() const { return pid_ > 0; }
    const std::string& display() const { return display_; }

  private:
    int pid_ = -1;
    std::string display_;
};

// Attributes of an entity on layer `calque`, in colour `couleur`.
inline dxf::Attr surCalque(const std::string& calque, int couleur = 256) {
    dxf::Attr a;
    a.calque = calque;
    a.couleur = couleur;
    return a;
}

std::vector<Gtk::Widget*> enfants(Gtk::Container& c);
// Clicks the box of `renderer` on the row at `chemin`, as the view does.
void cliquerCase(Gtk::CellRendererToggle& renderer, const char* chemin);

// Runs the toolkit's main loop iterations for `millisecondes`.
void laisserTourner(int millisecondes = 200);
// Lets the main loop run until the area's picture is painted (at most a
// minute: a loaded machine paints slowly), then a little more.
void attendrePeinture(DXFArea& d);

struct Couleur {
    int r, g, b;
    bool rougeatre() const { return r > g + 60 && r > b + 60; }
    bool bleuatre() const { return b > r + 60 && b > g + 60; }
};
Couleur pixel(const Glib::RefPtr<Gdk::Pixbuf>& image, int x, int y);

// Runs `commande` through the shell; returns its standard output.
std::string commande(const std::string& commande);
// The id of the first window named exactly `nom`, waiting at most `secondes`;
// empty when none appears.
std::string attendreFenetre(const std::string& nom, int secondes = 30);
// The title of tarsin's window showing the drawing `nom`.
inline std::string titreTarsin(const std::string& nom) { return nom + " \u2014 Tarsin"; }
// A screenshot of the whole screen.
Glib::RefPtr<Gdk::Pixbuf> captureEcran();
