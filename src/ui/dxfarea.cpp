#include "ui/dxfarea.h"

#include <gdk/gdkkeysyms.h>
#include <gdkmm/color.h>
#include <gdkmm/window.h>
#include <glibmm/main.h>
#include <gtkmm/adjustment.h>
#include <gtkmm/viewport.h>

#include <algorithm>
#include <cmath>

#include "fichiers/journal.h"
#include "render/presentation_peinte.h"

namespace {

// Zoom of one wheel notch or one + or - key.
constexpr double kFacteurZoom = 1.25;
// Pixels an arrow key moves the drawing by.
constexpr double kPasFleche = 50;
// Rows of a picture sent to the X server per turn of the main loop (a few
// milliseconds' work for a picture 2000 pixels wide).
constexpr int kLignesParEnvoi = 256;
// How often the progress of a paint is told, in milliseconds.
constexpr unsigned kPeriodeProgression = 100;

OptionsPeinture optionsPlan() {
    OptionsPeinture options;
    options.calquesMasquables = false;
    options.images = false;
    return options;
}

}  // namespace

DXFArea::DXFArea(std::ostream& sortie) : DXFArea(nullptr, 1.0, OptionsPeinture{}, true, sortie) {}

DXFArea::DXFArea(std::shared_ptr<const Dessin> d, double echelle, std::ostream& sortie)
    : DXFArea(std::move(d), echelle, optionsPlan(), false, sortie) {}

DXFArea::DXFArea(std::shared_ptr<const Dessin> d, double e, OptionsPeinture options, bool navigable,
                 std::ostream& sortie)
    : sortie(sortie), navigable(navigable), atelier(options, [this] { pret.emit(); }) {
    pret.connect(sigc::mem_fun(*this, &DXFArea::surTableauPret));
    setDessin(std::move(d));
    // The drawing's origin at the bottom-left corner, at that scale.
    if (echelleValide(e)) vue.echelle = e;
    if (navigable) {
        add_events(Gdk::POINTER_MOTION_MASK | Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK |
                   Gdk::SCROLL_MASK | Gdk::KEY_PRESS_MASK);
        set_can_focus(true);
    }
    // The toolkit clears the area to the background the drawings are painted
    // on (wipeouts paint it too).
    Gdk::Color couleur;
    couleur.set_rgb_p(kFond.r, kFond.g, kFond.b);
    modify_bg(Gtk::STATE_NORMAL, couleur);
    // Each expose paints its rectangle whole, in one operation, from the
    // picture: no buffer of the toolkit's in between.
    set_double_buffered(false);
}

DXFArea::~DXFArea() {
    minuterie.disconnect();
    envoiEnCours.disconnect();
    pageH.disconnect();
    pageV.disconnect();
}

bool DXFArea::setEchelle(double e) {
    if (!echelleValide(e) || e == vue.echelle) return false;
    noterVue();
    suivreAjustement = false;
    const Gdk::Rectangle r = partieVisible();
    vue.changerEchelle(e, r.get_x() + r.get_width() / 2.0, r.get_y() + r.get_height() / 2.0,
                       get_allocation().get_height());
    etat.emit();
    return true;
}

void DXFArea::setVue(const Vue& v) {
    Vue nouvelle = v;
    if (!echelleValide(nouvelle.echelle) || !std::isfinite(v.x) || !std::isfinite(v.y)) return;
    noterVue();
    vue = nouvelle;
    vueChangee();
}

void DXFArea::vueChangee() {
    suivreAjustement = false;
    if (get_window()) demander();
    queue_draw();
    etat.emit();
}

void DXFArea::ajuster() {
    if (dessin && !dessin->getBlocRoot().getOrdre().empty()) noterVue();
    ajusterAuPremierDessin = true;
    suivreAjustement = true;
    queue_draw();
}

bool DXFArea::zoomer(double facteur, double px, double py) {
    noterVue(true);
    if (!vue.zoomer(facteur, px, py, get_allocation().get_height())) return false;
    vueChangee();
    return true;
}

void DXFArea::deplacer(double dx, double dy) {
    noterVue(true);
    vue.x -= dx / vue.echelle;
    vue.y += dy / vue.echelle;
    vueChangee();
}

void DXFArea::setFondNoir(bool noir) {
    fondNoir = noir;
    const CouleurRVB& k = fond();
    Gdk::Color couleur;
    couleur.set_rgb_p(k.r, k.g, k.b);
    modify_bg(Gtk::STATE_NORMAL, couleur);
    if (get_window()) demander();
    queue_draw();
}

void DXFArea::noterVue(bool suite) {
    // Changes of a run less than this apart make one.
    constexpr std::chrono::milliseconds kEcart(500);
    constexpr std::size_t kVuesMax = 64;
    const auto maintenant = std::chrono::steady_clock::now();
    if (!suite || maintenant - dernierChangement > kEcart) {
        historique.push_back(vue);
        if (historique.size() > kVuesMax) historique.erase(historique.begin());
    }
    dernierChangement = maintenant;
}

bool DXFArea::vuePrecedente() {
    if (historique.empty()) return false;
    vue = historique.back();
    historique.pop_back();
    vueChangee();
    return true;
}

Vue DXFArea::vuePourVisible(const Vue& v) const {
    const Gdk::Rectangle r = partieVisible();
    Vue n = v;
    n.x = v.x - r.get_x() / v.echelle;
    n.y = v.y + (r.get_y() + r.get_height() - get_allocation().get_height()) / v.echelle;
    return n;
}

void DXFArea::montrer(const Boite& b) {
    if (b.vide()) return;
    const Gdk::Rectangle r = partieVisible();
    setVue(vuePourVisible(::ajuster(b, r.get_width(), r.get_height(), kMargeAjustement)));
}

Gdk::Rectangle DXFArea::partieVisible() const {
    const Gtk::Allocation a = get_allocation();
    Gdk::Rectangle r(0, 0, std::max(1, a.get_width()), std::max(1, a.get_height()));
    if (auto* cadre = dynamic_cast<const Gtk::Viewport*>(get_parent())) {
        const Gtk::Adjustment* h = const_cast<Gtk::Viewport*>(cadre)->get_hadjustment();
        const Gtk::Adjustment* v = const_cast<Gtk::Viewport*>(cadre)->get_vadjustment();
        if (h && v && h->get_page_size() >= 1 && v->get_page_size() >= 1)
            r = Gdk::Rectangle(
                static_cast<int>(h->get_value()), static_cast<int>(v->get_value()),
                static_cast<int>(std::min<double>(h->get_page_size(), r.get_width())),
                static_cast<int>(std::min<double>(v->get_page_size(), r.get_height())));
    }
    return r;
}

Vue DXFArea::vueVisible(int& largeur, int& hauteur) const {
    const Gdk::Rectangle r = partieVisible();
    largeur = r.get_width();
    hauteur = r.get_height();
    Vue v = vue;
    // The drawing point at the bottom-left corner of that part.
    v.x += r.get_x() / vue.echelle;
    v.y += (get_allocation().get_height() - r.get_y() - r.get_height()) / vue.echelle;
    return v;
}

void DXFArea::setDessin(std::shared_ptr<const Dessin> d, bool garderVue) {
    dessin = d ? std::move(d) : std::make_shared<const Dessin>();
    resoudreMasques();
    dessinRelu = garderVue;
    if (!garderVue || !dessin->getEspacePapier().presentation(presentation)) presentation = 0;
    if (navigable && !garderVue) ajuster();
    // The views of another drawing are no way back.
    if (!garderVue) historique.clear();
}

void DXFArea::setPresentation(std::size_t rang) {
    presentation = dessin->getEspacePapier().presentation(rang) ? rang : 0;
    ajuster();
}

std::list<std::string> DXFArea::getCalques() const { return dessin->getCalques(); }

bool DXFArea::contains(const std::string& nom) const {
    return std::find(calquesMasques.begin(), calquesMasques.end(), nom) != calquesMasques.end();
}

void DXFArea::masquerCalque(const std::string& nom) {
    calquesMasques.push_back(nom);
    resoudreMasques();
}

void DXFArea::afficherCalque(const std::string& nom) {
    calquesMasques.remove(nom);
    resoudreMasques();
}

void DXFArea::toutAfficher() {
    calquesMasques.clear();
    resoudreMasques();
}

void DXFArea::masquerCalquesEteints() {
    calquesMasques = dessin->getCalquesEteints();
    resoudreMasques();
}

void DXFArea::resoudreMasques() {
    masquesResolus = std::make_shared<const CalquesMasques>(*dessin, calquesMasques);
}

void DXFArea::reDessiner() {
    // A fit to come asks for its own picture once the area has its size.
    if (get_window() && !ajusterAuPremierDessin) demander(true);
    if (ajusterAuPremierDessin) demandeFaite = false;
    queue_draw();
}

Commande DXFArea::commandeCourante() const {
    Commande c;
    c.dessin = dessin;
    c.vue = vue;
    const Gtk::Allocation a = get_allocation();
    c.largeur = std::max(1, a.get_width());
    c.hauteur = std::max(1, a.get_height());
    c.masques = masquesResolus;
    c.presentation = presentation;
    c.fond = fond();
    // No paint trace once the log can take no more.
    const auto* journal = dynamic_cast<const TamponJournal*>(sortie.rdbuf());
    c.trace = !(journal && journal->tronque());
    // Nothing of this drawing to show meanwhile: shown band by band.
    c.progressive = !dessinRelu && !(copieServeur && commandeServeur.dessin == dessin);
    return c;
}

void DXFArea::demander(bool toujours) {
    Commande c = commandeCourante();
    if (!toujours && demandeFaite && c == demandee) return;
    demandee = c;
    demandeFaite = true;
    atelier.demander(std::move(c));
    if (!minuterie.connected())
        minuterie = Glib::signal_timeout().connect(sigc::mem_fun(*this, &DXFArea::surProgression),
                                                   kPeriodeProgression);
}

bool DXFArea::surProgression() {
    etat.emit();
    return atelier.enCours();
}

void DXFArea::montrerBandes() {
    Glib::RefPtr<Gdk::Window> fenetre = get_window();
    for (const std::unique_ptr<Bande>& b : atelier.prendreBandes()) {
        if (!fenetre || b->commande != demandee) continue;
        const int l = std::max(1, b->commande.largeur), h = std::max(1, b->commande.hauteur);
        if (!partiel || commandePartielle != b->commande) {
            partiel = Gdk::Pixmap::create(fenetre, l, h);
            commandePartielle = b->commande;
            Cairo::RefPtr<Cairo::Context> cr = partiel->create_cairo_context();
            cairo_set_source_rgb(cr->cobj(), b->commande.fond.r, b->commande.fond.g,
                                 b->commande.fond.b);
            cairo_paint(cr->cobj());
        }
        Cairo::RefPtr<Cairo::Context> cr = partiel->create_cairo_context();
        cairo_set_source_surface(cr->cobj(), b->surface, 0, b->y);
        cairo_set_operator(cr->cobj(), CAIRO_OPERATOR_SOURCE);
        cairo_rectangle(cr->cobj(), 0, b->y, l, cairo_image_surface_get_height(b->surface));
        cairo_fill(cr->cobj());
        queue_draw_area(0, b->y, l, cairo_image_surface_get_height(b->surface));
    }
}

void DXFArea::surTableauPret() {
    montrerBandes();
    std::unique_ptr<Tableau> t = atelier.prendre();
    if (!t) return;
    sortie.write(t->trace.data(), static_cast<std::streamsize>(t->trace.size()));
    sortie.flush();
    tableau = std::move(t);
    envoi.reset();
    aEnvoyer = true;
    demarrerEnvoi();
    etat.emit();
}

void DXFArea::demarrerEnvoi() {
    if (aEnvoyer && get_window() && !envoiEnCours.connected())
        envoiEnCours = Glib::signal_idle().connect(sigc::mem_fun(*this, &DXFArea::envoyerBande));
}

bool DXFArea::envoyerBande() {
    Glib::RefPtr<Gdk::Window> fenetre = get_window();
    if (!tableau || !fenetre) return false;
    const int l = cairo_image_surface_get_width(tableau->surface);
    const int h = cairo_image_surface_get_height(tableau->surface);
    if (l <= 0 || h <= 0) {
        aEnvoyer = false;
        return false;
    }
    if (!envoi) {
        envoi = Gdk::Pixmap::create(fenetre, l, h);
        lignesEnvoyees = 0;
    }
    Cairo::RefPtr<Cairo::Context> cr = envoi->create_cairo_context();
    cairo_rectangle(cr->cobj(), 0, lignesEnvoyees, l,
                    std::min(kLignesParEnvoi, h - lignesEnvoyees));
    cairo_clip(cr->cobj());
    cairo_set_source_surface(cr->cobj(), tableau->surface, 0, 0);
    cairo_set_operator(cr->cobj(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr->cobj());
    lignesEnvoyees += kLignesParEnvoi;
    if (lignesEnvoyees < h) return true;
    copieServeur = envoi;
    commandeServeur = tableau->commande;
    envoi.reset();
    partiel.reset();
    aEnvoyer = false;
    queue_draw();
    return false;
}

bool DXFArea::on_expose_event(GdkEventExpose* event) {
    Glib::RefPtr<Gdk::Window> fenetre = get_window();
    if (!fenetre) return true;
    if (ajusterAuPremierDessin) {
        ajusterAuPremierDessin = false;
        const Gdk::Rectangle r = partieVisible();
        largeurAjustee = r.get_width();
        hauteurAjustee = r.get_height();
        vue = vuePourVisible(ajusterPresentation(*dessin, presentation, r.get_width(),
                                                 r.get_height(), kMargeAjustement));
        etat.emit();
    }
    const Commande c = commandeCourante();
    if (!demandeFaite || c != demandee) demander();

    Cairo::RefPtr<Cairo::Context> cr = fenetre->create_cairo_context();
    cairo_t* k = cr->cobj();
    if (event) {
        cairo_rectangle(k, event->area.x, event->area.y, event->area.width, event->area.height);
        cairo_clip(k);
    }
    // A picture painted before the window was there.
    demarrerEnvoi();
    // The picture of this view; else the bands of it painted so far (a new
    // drawing's first picture); else the background and the previous
    // picture moved and scaled to the new view.
    const bool partielDeC = partiel && commandePartielle == c;
    if (copieServeur && commandeServeur == c) {
        gdk_cairo_set_source_pixmap(k, copieServeur->gobj(), 0, 0);
        cairo_paint(k);
    } else if (partielDeC) {
        gdk_cairo_set_source_pixmap(k, partiel->gobj(), 0, 0);
        cairo_paint(k);
    } else {
        cairo_set_source_rgb(k, c.fond.r, c.fond.g, c.fond.b);
        cairo_paint(k);
    }
    if (copieServeur && commandeServeur != c && !partielDeC &&
        (commandeServeur.dessin == c.dessin || dessinRelu)) {
        // Until the new picture is ready: the previous one (of the drawing
        // read anew, if so), moved and scaled to the new view.
        const Matrice ancienne = commandeServeur.vue.matrice(commandeServeur.hauteur);
        const Matrice m = vue.matrice(c.hauteur).apres(ancienne.inverse());
        if (m.inversible()) {
            const cairo_matrix_t cm = {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
            cairo_transform(k, &cm);
            gdk_cairo_set_source_pixmap(k, copieServeur->gobj(), 0, 0);
            cairo_pattern_set_filter(cairo_get_source(k), CAIRO_FILTER_FAST);
            cairo_paint(k);
        }
    }
    cairo_identity_matrix(k);
    if (surcouche) {
        cairo_save(k);
        surcouche(k, vue.matrice(c.hauteur));
        cairo_restore(k);
    }
    if (cadre) {
        // The zoom window being drawn.
        cairo_rectangle(k, std::min(appuiX, glisseX) + 0.5, std::min(appuiY, glisseY) + 0.5,
                        std::fabs(glisseX - appuiX), std::fabs(glisseY - appuiY));
        cairo_set_source_rgba(k, 0.2, 0.4, 1, 0.15);
        cairo_fill_preserve(k);
        cairo_set_source_rgb(k, 0.2, 0.4, 1);
        cairo_set_line_width(k, 1);
        cairo_stroke(k);
    }
    return true;
}

void DXFArea::on_size_allocate(Gtk::Allocation& allocation) {
    const int avant = get_allocation().get_height();
    Gtk::DrawingArea::on_size_allocate(allocation);
    if (navigable && avant > 1 && allocation.get_height() != avant)
        vue.y -= (allocation.get_height() - avant) / vue.echelle;
    suivreTaille();
}

void DXFArea::on_parent_changed(Gtk::Widget* ancien) {
    Gtk::DrawingArea::on_parent_changed(ancien);
    pageH.disconnect();
    pageV.disconnect();
    auto* cadre = dynamic_cast<Gtk::Viewport*>(get_parent());
    if (!navigable || !cadre) return;
    const auto suivre = sigc::mem_fun(*this, &DXFArea::suivreTaille);
    if (cadre->get_hadjustment())
        pageH = cadre->get_hadjustment()->signal_changed().connect(suivre);
    if (cadre->get_vadjustment())
        pageV = cadre->get_vadjustment()->signal_changed().connect(suivre);
}

void DXFArea::suivreTaille() {
    if (!navigable || !suivreAjustement || ajusterAuPremierDessin) return;
    const Gdk::Rectangle r = partieVisible();
    if (r.get_width() == largeurAjustee && r.get_height() == hauteurAjustee) return;
    ajusterAuPremierDessin = true;
    queue_draw();
}

bool DXFArea::on_scroll_event(GdkEventScroll* event) {
    if (!navigable || !event) return false;
    if (event->direction == GDK_SCROLL_UP)
        zoomer(kFacteurZoom, event->x, event->y);
    else if (event->direction == GDK_SCROLL_DOWN)
        zoomer(1 / kFacteurZoom, event->x, event->y);
    else
        return false;
    return true;
}

bool DXFArea::on_button_press_event(GdkEventButton* event) {
    if (!navigable || !event) return false;
    grab_focus();
    if (event->type == GDK_2BUTTON_PRESS && event->button == 1) {
        double X = event->x, Y = event->y;
        vue.versDessin(get_allocation().get_height(), X, Y);
        // The release that follows is no click of its own.
        glisse = false;
        clic.emit(X, Y, 2);
        return true;
    }
    if (event->type != GDK_BUTTON_PRESS) return true;
    if (event->button == 1 || event->button == 2) {
        glisseX = appuiX = event->x;
        glisseY = appuiY = event->y;
        bouge = false;
        cadre = event->button == 1 && (modeCadre || (event->state & GDK_SHIFT_MASK));
        glisse = !cadre;
    }
    return true;
}

bool DXFArea::on_button_release_event(GdkEventButton* event) {
    if (!navigable || !event) return false;
    if (event->button == 1 && cadre) {
        cadre = false;
        queue_draw();
        Boite b;
        for (const auto& [x, y] : {std::pair{appuiX, appuiY}, std::pair{event->x, event->y}}) {
            double X = x, Y = y;
            vue.versDessin(get_allocation().get_height(), X, Y);
            b.ajouter(X, Y);
        }
        // A rectangle of a few pixels is a slip, not a window.
        if (std::fabs(event->x - appuiX) > 3 && std::fabs(event->y - appuiY) > 3) montrer(b);
        return true;
    }
    if (event->button == 1 && glisse && !bouge) {
        double X = event->x, Y = event->y;
        vue.versDessin(get_allocation().get_height(), X, Y);
        clic.emit(X, Y, 1);
    }
    if (event->button == 1 || event->button == 2) glisse = false;
    return true;
}

bool DXFArea::on_motion_notify_event(GdkEventMotion* event) {
    if (!navigable || !event) return false;
    double X = event->x, Y = event->y;
    vue.versDessin(get_allocation().get_height(), X, Y);
    pointeur.emit(X, Y);
    if (cadre) {
        glisseX = event->x;
        glisseY = event->y;
        queue_draw();
        return true;
    }
    if (glisse && !bouge && std::hypot(event->x - appuiX, event->y - appuiY) < 3) return true;
    if (glisse) {
        bouge = true;
        const double dx = event->x - glisseX, dy = event->y - glisseY;
        glisseX = event->x;
        glisseY = event->y;
        deplacer(dx, dy);
    }
    return true;
}

bool DXFArea::on_key_press_event(GdkEventKey* event) {
    if (!navigable || !event) return false;
    const Gdk::Rectangle r = partieVisible();
    const double cx = r.get_x() + r.get_width() / 2.0, cy = r.get_y() + r.get_height() / 2.0;
    switch (event->keyval) {
        case GDK_Left:
            deplacer(kPasFleche, 0);
            return true;
        case GDK_Right:
            deplacer(-kPasFleche, 0);
            return true;
        case GDK_Up:
            deplacer(0, kPasFleche);
            return true;
        case GDK_Down:
            deplacer(0, -kPasFleche);
            return true;
        case GDK_plus:
        case GDK_KP_Add:
        case GDK_equal:
            zoomer(kFacteurZoom, cx, cy);
            return true;
        case GDK_minus:
        case GDK_KP_Subtract:
            zoomer(1 / kFacteurZoom, cx, cy);
            return true;
        case GDK_Home:
        case GDK_KP_Home:
            ajuster();
            return true;
        default:
            return false;
    }
}
