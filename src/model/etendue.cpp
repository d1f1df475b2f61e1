#include "model/etendue.h"

#include <cmath>

#include "model/courbes.h"
#include "model/disposition.h"
#include "model/hachures.h"
#include "model/index_spatial.h"
#include "model/multileader.h"

namespace {

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
void ajouter(Boite& b, const Hatch& h, int) { b.ajouter(etendueHachure(h)); }
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

// A block's two boxes (see Block::CacheEtendue): what its file shows, and
// all that can be painted.
struct Boites {
    Boite vue, tout;
};

const Block::CacheEtendue& etendues(const Block& bloc, int profondeur);

// Set while a block's box is computed when something within lies too deep.
thread_local bool tropProfond = false;

// The definition placed by an insertion or a dimension, when it may be
// walked from `profondeur`.
const Block::CacheEtendue* contenu(const Block& definition, int profondeur) {
    if (profondeur >= kProfondeurMax) {
        tropProfond = true;
        return nullptr;
    }
    const Block::CacheEtendue& c = etendues(definition, profondeur + 1);
    tropProfond = tropProfond || c.tropProfond;
    return &c;
}

void ajouter(Boites& b, const Insertion& i, int profondeur, bool vue) {
    const Block::CacheEtendue* c = contenu(i.getDefinition(), profondeur);
    if (!c) return;
    // The copies of a multiple insertion make a grid: its corner copies
    // bound it.
    for (int col : {0, i.getColonnes() - 1})
        for (int r : {0, i.getLignes() - 1}) {
            const Matrice m = i.placeeDans(Matrice{}, col, r);
            if (vue) b.vue.ajouter(c->boite.transformee(m));
            b.tout.ajouter(c->boiteTout.transformee(m));
        }
    for (const Attribut* a : i.getAttributs()) {
        Boite t;
        ajouter(t, *a, profondeur);
        if (vue) b.vue.ajouter(t);
        b.tout.ajouter(t);
    }
}

void ajouter(Boites& b, const Dimension& d, int profondeur, bool vue) {
    const Block::CacheEtendue* c = contenu(d.getBloc(), profondeur);
    if (!c) return;
    if (vue) b.vue.ajouter(c->boite);
    b.tout.ajouter(c->boiteTout);
}

template <class T>
void ajouter(Boites& b, const T& e, int profondeur, bool vue) {
    Boite t;
    ajouter(t, e, profondeur);
    if (vue) b.vue.ajouter(t);
    b.tout.ajouter(t);
}

void ajouter(Boites& b, const MultiLeader& m, int profondeur, bool vue) {
    const FigureRepere f = figureRepere(m);
    Boite t;
    for (const auto& l : f.lignes) ajouterPoints(t, l);
    for (const auto& p : f.paliers) ajouterPoints(t, p);
    for (const auto& p : f.fleches) ajouterPoints(t, p);
    if (m.getTexte()) ajouter(t, *m.getTexte(), profondeur);
    if (vue) b.vue.ajouter(t);
    b.tout.ajouter(t);
    if (m.getBlocFleche())
        if (const Block::CacheEtendue* c = contenu(*m.getBlocFleche(), profondeur))
            for (const Matrice& place : f.blocsFleches) {
                if (vue) b.vue.ajouter(c->boite.transformee(place));
                b.tout.ajouter(c->boiteTout.transformee(place));
            }
    if (m.getBloc()) ajouter(b, *m.getBloc(), profondeur, vue);
}

// Blocks of at least this many entities get an index.
constexpr std::size_t kEntitesIndex = 256;

// Room around a box: `part` of its size on each side, and `plus`.
Boite elargie(Boite b, double part, double plus = 0) {
    if (b.vide()) return b;
    const double m = std::max(b.largeur(), b.hauteur()) * part + plus;
    return Boite{b.x0 - m, b.y0 - m, b.x1 + m, b.y1 + m};
}

// The box an entity's strokes and glyphs may reach, for the index: what
// the extents count, with room where they estimate (glyphs wider than
// guessed, a curve through fit points that overshoots them, an
// arrowhead); everything for an insertion whose definition lies too deep
// (its walk says so).
template <class T>
Boite boitePeinte(const T&, const Boite& b) {
    return b;
}
Boite boitePeinte(const Text& t, const Boite& b) { return elargie(b, 1, std::fabs(t.getTaille())); }
Boite boitePeinte(const Spline&, const Boite& b) { return elargie(b, 0.25); }
Boite boitePeinte(const MultiLeader&, const Boite& b) { return elargie(b, 0.25); }
Boite boitePeinte(const Leader& l, const Boite& b) {
    return elargie(b, l.isCourbe() ? 0.25 : 0,
                   std::isfinite(l.getFleche()) ? std::fabs(l.getFleche()) : 0);
}
Boite boitePeinte(const Insertion& i, const Boite& b) {
    if (i.getDefinition().cacheEtendue.tropProfond) return Boite{-1e99, -1e99, 1e99, 1e99};
    return b;
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
    const Block::CacheEtendue* c = profondeur < kProfondeurMax ? contenu(b, profondeur) : nullptr;
    return c && c->ponctuelle;
}
bool ponctuel(const Insertion& i, int p) {
    return i.getAttributs().empty() && ponctuel(i.getDefinition(), p);
}
bool ponctuel(const Dimension& d, int p) { return ponctuel(d.getBloc(), p); }

// What the view leaves out bounds nothing: the paper space, and the layers
// off or frozen in the file (but layer "0", whose entities take the layer
// of the insertion that places them).
bool horsVue(const Entity& e) {
    return e.isEspacePapier() || (e.getCalque()->isEteint() && !e.getCalque()->isZero());
}

const Block::CacheEtendue& etendues(const Block& bloc, int profondeur) {
    auto& cache = bloc.cacheEtendue;
    // A block met again while its own box is being computed inserts itself:
    // that insertion adds nothing, as the walk leaves it out.
    if (cache.etat != Block::CacheEtendue::Inconnue) return cache;
    cache.etat = Block::CacheEtendue::EnCours;
    const bool tropProfondAvant = tropProfond;
    tropProfond = false;
    Boites b, secours;
    double objets = 0;
    // The entities' own boxes, in painting order, for the index of a
    // block of many.
    const bool indexer = bloc.getOrdre().size() >= kEntitesIndex;
    std::vector<Boite> boites;
    if (indexer) boites.reserve(bloc.getOrdre().size());
    bloc.pourChaqueEntite([&](const auto& e) {
        Boites be;
        if (!e.isEspacePapier()) ajouter(be, e, profondeur, !horsVue(e));
        Boites& cible = ponctuel(e, profondeur) ? secours : b;
        cible.vue.ajouter(be.vue);
        cible.tout.ajouter(be.tout);
        objets += objetsDeplies(e);
        if (indexer) boites.push_back(boitePeinte(e, be.tout));
    });
    cache.ponctuelle = b.vue.vide() && !secours.vue.vide();
    cache.boite = cache.ponctuelle ? secours.vue : b.vue;
    cache.boiteTout = b.tout.vide() ? secours.tout : b.tout;
    cache.objets = objets;
    if (indexer) cache.index = std::make_shared<const IndexSpatial>(boites);
    cache.tropProfond = tropProfond;
    tropProfond = tropProfondAvant || tropProfond;
    cache.etat = Block::CacheEtendue::Connue;
    return cache;
}

}  // namespace

double objetsDeplies(const Polyline& p) { return 1 + static_cast<double>(p.getPoints().size()); }

double objetsDeplies(const Insertion& i) {
    return static_cast<double>(i.getColonnes()) * i.getLignes() *
           (1 + i.getDefinition().cacheEtendue.objets);
}

double objetsDeplies(const Dimension& d) { return 1 + d.getBloc().cacheEtendue.objets; }

double objetsDeplies(const MultiLeader& m) {
    return 1 + (m.getBloc() ? objetsDeplies(*m.getBloc()) : 0);
}

const Boite& etendue(const Block& bloc) { return etendues(bloc, 0).boite; }

const Boite& etenduePeinte(const Block& bloc) { return etendues(bloc, 0).boiteTout; }

Boite etendueFeuille(const Block& bloc, bool racine) {
    Boites b;
    bloc.pourChaqueEntite([&](const auto& e) {
        if (!racine || e.isEspacePapier())
            ajouter(b, e, 0, !(e.getCalque()->isEteint() && !e.getCalque()->isZero()));
    });
    return b.vue;
}

double nombreDeplie(const Block& bloc) {
    etendue(bloc);
    return bloc.cacheEtendue.objets;
}

Boite etendueArc(double cx, double cy, double r, double a1, double a2) {
    Boite b;
    if (!std::isfinite(a1) || !std::isfinite(a2)) return b;
    r = std::fabs(r);
    // The sweep as the walk paints it.
    ramenerAngles(a1, a2, false);
    const double balayage = a2 - a1;
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
    // The sweep as the walk paints it, a whole turn within 1e-9 of one too
    // (6.28318530718 as some programs write 2 pi).
    ramenerAngles(t1, t2, true);
    double balayage = t2 - t1;
    if (balayage >= kDeuxPi - 1e-9) balayage = kDeuxPi;
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
