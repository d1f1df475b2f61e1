#include "render/designation.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Objects a designation or a snap meets at most, insertions unfolded.
constexpr long kVisitesMax = 5'000'000;

// The zone around a point.
Boite autour(const PointPlan& p, double r) {
    Boite b;
    b.ajouter(p.x - r, p.y - r);
    b.ajouter(p.x + r, p.y + r);
    return b;
}

// How far, in drawing units, curves may stray from the shapes compared
// with a point, for a tolerance of reach.
double precision(double tolerance) { return tolerance > 0 ? tolerance / 8 : 1e-9; }

// Whether an entity may meet the zone, by a box found without flattening
// it (true for the kinds that have none so cheap): the index answers by
// groups, most of whose entities lie elsewhere.
template <class T>
bool peutToucher(const T&, const Matrice&, const Boite&) {
    return true;
}
bool peutToucher(const Boite& locale, const Matrice& m, const Boite& zone) {
    return locale.transformee(m).touche(zone);
}
bool peutToucher(const Line& l, const Matrice& m, const Boite& zone) {
    Boite b;
    b.ajouter(l.getX(), l.getY());
    b.ajouter(l.getX2(), l.getY2());
    return peutToucher(b, m, zone);
}
bool peutToucher(const Circle& c, const Matrice& m, const Boite& zone) {
    const double r = std::fabs(c.getRayon());
    // Kept in shape: the ring within reach of the zone's centre.
    const double eMax = m.etirementMax(), eMin = m.etirementMin();
    if (eMax - eMin <= 1e-9 * eMax) {
        double cx = c.getX(), cy = c.getY();
        m.appliquer(cx, cy);
        const double d = std::hypot(cx - (zone.x0 + zone.x1) / 2, cy - (zone.y0 + zone.y1) / 2);
        if (std::fabs(d - r * eMax) > zone.largeur() / 2 * std::sqrt(2.0)) return false;
    }
    Boite b;
    b.ajouter(c.getX() - r, c.getY() - r);
    b.ajouter(c.getX() + r, c.getY() + r);
    return peutToucher(b, m, zone);
}
bool peutToucher(const Arc& a, const Matrice& m, const Boite& zone) {
    return peutToucher(static_cast<const Circle&>(a), m, zone);
}
bool peutToucher(const Polyline& p, const Matrice& m, const Boite& zone) {
    if (p.getDetails()) return true;  // bulges, widths, meshes
    Boite b;
    for (const Point* s : p.getPoints()) b.ajouter(s->getX(), s->getY());
    return peutToucher(b, m, zone);
}

bool memesPorteurs(const std::vector<Porteur>& a, const std::vector<Porteur>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](auto& x, auto& y) {
               return x.ref.entite == y.ref.entite;
           });
}

}  // namespace

std::vector<Designe> designer(const Dessin& dessin, const CalquesMasques* masques, PointPlan p,
                              double tolerance, std::size_t max) {
    std::vector<Designe> trouves;
    if (!(tolerance >= 0) || !std::isfinite(p.x) || !std::isfinite(p.y)) return trouves;
    const Boite zone = autour(p, tolerance);
    Visite visite(masques);
    visite.setBudget(kVisitesMax);
    visite.parcourir(dessin, &zone, [&](const auto& e, const Matrice& m, bool) {
        if (!peutToucher(e, m, zone)) return;
        Forme f;
        former(e, m, precision(tolerance), f);
        const double d = distanceForme(f, p, tolerance);
        if (!(d <= tolerance)) return;
        Designe r{RefEntite::de(e), visite.getPorteurs(), m, std::move(f), d};
        // What a dimension's block draws designates the dimension.
        const auto dim = std::find_if(r.porteurs.begin(), r.porteurs.end(),
                                      [](const Porteur& q) { return q.ref.est<Dimension>(); });
        if (dim != r.porteurs.end()) {
            r.objet = dim->ref;
            r.matrice = dim->matrice;
            r.porteurs.erase(dim, r.porteurs.end());
            const auto deja = std::find_if(trouves.begin(), trouves.end(), [&](const Designe& t) {
                return t.objet.entite == r.objet.entite && memesPorteurs(t.porteurs, r.porteurs);
            });
            if (deja != trouves.end()) {
                deja->distance = std::min(deja->distance, d);
                return;
            }
            r.forme = Forme{};
            former(r.objet.comme<Dimension>(), r.matrice, precision(tolerance), r.forme);
        }
        trouves.push_back(std::move(r));
    });
    // Nearest first; among equals, the last painted (on top).
    std::vector<std::size_t> ordre(trouves.size());
    for (std::size_t i = 0; i < ordre.size(); ++i) ordre[i] = i;
    std::stable_sort(ordre.begin(), ordre.end(), [&](std::size_t a, std::size_t b) {
        return trouves[a].distance < trouves[b].distance ||
               (trouves[a].distance == trouves[b].distance && a > b);
    });
    std::vector<Designe> resultat;
    for (std::size_t i = 0; i < ordre.size() && i < max; ++i)
        resultat.push_back(std::move(trouves[ordre[i]]));
    return resultat;
}

std::string cheminBlocs(const std::vector<Porteur>& porteurs) {
    std::string s;
    for (auto it = porteurs.rbegin(); it != porteurs.rend(); ++it) {
        if (!it->ref.est<Insertion>()) continue;
        if (!s.empty()) s += " < ";
        s += it->ref.comme<Insertion>().nomRef();
    }
    return s;
}

const char* nomAccroche(GenreAccroche g) {
    switch (g) {
        case GenreAccroche::Extremite:
            return "Extrémité";
        case GenreAccroche::Milieu:
            return "Milieu";
        case GenreAccroche::Centre:
            return "Centre";
        case GenreAccroche::Intersection:
            return "Intersection";
        case GenreAccroche::Proche:
            return "Proche";
        case GenreAccroche::Perpendiculaire:
            return "Perpendiculaire";
        case GenreAccroche::Insertion:
            return "Point d'insertion";
    }
    return "";
}

namespace {

struct Segment {
    PointPlan a, b;
    std::size_t forme;
};

// The crossing of segments [a, b] and [c, d]; false when they do not cross
// (parallel ones never do).
bool croisement(const Segment& s, const Segment& t, PointPlan& x) {
    const double rx = s.b.x - s.a.x, ry = s.b.y - s.a.y;
    const double qx = t.b.x - t.a.x, qy = t.b.y - t.a.y;
    const double den = rx * qy - ry * qx;
    if (!(std::fabs(den) > 0)) return false;
    const double u = ((t.a.x - s.a.x) * qy - (t.a.y - s.a.y) * qx) / den;
    const double v = ((t.a.x - s.a.x) * ry - (t.a.y - s.a.y) * rx) / den;
    if (u < 0 || u > 1 || v < 0 || v > 1) return false;
    x = {s.a.x + u * rx, s.a.y + u * ry};
    return true;
}

// The foot of the perpendicular from `d` to the line of the segment, when
// it falls on the segment.
bool pied(const Segment& s, const PointPlan& d, PointPlan& x) {
    const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
    const double l2 = dx * dx + dy * dy;
    if (!(l2 > 0)) return false;
    const double t = ((d.x - s.a.x) * dx + (d.y - s.a.y) * dy) / l2;
    if (t < 0 || t > 1) return false;
    x = {s.a.x + t * dx, s.a.y + t * dy};
    return true;
}

constexpr std::size_t kFormesMax = 256;
constexpr std::size_t kSegmentsMax = 4096;

}  // namespace

bool accrocher(const Dessin& dessin, const CalquesMasques* masques, PointPlan p, double ouverture,
               const PointPlan* depart, Accroche& accroche) {
    if (!(ouverture >= 0) || !std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    const Boite zone = autour(p, ouverture);
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<Forme> formes;
    Visite visite(masques);
    visite.setBudget(kVisitesMax);
    visite.parcourir(dessin, &zone, [&](const auto& e, const Matrice& m, bool) {
        if (formes.size() >= kFormesMax || !peutToucher(e, m, zone)) return;
        Forme f;
        former(e, m, precision(ouverture), f);
        if (!(distanceForme(f, p, inf) <= ouverture)) return;
        // The insertion points of the blocks that carry it.
        for (const Porteur& q : visite.getPorteurs())
            if (q.ref.est<Insertion>()) former(q.ref.comme<Insertion>(), q.matrice, 0, f);
        formes.push_back(std::move(f));
    });
    double meilleure = inf;
    auto proposer = [&](const PointPlan& q, GenreAccroche g) {
        const double d = distancePoints(q, p);
        if (d <= ouverture && d < meilleure) {
            meilleure = d;
            accroche = {q, g};
        }
    };
    std::vector<Segment> segments;
    for (std::size_t i = 0; i < formes.size(); ++i) {
        for (const PointRemarquable& r : formes[i].points) proposer(r.p, r.genre);
        for (const auto& l : formes[i].traits)
            for (std::size_t k = 1; k < l.size() && segments.size() < kSegmentsMax; ++k) {
                Boite b;
                b.ajouter(l[k - 1].x, l[k - 1].y);
                b.ajouter(l[k].x, l[k].y);
                if (b.touche(zone)) segments.push_back({l[k - 1], l[k], i});
            }
    }
    PointPlan x;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        for (std::size_t j = i + 1; j < segments.size(); ++j)
            if (segments[i].forme != segments[j].forme && croisement(segments[i], segments[j], x))
                proposer(x, GenreAccroche::Intersection);
        if (depart && pied(segments[i], *depart, x)) proposer(x, GenreAccroche::Perpendiculaire);
    }
    if (meilleure < inf) return true;
    for (const Segment& s : segments) proposer(projeteSegment(s.a, s.b, p), GenreAccroche::Proche);
    return meilleure < inf;
}
