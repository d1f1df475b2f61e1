#include "model/etendue.h"

#include <cmath>

#include "model/disposition.h"

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
void ajouter(Boite& b, const Polyline& p, int) {
    for (const Point* v : p.getPoints()) b.ajouter(v->getX(), v->getY());
}
void ajouter(Boite& b, const Text& t, int) { b.ajouter(boiteEstimee(t)); }
void ajouter(Boite& b, const Attribut& a, int) {
    if (a.isPeint()) b.ajouter(boiteEstimee(a));
}
void ajouter(Boite& b, const Image& i, int) { b.ajouter(i.getX(), i.getY()); }

const Boite& etendue(const Block& bloc, int profondeur);

void ajouter(Boite& b, const Insertion& i, int profondeur) {
    if (profondeur >= kProfondeurMax) return;
    const Boite& contenu = etendue(i.getDefinition(), profondeur + 1);
    b.ajouter(contenu.transformee(i.placeeDans(Matrice{})));
    for (const Attribut* a : i.getAttributs()) ajouter(b, *a, profondeur);
}

// The objects one entity stands for when walked.
template <class T>
double deplie(const T&) {
    return 1;
}
double deplie(const Polyline& p) { return 1 + static_cast<double>(p.getPoints().size()); }
double deplie(const Insertion& i) { return 1 + i.getDefinition().cacheEtendue.objets; }

const Boite& etendue(const Block& bloc, int profondeur) {
    auto& cache = bloc.cacheEtendue;
    // A block met again while its own box is being computed inserts itself:
    // that insertion adds nothing, as the walk leaves it out.
    if (cache.etat != Block::CacheEtendue::Inconnue) return cache.boite;
    cache.etat = Block::CacheEtendue::EnCours;
    Boite b;
    double objets = 0;
    pourChaqueGenre(GenresEntites{}, [&](auto* genre) {
        using T = std::remove_pointer_t<decltype(genre)>;
        for (const T* e : bloc.liste<T>()) {
            ajouter(b, *e, profondeur);
            objets += deplie(*e);
        }
    });
    cache.boite = b;
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
