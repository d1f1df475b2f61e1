#include "ui/dxfarea.h"

#include <gdkmm/color.h>
#include <gdkmm/window.h>

#include <algorithm>
#include <cmath>

namespace {

OptionsPeinture optionsPlan() {
    OptionsPeinture options;
    options.calquesMasquables = false;
    options.images = false;
    return options;
}

}  // namespace

DXFArea::DXFArea(std::ostream& sortie) : DXFArea(nullptr, 1.0, OptionsPeinture{}, sortie) {}

DXFArea::DXFArea(std::shared_ptr<const Dessin> d, double echelle, std::ostream& sortie)
    : DXFArea(std::move(d), echelle, optionsPlan(), sortie) {}

DXFArea::DXFArea(std::shared_ptr<const Dessin> d, double e, OptionsPeinture options,
                 std::ostream& sortie)
    : trace(sortie), peintre(trace, options) {
    setDessin(std::move(d));
    setEchelle(e);
    // The toolkit clears the area to the background the drawings are painted
    // on (wipeouts paint it too).
    Gdk::Color fond;
    fond.set_rgb_p(kFond.r, kFond.g, kFond.b);
    modify_bg(Gtk::STATE_NORMAL, fond);
}

DXFArea::~DXFArea() = default;

bool DXFArea::setEchelle(double e) {
    if (!echelleValide(e) || e == echelle) return false;
    echelle = e;
    return true;
}

void DXFArea::setDessin(std::shared_ptr<const Dessin> d) {
    dessin = d ? std::move(d) : std::make_shared<const Dessin>();
}

std::list<std::string> DXFArea::getCalques() const { return dessin->getCalques(); }

bool DXFArea::contains(const std::string& nom) const {
    return std::find(calquesMasques.begin(), calquesMasques.end(), nom) != calquesMasques.end();
}

void DXFArea::masquerCalque(const std::string& nom) { calquesMasques.push_back(nom); }

void DXFArea::afficherCalque(const std::string& nom) { calquesMasques.remove(nom); }

bool DXFArea::on_expose_event(GdkEventExpose* event) {
    Glib::RefPtr<Gdk::Window> fenetre = get_window();
    if (!fenetre) return true;
    const Gtk::Allocation allocation = get_allocation();
    Zone zone;
    if (event) {
        zone.x = event->area.x;
        zone.y = event->area.y;
        zone.largeur = event->area.width;
        zone.hauteur = event->area.height;
    } else {
        zone.largeur = allocation.get_width();
        zone.hauteur = allocation.get_height();
    }
    Cairo::RefPtr<Cairo::Context> cr = fenetre->create_cairo_context();
    peintre.peindre(cr, *dessin, echelle, allocation.get_height(), zone, calquesMasques);
    trace.vider();
    return true;
}
