// The drawing widget: shows one drawing through a view (scale and offset).
//
// It keeps its picture: exposes copy it, and a new one is painted on a
// thread of its own (PeintureDeFond) only when the view, the size, the
// drawing or the hidden layers change, or when asked to (reDessiner).
// Until the new picture is ready the previous one is shown moved and scaled
// to the new view, and the window stays free to take its events; a new
// request stops the paint in progress. The paint trace of each picture
// goes to the stream the area was given, once the picture is finished.
//
// The full viewer's area is navigable: the wheel zooms about the pointer,
// dragging with the left or middle button pans, the arrow keys pan, + and -
// zoom about the centre, Home fits the drawing; a new drawing is fitted to
// the visible part of the area, and fitted again whenever that part changes
// size (the window manager maximizing the window, a resize) until the view
// is moved. The earlier viewer's area keeps the view its command line gives
// (the drawing's origin at the bottom-left corner).
#pragma once

#include <glibmm/dispatcher.h>
#include <gdkmm/pixmap.h>
#include <gtkmm/drawingarea.h>

#include <chrono>
#include <functional>
#include <iostream>
#include <list>
#include <memory>
#include <string>

#include "model/trace.h"
#include "render/peinture_fond.h"
#include "render/vue.h"

struct AccesTest;

class DXFArea : public Gtk::DrawingArea {
  public:
    // The full viewer's area: paints an empty drawing until it is given
    // another, hides the layers named in its hidden-layer list and paints
    // raster images. The paint trace goes to `sortie`.
    explicit DXFArea(std::ostream& sortie = std::cout);
    // The earlier viewer's area: paints `dessin` at `echelle`, every layer,
    // no raster images.
    DXFArea(std::shared_ptr<const Dessin> dessin, double echelle, std::ostream& sortie = std::cout);
    ~DXFArea() override;

    double getEchelle() const { return vue.echelle; }
    // Sets the scale, keeping the drawing point at the centre of the
    // visible part where it is; brought within kEchelleMin and kEchelleMax,
    // zero, negative and non-finite values refused. Returns true when the
    // scale changed. Queues no repaint.
    bool setEchelle(double echelle);
    const Vue& getVue() const { return vue; }
    void setVue(const Vue& v);
    // Fits the drawing to the visible part of the area, now if the area has
    // its size, else as soon as it gets it, and again at each change of that
    // part's size until the view is moved (zoom, pan, figerVue).
    void ajuster();
    // The view stays as it is when the visible part changes size (the
    // pane's scroll bars were moved, say), until the next ajuster.
    void figerVue() { suivreAjustement = false; }
    // Zooms by `facteur` about the area pixel (px, py); false when the scale
    // would leave its bounds.
    bool zoomer(double facteur, double px, double py);
    // Moves the drawing by (dx, dy) pixels.
    void deplacer(double dx, double dy);
    // The part of the area the pane shows, in the area's pixels.
    Gdk::Rectangle partieVisible() const;
    // The view of that part alone, as a picture of its size (`largeur` x
    // `hauteur` pixels): what saving or printing what is seen paints.
    Vue vueVisible(int& largeur, int& hauteur) const;

    // Paints `dessin` from the next repaint on (an empty drawing when null),
    // fitted to the area unless `garderVue` (a drawing read anew). Queues no
    // repaint; the hidden layers stay.
    void setDessin(std::shared_ptr<const Dessin> dessin, bool garderVue = false);
    const Dessin& getDessin() const { return *dessin; }
    // Shows the layout of that rank in the drawing's list (0: model space),
    // fitted; a drawing read anew keeps it while it has that many.
    void setPresentation(std::size_t rang);
    std::size_t getPresentation() const { return presentation; }

    // The layer names of the drawing painted, in ascending byte order.
    std::list<std::string> getCalques() const;

    // Hidden-layer list: names compare exactly (case-sensitive).
    bool contains(const std::string& nom) const;
    void masquerCalque(const std::string& nom);
    // Removes every copy of `nom` from the hidden-layer list.
    void afficherCalque(const std::string& nom);
    // Empties the hidden-layer list.
    void toutAfficher();
    // Hides, alone, the layers that the drawing painted has off or frozen.
    void masquerCalquesEteints();
    const std::list<std::string>& getCalquesMasques() const { return calquesMasques; }

    // Asks for a new picture of what the area shows, and shows it when it is
    // ready.
    void reDessiner();
    // Whether a picture is being painted.
    // Whether a picture is being painted, or sent to the X server.
    bool peintureEnCours() const { return atelier.enCours() || envoiEnCours.connected(); }

    // Shows the box `b` (drawing units) whole in the visible part; the view
    // left is kept for vuePrecedente.
    void montrer(const Boite& b);
    // Goes back to the view before the last change (a run of changes close
    // in time, a drag or the turns of the wheel, counts as one); false when
    // there is none.
    bool vuePrecedente();

    // A black background (white by default): the pictures are painted on it
    // (Peintre::setFond), colour 7 white, the other colours as they are.
    // Queues a new picture.
    void setFondNoir(bool noir);
    bool isFondNoir() const { return fondNoir; }
    const CouleurRVB& fond() const { return fondNoir ? kFondNoir : kFond; }

    // Whether a drag with the left button draws a zoom window even without
    // Shift ("Zoom fenêtre").
    void setModeCadre(bool oui) { modeCadre = oui; }

    // A click of the left button without drag (1), or a double click (2),
    // at a drawing point (drawing units), with the modifier keys' state.
    sigc::signal<void, double, double, int>& signal_clic() { return clic; }
    // Drawn over the picture at every expose, in the area's pixels, given
    // the transform from drawing units to them.
    void setSurcouche(std::function<void(cairo_t*, const Matrice&)> f) { surcouche = std::move(f); }
    // The drawing point under the pointer (drawing units), when it moves.
    sigc::signal<void, double, double>& signal_pointeur() { return pointeur; }
    // The view changed, or the painting progressed (getProgression).
    sigc::signal<void>& signal_etat() { return etat; }
    // The share of the picture in progress already painted (0 to 1);
    // negative when none is in progress.
    double getProgression() const { return atelier.progression(); }

  protected:
    bool on_expose_event(GdkEventExpose* event) override;
    // The full viewer's drawing stays where it is on screen when the area
    // grows or shrinks (its top-left corner holds), or is fitted again.
    void on_size_allocate(Gtk::Allocation& allocation) override;
    // The pane's adjustments tell when the visible part changes size.
    void on_parent_changed(Gtk::Widget* ancien) override;
    bool on_scroll_event(GdkEventScroll* event) override;
    bool on_button_press_event(GdkEventButton* event) override;
    bool on_button_release_event(GdkEventButton* event) override;
    bool on_motion_notify_event(GdkEventMotion* event) override;
    bool on_key_press_event(GdkEventKey* event) override;

  private:
    DXFArea(std::shared_ptr<const Dessin> dessin, double echelle, OptionsPeinture options,
            bool navigable, std::ostream& sortie);

    // What the area must show now.
    Commande commandeCourante() const;
    // Asks for the picture of the current state unless it is the one asked
    // for last (or `toujours`).
    void demander(bool toujours = false);
    // Takes the finished picture (main thread): its trace to the stream,
    // the picture on screen.
    void surTableauPret();
    bool surProgression();
    void vueChangee();
    // Fits the drawing again at the next expose if the view follows the fit
    // and the visible part no longer has the size it was fitted to.
    void suivreTaille();

    std::ostream& sortie;
    const bool navigable;
    Vue vue;
    bool ajusterAuPremierDessin = false;
    // The view is the fit, made again when the visible part changes size.
    bool suivreAjustement = false;
    int largeurAjustee = 0, hauteurAjustee = 0;
    sigc::connection pageH, pageV;
    std::shared_ptr<const Dessin> dessin;
    // The drawing is its file read anew: its previous picture may stand in.
    bool dessinRelu = false;
    std::list<std::string> calquesMasques;
    std::size_t presentation = 0;
    // The same resolved for the drawing painted, made anew when either
    // changes.
    std::shared_ptr<const CalquesMasques> masquesResolus;
    void resoudreMasques();

    // Before the painter, so that the painter's thread is stopped first.
    Glib::Dispatcher pret;
    PeintureDeFond atelier;
    std::unique_ptr<Tableau> tableau;  // shown
    // The picture shown, held by the X server (exposes copy it there,
    // without sending its pixels again), and the view it was painted for.
    Glib::RefPtr<Gdk::Pixmap> copieServeur;
    Commande commandeServeur;
    // The next one, sent a band of rows per turn of the main loop (which
    // stays free for events meanwhile), shown once whole.
    Glib::RefPtr<Gdk::Pixmap> envoi;
    // The bands of a progressive picture already painted (the rest white),
    // shown until the picture is whole, and the picture they belong to.
    Glib::RefPtr<Gdk::Pixmap> partiel;
    Commande commandePartielle;
    void montrerBandes();
    int lignesEnvoyees = 0;
    bool aEnvoyer = false;
    sigc::connection envoiEnCours;
    void demarrerEnvoi();
    bool envoyerBande();
    Commande demandee;  // asked for last
    bool demandeFaite = false;
    sigc::connection minuterie;

    bool glisse = false;
    double glisseX = 0, glisseY = 0;
    // Where the left button went down, and whether it moved since.
    double appuiX = 0, appuiY = 0;
    bool bouge = false;
    // A zoom window being drawn (shift and drag).
    bool cadre = false;
    bool fondNoir = false;
    bool modeCadre = false;
    // The view `v` (fitted to the visible part) for the whole area.
    Vue vuePourVisible(const Vue& v) const;
    // Keeps the view for vuePrecedente before it changes; the steps of a
    // run (`suite`: a drag, the turns of the wheel) keep it once.
    void noterVue(bool suite = false);
    std::vector<Vue> historique;
    std::chrono::steady_clock::time_point dernierChangement;
    std::function<void(cairo_t*, const Matrice&)> surcouche;
    sigc::signal<void, double, double, int> clic;

    sigc::signal<void, double, double> pointeur;
    sigc::signal<void> etat;

    friend struct AccesTest;
};
