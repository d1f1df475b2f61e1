#include "model/etendue.h"

#include <cmath>

#include "model/disposition.h"
#include "model/courbes.h"
#include "model/multileader.h"

namespace {

constexpr double kPi = 3.141592653589793;
// Nested deeper than this, an insertion adds nothing (as the walk stops).
constexpr int kProfondeurMax = 1024;

void ajouter(Boite& b, const Line& l, int) {
    b.ajouter(l.getX(), l.getY());
    b.ajouter(l.getX2(), l.getY2());
}
void ajouter(Boite& b, const Arc& a, int) {
    b.ajouter(etendueArc(a.getX(), a.getY(), a.getRayon(), a.getAngle1(), a.getAngle2()));
}
void ajouter(Boite& b, const Circle& c, int) {
    const double r = std::fabs(c.getRayon());
    b.ajouter(c.getX() - r, c.getY() - r);
    b.ajouter(c.getX() + r, c.getY() + r);
}
void ajouter(Boite& b, const Point& p, int) { b.ajouter(p.getX(), p.getY()); }
// The box of the segment from `a` to `b` with the bulge of `a`.
void ajouterSegment(Boite& boite, const Sommet& a, const Sommet& b) {
    double cx, cy, r, a1, a2;
    if (arcDeRenflement(a.x, a.y, b.x, b.y, a.renflement, cx, cy, r, a1, a2))
        boite.ajouter(etendueArc(cx, cy, r, a1, a2));
    boite.ajouter(a.x, a.y);
    boite.ajouter(b.x, b.y);
}

void ajouter(Boite& b, const Polyline& p, int) {
    const auto& v = p.getPoints();
    const DetailsPolyligne* d = p.getDetails();
    if (!d) {
        for (const Point* s : v) b.ajouter(s->getX(), s->getY());
        return;
    }
    Boite boite;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const std::size_t j = i + 1 < v.size() ? i + 1 : 0;
        const bool dernier = i + 1 == v.size();
        const double renflement = dernier && !p.isFermee() ? 0 : p.getRenflement(i);
        ajouterSegment(boite, Sommet{v[i]->getX(), v[i]->getY(), renflement},
                       Sommet{v[j]->getX(), v[j]->getY(), 0});
    }
    // The bands reach half their width beyond the vertices.
    double largeur = 0;
    for (double l : d->largeurs)
        if (std::isfinite(l)) largeur = std::max(largeur, std::fabs(l));
    if (!boite.vide() && largeur > 0) {
        boite.ajouter(boite.x0 - largeur / 2, boite.y0 - largeur / 2);
        boite.ajouter(boite.x1 + largeur / 2, boite.y1 + largeur / 2);
    }
    b.ajouter(boite);
}

template <class L>
void ajouterPoints(Boite& b, const L& points) {
    for (const auto& p : points) b.ajouter(p.x, p.y);
}
void ajouter(Boite& b, const Ellipse& e, int) {
    b.ajouter(etendueEllipse({e.getX(), e.getY()}, {e.getAx(), e.getAy()}, {e.getBx(), e.getBy()},
                             e.getT1(), e.getT2()));
}
void ajouter(Boite& b, const Spline& s, int) {
    // A B-spline lies within its control points.
    ajouterPoints(b, s.getControles());
    ajouterPoints(b, s.getAjustes());
}
void ajouter(Boite& b, const Solid& s, int) {
    for (int i = 0; i < 4; ++i) b.ajouter(s.getCoin(i).x, s.getCoin(i).y);
}
void ajouter(Boite& b, const Face3D& f, int) {
    for (int i = 0; i < 4; ++i) b.ajouter(f.getCoin(i).x, f.getCoin(i).y);
}
void ajouter(Boite& b, const Leader& l, int) { ajouterPoints(b, l.getSommets()); }
void ajouter(Boite& b, const Wipeout& w, int) { ajouterPoints(b, w.getContour()); }
void ajouter(Boite& b, const Hatch& h, int) {
    for (const auto& c : h.getContours())
        for (std::size_t i = 0; i < c.size(); ++i) ajouterSegment(b, c[i], c[(i + 1) % c.size()]);
}
void ajouter(Boite& b, const Text& t, int) { b.ajouter(boiteEstimee(t)); }
void ajouter(Boite& b, const Attribut& a, int) {
    if (a.isPeint()) b.ajouter(boiteEstimee(a));
}
void ajouter(Boite& b, const Image& i, int) {
    // The parallelogram of the picture.
    const double w = i.getWidth(), h = i.getHeight();
    b.ajouter(i.getX(), i.getY());
    b.ajouter(i.getX() + i.getUx() * w, i.getY() + i.getUy() * w);
    b.ajouter(i.getX() + i.getVx() * h, i.getY() + i.getVy() * h);
    b.ajouter(i.getX() + i.getUx() * w + i.getVx() * h, i.getY() + i.getUy() * w + i.getVy() * h);
}

const Boite& etendue(const Block& bloc, int profondeur);

void ajouter(Boite& b, const Insertion& i, int profondeur) {
    if (profondeur >= kProfondeurMax) return;
    const Boite& contenu = etendue(i.getDefinition(), profondeur + 1);
    // The copies of a multiple insertion make a grid: its corner copies
    // bound it.
    for (int c : {0, i.getColonnes() - 1})
        for (int r : {0, i.getLignes() - 1})
            b.ajouter(contenu.transformee(i.placeeDans(Matrice{}, c, r)));
    for (const Attribut* a : i.getAttributs()) ajouter(b, *a, profondeur);
}

void ajouter(Boite& b, const MultiLeader& m, int profondeur) {
    const FigureRepere f = figureRepere(m);
    for (const auto& l : f.lignes) ajouterPoints(b, l);
    for (const auto& p : f.paliers) ajouterPoints(b, p);
    for (const auto& t : f.fleches) ajouterPoints(b, t);
    if (m.getBlocFleche() && profondeur < kProfondeurMax)
        for (const Matrice& place : f.blocsFleches)
            b.ajouter(etendue(*m.getBlocFleche(), profondeur + 1).transformee(place));
    if (m.getTexte()) ajouter(b, *m.getTexte(), profondeur);
    if (m.getBloc()) ajouter(b, *m.getBloc(), profondeur);
}

void ajouter(Boite& b, const Dimension& d, int profondeur) {
    if (profondeur >= kProfondeurMax) return;
    b.ajouter(etendue(d.getBloc(), profondeur + 1));
}

// What the view leaves out bounds nothing: the paper space, and the layers
// off or frozen in the file (but layer "0", whose entities take the layer
// of the insertion that places them).
bool horsVue(const Entity& e) {
    return e.isEspacePapier() || (e.getCalque()->isEteint() && !e.getCalque()->isZero());
}

// What bounds a box only when nothing else does: arcs and circles of no
// radius (the walk paints nothing of them), and the insertions of blocks
// that hold nothing else.
template <class T>
bool ponctuel(const T&, int) {
    return false;
}
bool ponctuel(const Circle& c, int) { return !(std::fabs(c.getRayon()) > 0); }
bool ponctuel(const Arc& a, int p) { return ponctuel(static_cast<const Circle&>(a), p); }
bool ponctuel(const Block& b, int profondeur) {
    return profondeur < kProfondeurMax && (etendue(b, profondeur + 1), b.cacheEtendue.ponctuelle);
}
bool ponctuel(const Insertion& i, int p) {
    return i.getAttributs().empty() && ponctuel(i.getDefinition(), p);
}
bool ponctuel(const Dimension& d, int p) { return ponctuel(d.getBloc(), p); }

// The objects one entity stands for when walked.
template <class T>
double deplie(const T&) {
    return 1;
}
double deplie(const Polyline& p) { return 1 + static_cast<double>(p.getPoints().size()); }
// Each copy of a multiple insertion is met, and walks its definition.
double deplie(const Insertion& i) {
    return static_cast<double>(i.getColonnes()) * i.getLignes() *
           (1 + i.getDefinition().cacheEtendue.objets);
}
double deplie(const Dimension& d) { return 1 + d.getBloc().cacheEtendue.objets; }
double deplie(const MultiLeader& m) { return 1 + (m.getBloc() ? deplie(*m.getBloc()) : 0); }

const Boite& etendue(const Block& bloc, int profondeur) {
    auto& cache = bloc.cacheEtendue;
    // A block met again while its own box is being computed inserts itself:
    // that insertion adds nothing, as the walk leaves it out.
    if (cache.etat != Block::CacheEtendue::Inconnue) return cache.boite;
    cache.etat = Block::CacheEtendue::EnCours;
    Boite b, secours;
    double objets = 0;
    pourChaqueGenre(GenresEntites{}, [&](auto* genre) {
        using T = std::remove_pointer_t<decltype(genre)>;
        for (const T* e : bloc.liste<T>()) {
            if (!horsVue(*e)) ajouter(ponctuel(*e, profondeur) ? secours : b, *e, profondeur);
            objets += deplie(*e);
        }
    });
    cache.ponctuelle = b.vide() && !secours.vide();
    cache.boite = cache.ponctuelle ? secours : b;
    cache.objets = objets;
    cache.etat = Block::CacheEtendue::Connue;
    return cache.boite;
}

}  // namespace

const Boite& etendue(const Block& bloc) { return etendue(bloc, 0); }

double nombreDeplie(const Block& bloc) {
    etendue(bloc);
    return bloc.cacheEtendue.objets;
}

Boite etendueArc(double cx, double cy, double r, double a1, double a2) {
    Boite b;
    if (!std::isfinite(a1) || !std::isfinite(a2)) return b;
    r = std::fabs(r);
    a1 = std::fmod(a1, 2 * kPi);
    // The sweep from a1, counter-clockwise, to a2 taken a whole turn on when
    // it lies before a1.
    double balayage = std::fmod(a2 - a1, 2 * kPi);
    if (balayage < 0) balayage += 2 * kPi;
    if (a2 - a1 >= 2 * kPi) balayage = 2 * kPi;
    b.ajouter(cx + r * std::cos(a1), cy + r * std::sin(a1));
    b.ajouter(cx + r * std::cos(a1 + balayage), cy + r * std::sin(a1 + balayage));
    // The extreme points of the quadrants the sweep passes.
    const double dx[4] = {r, 0, -r, 0}, dy[4] = {0, r, 0, -r};
    const long premier = std::lround(std::ceil(a1 / (kPi / 2)));
    for (long q = premier; q <= premier + 4 && q * (kPi / 2) <= a1 + balayage + 1e-12; ++q)
        b.ajouter(cx + dx[((q % 4) + 4) % 4], cy + dy[((q % 4) + 4) % 4]);
    return b;
}

Boite etendueEllipse(const PointPlan& c, const PointPlan& a, const PointPlan& b, double t1,
                     double t2) {
    Boite boite;
    if (!std::isfinite(t1) || !std::isfinite(t2)) return boite;
    auto ajouterT = [&](double t) {
        boite.ajouter(c.x + a.x * std::cos(t) + b.x * std::sin(t),
                      c.y + a.y * std::cos(t) + b.y * std::sin(t));
    };
    // The sweep as the walk paints it: more than a turn, or equal ends, a
    // whole turn; within 1e-9 of one too (6.28318530718 as some programs
    // write 2 pi).
    double balayage = t2 - t1;
    if (!(balayage <= 2 * kPi)) {
        balayage = 2 * kPi;
    } else {
        balayage = std::fmod(balayage, 2 * kPi);
        if (balayage <= 0) balayage += 2 * kPi;
    }
    if (balayage >= 2 * kPi - 1e-9) balayage = 2 * kPi;
    ajouterT(t1);
    ajouterT(t1 + balayage);
    // Where x and then y are extreme, and the opposite points.
    for (double t0 : {std::atan2(b.x, a.x), std::atan2(b.y, a.y)})
        for (double t : {t0, t0 + kPi}) {
            const double d = std::fmod(std::fmod(t - t1, 2 * kPi) + 2 * kPi, 2 * kPi);
            if (d <= balayage) ajouterT(t);
        }
    return boite;
}
