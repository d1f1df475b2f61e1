#include "model/forme.h"

#include <cmath>

#include "model/courbes.h"
#include "model/disposition.h"
#include "model/hachures.h"
#include "model/multileader.h"

namespace {

// The tolerance in the entity's own units, for a tolerance where `m`
// carries them.
double toleranceLocale(const Matrice& m, double tolerance) {
    const double e = m.etirementMax();
    return e > 0 && std::isfinite(e) ? tolerance / e : tolerance;
}

void remarquable(Forme& f, const Matrice& m, double x, double y, GenreAccroche g) {
    f.points.push_back({porte(m, x, y), g});
}

// A polygon of the entity's own points: a surface, its outline a line, its
// corners ends.
template <class L>
void polygone(Forme& f, const Matrice& m, const L& coins, bool coinsRemarquables) {
    std::vector<PointPlan> p;
    for (const PointPlan& c : coins) {
        p.push_back(porte(m, c.x, c.y));
        if (coinsRemarquables) f.points.push_back({p.back(), GenreAccroche::Extremite});
    }
    if (p.empty()) return;
    f.surfaces.push_back(p);
    p.push_back(p.front());
    f.traits.push_back(std::move(p));
}

// The arc of the circle (cx, cy, r) from a1 to a2, counter-clockwise.
void arc(Forme& f, const Matrice& m, double tolerance, double cx, double cy, double r, double a1,
         double a2) {
    const int n = cordesPourArc(a2 - a1, std::fabs(r), toleranceLocale(m, tolerance));
    std::vector<PointPlan> p;
    for (int i = 0; i <= n; ++i) {
        const double a = a1 + (a2 - a1) * i / n;
        p.push_back(porte(m, cx + r * std::cos(a), cy + r * std::sin(a)));
    }
    f.traits.push_back(std::move(p));
}

}  // namespace

Boite Forme::boite() const {
    Boite b;
    for (const auto& l : traits)
        for (const PointPlan& p : l) b.ajouter(p.x, p.y);
    for (const auto& l : surfaces)
        for (const PointPlan& p : l) b.ajouter(p.x, p.y);
    for (const PointRemarquable& r : points) b.ajouter(r.p.x, r.p.y);
    return b;
}

template <>
void former(const Line& l, const Matrice& m, double, Forme& f) {
    f.traits.push_back({porte(m, l.getX(), l.getY()), porte(m, l.getX2(), l.getY2())});
    f.points.push_back({f.traits.back()[0], GenreAccroche::Extremite});
    f.points.push_back({f.traits.back()[1], GenreAccroche::Extremite});
    remarquable(f, m, (l.getX() + l.getX2()) / 2, (l.getY() + l.getY2()) / 2,
                GenreAccroche::Milieu);
}

template <>
void former(const Circle& c, const Matrice& m, double tolerance, Forme& f) {
    arc(f, m, tolerance, c.getX(), c.getY(), c.getRayon(), 0, kDeuxPi);
    remarquable(f, m, c.getX(), c.getY(), GenreAccroche::Centre);
}

template <>
void former(const Arc& a, const Matrice& m, double tolerance, Forme& f) {
    double a1 = a.getAngle1(), a2 = a.getAngle2();
    if (!std::isfinite(a1) || !std::isfinite(a2)) return;
    ramenerAngles(a1, a2, true);
    const double r = a.getRayon(), cx = a.getX(), cy = a.getY();
    arc(f, m, tolerance, cx, cy, r, a1, a2);
    for (const double t : {a1, a2})
        remarquable(f, m, cx + r * std::cos(t), cy + r * std::sin(t), GenreAccroche::Extremite);
    const double t = (a1 + a2) / 2;
    remarquable(f, m, cx + r * std::cos(t), cy + r * std::sin(t), GenreAccroche::Milieu);
    remarquable(f, m, cx, cy, GenreAccroche::Centre);
}

template <>
void former(const Point& p, const Matrice& m, double, Forme& f) {
    remarquable(f, m, p.getX(), p.getY(), GenreAccroche::Insertion);
}

template <>
void former(const Polyline& p, const Matrice& m, double tolerance, Forme& f) {
    const auto& points = p.getPoints();
    if (points.empty()) return;
    std::vector<PointPlan> trait{porte(m, points[0]->getX(), points[0]->getY())};
    const std::size_t n = points.size();
    const std::size_t segments = p.isFermee() ? n : n - 1;
    for (std::size_t i = 0; i < n; ++i)
        remarquable(f, m, points[i]->getX(), points[i]->getY(), GenreAccroche::Extremite);
    for (std::size_t i = 0; i < segments; ++i) {
        const Sommet a{points[i]->getX(), points[i]->getY(), p.getRenflement(i)};
        const Sommet b{points[(i + 1) % n]->getX(), points[(i + 1) % n]->getY(), 0};
        aplatirRenflement(a, b, m, tolerance, trait);
        double cx, cy, r, a1, a2;
        if (arcDeRenflement(a.x, a.y, b.x, b.y, a.renflement, cx, cy, r, a1, a2)) {
            const double t = (a1 + a2) / 2;
            remarquable(f, m, cx + r * std::cos(t), cy + r * std::sin(t), GenreAccroche::Milieu);
            remarquable(f, m, cx, cy, GenreAccroche::Centre);
        } else {
            remarquable(f, m, (a.x + b.x) / 2, (a.y + b.y) / 2, GenreAccroche::Milieu);
        }
    }
    f.traits.push_back(std::move(trait));
}

template <>
void former(const Ellipse& e, const Matrice& m, double tolerance, Forme& f) {
    const PointPlan c{e.getX(), e.getY()}, a{e.getAx(), e.getAy()}, b{e.getBx(), e.getBy()};
    std::vector<PointPlan> p;
    aplatirEllipse(c, a, b, e.getT1(), e.getT2(), m, tolerance, p);
    if (!p.empty()) {
        f.points.push_back({p.front(), GenreAccroche::Extremite});
        f.points.push_back({p.back(), GenreAccroche::Extremite});
    }
    f.traits.push_back(std::move(p));
    remarquable(f, m, c.x, c.y, GenreAccroche::Centre);
}

template <>
void former(const Spline& s, const Matrice& m, double tolerance, Forme& f) {
    std::vector<PointPlan> p;
    aplatirSpline(s.getDegre(), s.isFermee(), s.getNoeuds(), s.getControles(), s.getPoids(),
                  s.getAjustes(), m, tolerance, p);
    PointPlan debut, fin;
    if (extremitesSpline(s.getDegre(), s.getNoeuds(), s.getControles(), s.getPoids(),
                         s.getAjustes(), debut, fin)) {
        remarquable(f, m, debut.x, debut.y, GenreAccroche::Extremite);
        remarquable(f, m, fin.x, fin.y, GenreAccroche::Extremite);
    }
    f.traits.push_back(std::move(p));
}

template <>
void former(const Solid& s, const Matrice& m, double, Forme& f) {
    const PointPlan coins[4] = {s.getCoin(0), s.getCoin(1), s.getCoin(3), s.getCoin(2)};
    polygone(f, m, coins, true);
}

template <>
void former(const Face3D& s, const Matrice& m, double, Forme& f) {
    for (int i = 0; i < 4; ++i) {
        const PointPlan& a = s.getCoin(i);
        const PointPlan& b = s.getCoin((i + 1) % 4);
        remarquable(f, m, a.x, a.y, GenreAccroche::Extremite);
        if (s.isAreteVisible(i)) f.traits.push_back({porte(m, a.x, a.y), porte(m, b.x, b.y)});
    }
}

template <>
void former(const Leader& l, const Matrice& m, double, Forme& f) {
    std::vector<PointPlan> p;
    for (const PointPlan& s : l.getSommets()) p.push_back(porte(m, s.x, s.y));
    if (!p.empty()) {
        f.points.push_back({p.front(), GenreAccroche::Extremite});
        f.points.push_back({p.back(), GenreAccroche::Extremite});
    }
    f.traits.push_back(std::move(p));
}

template <>
void former(const Text& t, const Matrice& m, double, Forme& f) {
    Matrice placement;
    const Boite b = boiteLocaleEstimee(t, placement);
    remarquable(f, m, t.getX(), t.getY(), GenreAccroche::Insertion);
    if (b.vide()) return;
    const Matrice total = m.apres(placement);
    const PointPlan coins[4] = {{b.x0, b.y0}, {b.x1, b.y0}, {b.x1, b.y1}, {b.x0, b.y1}};
    polygone(f, total, coins, false);
    f.surfacesPleines = true;
}
template <>
void former(const MText& t, const Matrice& m, double tolerance, Forme& f) {
    former(static_cast<const Text&>(t), m, tolerance, f);
}
template <>
void former(const Attribut& t, const Matrice& m, double tolerance, Forme& f) {
    former(static_cast<const Text&>(t), m, tolerance, f);
}

template <>
void former(const MultiLeader& l, const Matrice& m, double tolerance, Forme& f) {
    const FigureRepere r = figureRepere(l);
    for (const auto& ligne : r.lignes) {
        std::vector<PointPlan> p;
        for (const PointPlan& s : ligne) p.push_back(porte(m, s.x, s.y));
        if (!p.empty()) f.points.push_back({p.front(), GenreAccroche::Extremite});
        f.traits.push_back(std::move(p));
    }
    for (const auto& palier : r.paliers)
        f.traits.push_back(
            {porte(m, palier[0].x, palier[0].y), porte(m, palier[1].x, palier[1].y)});
    for (const auto& fleche : r.fleches) polygone(f, m, fleche, false);
    if (l.getTexte()) former(*l.getTexte(), m, tolerance, f);
}

template <>
void former(const Image& i, const Matrice& m, double, Forme& f) {
    const double w = i.getWidth(), h = i.getHeight(), x = i.getX(), y = i.getY();
    const PointPlan coins[4] = {
        {x, y},
        {x + i.getUx() * w, y + i.getUy() * w},
        {x + i.getUx() * w + i.getVx() * h, y + i.getUy() * w + i.getVy() * h},
        {x + i.getVx() * h, y + i.getVy() * h}};
    polygone(f, m, coins, true);
}

template <>
void former(const Wipeout& w, const Matrice& m, double, Forme& f) {
    polygone(f, m, w.getContour(), true);
}

template <>
void former(const Hatch& h, const Matrice& m, double tolerance, Forme& f) {
    std::vector<PointPlan> points;
    std::vector<std::size_t> tailles;
    aplatirContours(h, m, tolerance, points, tailles);
    std::size_t debut = 0;
    for (const std::size_t n : tailles) {
        std::vector<PointPlan> p(points.begin() + static_cast<long>(debut),
                                 points.begin() + static_cast<long>(debut + n));
        debut += n;
        f.surfaces.push_back(p);
        p.push_back(p.front());
        f.traits.push_back(std::move(p));
    }
}

template <>
void former(const Insertion& i, const Matrice& m, double, Forme& f) {
    remarquable(f, m, i.getX(), i.getY(), GenreAccroche::Insertion);
}

namespace {
// What a dimension's block draws, insertions within it unfolded a few
// levels deep.
void formerBloc(const Block& bloc, const Matrice& m, double tolerance, Forme& f, int profondeur) {
    if (profondeur > 8) return;
    bloc.pourChaqueEntite([&](const auto& e) {
        using T = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<T, Insertion>) {
            formerBloc(e.getDefinition(), e.placeeDans(m, 0, 0), tolerance, f, profondeur + 1);
        } else if constexpr (std::is_same_v<T, Dimension>) {
            formerBloc(e.getBloc(), m, tolerance, f, profondeur + 1);
        } else {
            former(e, m, tolerance, f);
        }
    });
}
}  // namespace

template <>
void former(const Dimension& d, const Matrice& m, double tolerance, Forme& f) {
    formerBloc(d.getBloc(), m, tolerance, f, 0);
}

void formerGenre(unsigned genre, const Entity& e, const Matrice& m, double tolerance, Forme& f) {
    pourGenre(GenresEntites{}, genre, [&](auto* g) {
        using T = std::remove_pointer_t<decltype(g)>;
        former(static_cast<const T&>(e), m, tolerance, f);
    });
}

PointPlan projeteSegment(const PointPlan& a, const PointPlan& b, const PointPlan& p) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double l2 = dx * dx + dy * dy;
    if (!(l2 > 0)) return a;
    const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0);
    return {a.x + t * dx, a.y + t * dy};
}

bool dansPolygone(const std::vector<PointPlan>& polygone, const PointPlan& p) {
    bool dedans = false;
    const std::size_t n = polygone.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const PointPlan& a = polygone[i];
        const PointPlan& b = polygone[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            dedans = !dedans;
    }
    return dedans;
}

double distanceForme(const Forme& f, const PointPlan& p, double interieur) {
    double d = std::numeric_limits<double>::infinity();
    for (const auto& l : f.traits) {
        if (l.size() == 1) d = std::min(d, distancePoints(l[0], p));
        for (std::size_t i = 1; i < l.size(); ++i)
            d = std::min(d, distancePoints(projeteSegment(l[i - 1], l[i], p), p));
    }
    // Points count only for what draws nothing else (a centre is no part
    // of its circle).
    if (f.traits.empty() && f.surfaces.empty())
        for (const PointRemarquable& r : f.points) d = std::min(d, distancePoints(r.p, p));
    for (const auto& s : f.surfaces)
        if (s.size() >= 3 && dansPolygone(s, p)) d = std::min(d, f.surfacesPleines ? 0 : interieur);
    return d;
}
