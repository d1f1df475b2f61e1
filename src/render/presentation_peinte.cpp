#include "render/presentation_peinte.h"

#include <cairo.h>

#include <cmath>
#include <variant>
#include <vector>

#include "model/courbes.h"
#include "model/etendue.h"
#include "render/peintre.h"

namespace {

// How far, in device pixels, the outline of a bulged clipping polyline may
// stray from its arcs.
constexpr double kToleranceContour = 0.25;

// The points of a clipping outline, carried by `vue` (fewer than three when
// it makes no outline).
void aplatirContourFenetre(const EspacePapier::Contour& contour, const Matrice& vue,
                           std::vector<PointPlan>& sortie) {
    if (const Polyline* const* pp = std::get_if<const Polyline*>(&contour)) {
        const Polyline& p = **pp;
        if (p.getPoints().size() < 3) return;
        std::vector<Sommet> sommets;
        for (std::size_t i = 0; i < p.getPoints().size(); ++i)
            sommets.push_back(
                {p.getPoints()[i]->getX(), p.getPoints()[i]->getY(), p.getRenflement(i)});
        aplatirContour(sommets, vue, kToleranceContour, sortie);
    } else if (const Circle* const* c = std::get_if<const Circle*>(&contour)) {
        const double r = (*c)->getRayon();
        aplatirEllipse({(*c)->getX(), (*c)->getY()}, {r, 0}, {0, r}, 0, kDeuxPi, vue,
                       kToleranceContour, sortie);
    } else if (const Ellipse* const* e = std::get_if<const Ellipse*>(&contour)) {
        aplatirEllipse({(*e)->getX(), (*e)->getY()}, {(*e)->getAx(), (*e)->getAy()},
                       {(*e)->getBx(), (*e)->getBy()}, 0, kDeuxPi, vue, kToleranceContour, sortie);
    } else if (const Spline* const* sp = std::get_if<const Spline*>(&contour)) {
        const Spline& s = **sp;
        aplatirSpline(s.getDegre(), s.isFermee(), s.getNoeuds(), s.getControles(), s.getPoids(),
                      s.getAjustes(), vue, kToleranceContour, sortie);
    }
}

// The outline a viewport is clipped to, in device pixels: its clipping
// outline (a polyline, circle, ellipse or spline) when it names one that
// encloses something, its rectangle otherwise.
std::vector<PointPlan> contourFenetre(const EspacePapier& papier, const FenetreVue& f,
                                      const Matrice& vue) {
    std::vector<PointPlan> sortie;
    if (const EspacePapier::Contour* c = f.decoupe.empty() ? nullptr : papier.contour(f.decoupe)) {
        aplatirContourFenetre(*c, vue, sortie);
        if (sortie.size() >= 3) return sortie;
        sortie.clear();
    }
    for (PointPlan c : f.rectangle()) {
        vue.appliquer(c.x, c.y);
        sortie.push_back(c);
    }
    return sortie;
}

// A closed path through device points; false when one is not finite.
bool chemin(cairo_t* c, const std::vector<PointPlan>& points) {
    cairo_new_path(c);
    for (const PointPlan& p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
        cairo_line_to(c, p.x, p.y);
    }
    cairo_close_path(c);
    return true;
}

std::vector<PointPlan> coins(const Boite& b, const Matrice& vue) {
    std::vector<PointPlan> c{{b.x0, b.y0}, {b.x1, b.y0}, {b.x1, b.y1}, {b.x0, b.y1}};
    for (PointPlan& p : c) vue.appliquer(p.x, p.y);
    return c;
}

// The sheet: the background's colour on grey, its outline, and the margins
// dashed.
void peindrePapier(cairo_t* c, const Presentation& p, const Matrice& vue, const CouleurRVB& fond) {
    const Boite feuille = p.feuille();
    if (feuille.vide()) return;
    cairo_save(c);
    cairo_set_source_rgb(c, kFondHorsFeuille.r, kFondHorsFeuille.g, kFondHorsFeuille.b);
    cairo_paint(c);
    if (chemin(c, coins(feuille, vue))) {
        cairo_set_source_rgb(c, fond.r, fond.g, fond.b);
        cairo_fill_preserve(c);
        cairo_set_line_width(c, 1);
        cairo_set_source_rgb(c, 0.35, 0.35, 0.35);
        cairo_stroke(c);
    }
    const Boite marges = p.zoneImprimable();
    if (!marges.vide() && chemin(c, coins(marges, vue))) {
        const double tirets[2] = {4, 4};
        cairo_set_dash(c, tirets, 2, 0);
        cairo_set_source_rgb(c, 0.7, 0.7, 0.7);
        cairo_stroke(c);
    }
    cairo_restore(c);
}

}  // namespace

Vue ajusterPresentation(const Dessin& dessin, std::size_t rang, double largeur, double hauteur,
                        double marge) {
    if (!dessin.getEspacePapier().presentation(rang))
        return ajusterDessin(dessin, largeur, hauteur, marge);
    return ajuster(etenduePresentation(dessin, rang), largeur, hauteur, marge);
}

bool Peintre::peindreFeuille(cairo_t* c, const Dessin& dessin, const Presentation& p,
                             const Matrice& vue, const Zone& zone) {
    cairo_save(c);
    cairo_new_path(c);
    if (zone.largeur > 0) cairo_rectangle(c, zone.x, zone.y, zone.largeur, zone.hauteur);
    cairo_clip(c);
    peindrePapier(c, p, vue, fond_);
    bool complet = true;
    const EspacePapier& papier = dessin.getEspacePapier();
    // Model space through each viewport, with the layers frozen in it
    // hidden besides those the viewer hides.
    const CalquesMasques base =
        calquesMasques_ ? *calquesMasques_ : CalquesMasques(dessin, dessin.getCalquesEteints());
    const CalquesMasques* avant = calquesMasques_;
    OptionsPeinture options = options_;
    options.calquesMasquables = true;
    for (const FenetreVue& f : papier.fenetres()) {
        if (!p.bloc || f.bloc != p.bloc || !f.montree()) continue;
        const Matrice m = vue.apres(f.matrice());
        cairo_save(c);
        if (m.inversible() && chemin(c, contourFenetre(papier, f, vue))) {
            cairo_clip(c);
            CalquesMasques masques = base;
            masques.masquer(dessin, {f.calquesGeles.begin(), f.calquesGeles.end()});
            calquesMasques_ = &masques;
            Parcours parcours(options);
            parcours.setSilencieux();
            complet = peindreSur(c, parcours, dessin, m, zone, nullptr) && complet;
            tronqueFenetres_ = tronqueFenetres_ || parcours.estTronque();
            calquesMasques_ = avant;
        }
        cairo_restore(c);
    }
    // The layout's own entities, over what the viewports show.
    if (p.insertion) {
        principal_.setFeuille(p.insertion.get());
        complet = peindreSur(c, principal_, dessin, vue, zone, nullptr) && complet;
        principal_.setFeuille(nullptr);
    }
    cairo_restore(c);
    return complet;
}
