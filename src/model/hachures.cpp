#include "model/hachures.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/courbes.h"
#include "model/etendue.h"

namespace {

// Elliptic arcs and splines are flattened within this part of their size at
// least (what reading a file once kept of them), unless a view asks finer.
constexpr double kToleranceRelative = 1e-4;
// Nor finer than this part of the tolerance asked: chords within a 64th of
// a quarter of a pixel move a pixel's coverage by a level at most.
constexpr double kFinesseMax = 64;
// Points of an elliptic arc at most; a spline gets as many more as it has
// points of its own.
constexpr long kPointsArete = 4096;
// Points of one hatch's boundary flattened for a view at most: beyond, the
// paths that remain take the fewest chords (a hatch of many curves seen
// whole, or designated in a view zoomed in).
constexpr std::size_t kPointsContoursMax = std::size_t{1} << 22;
// Pattern lines cut between two looks at the annulation flag.
constexpr long kLignesEntreArrets = 64;
// Edges read between two looks at the annulation flag.
constexpr std::size_t kPasArret = 1024;

double radians(double degres) { return degres * kPi / 180.0; }

bool arrete(const std::atomic<bool>* arret) {
    return arret && arret->load(std::memory_order_relaxed);
}

bool fini(const Sommet& s) {
    return std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.renflement);
}

bool memePoint(const Sommet& a, const Sommet& b) {
    const double e = 1e-9 * (1 + std::max(std::fabs(a.x), std::fabs(a.y)));
    return std::fabs(a.x - b.x) <= e && std::fabs(a.y - b.y) <= e;
}

// Appends a vertex to a path; one where the last lies takes its place, so
// that edges meeting end to start make one path.
void ajouterSommet(std::vector<Sommet>& c, std::size_t debut, const Sommet& s) {
    if (!fini(s)) return;
    if (c.size() > debut && memePoint(c.back(), s)) {
        c.back().renflement = s.renflement;
        return;
    }
    c.push_back(s);
}

// The counter-clockwise range [a1, a1 + balayage] (degrees) of an arc or
// ellipse edge: a clockwise edge gives its angles from 360 down.
void plage(const AreteContour& a, double& a1, double& balayage) {
    a1 = a.direct ? a.debut : 360.0 - a.fin;
    const double a2 = a.direct ? a.fin : 360.0 - a.debut;
    balayage = std::fmod(a2 - a1, 360.0);
    if (!(balayage > 1e-9)) balayage += 360.0;
}

// The ellipse's parameter of an angle of its edge.
double parametre(const AreteContour& a, double degres) {
    return std::atan2(std::sin(radians(degres)) / a.rayon, std::cos(radians(degres)));
}

// The parameters from t1 to t2 that an elliptic edge runs, counter-clockwise.
void parametres(const AreteContour& a, double& t1, double& t2) {
    double a1, balayage;
    plage(a, a1, balayage);
    t1 = parametre(a, a1);
    t2 = parametre(a, a1 + balayage);
    if (balayage >= 360.0 - 1e-9)
        t2 = t1 + 2 * kPi;
    else
        while (t2 <= t1) t2 += 2 * kPi;
}

// The minor axis of an elliptic edge.
PointPlan petitAxe(const AreteContour& a) { return {-a.p2.y * a.rayon, a.p2.x * a.rayon}; }

PointPlan pointEllipse(const AreteContour& a, double t) {
    const PointPlan b = petitAxe(a);
    return {a.p1.x + a.p2.x * std::cos(t) + b.x * std::sin(t),
            a.p1.y + a.p2.y * std::cos(t) + b.y * std::sin(t)};
}

// Within `tolerance`, but not finer than a curve of this size needs, nor
// than a 64th of `tolerance`.
double toleranceCourbe(double taille, double tolerance) {
    const double relative = std::max(taille * kToleranceRelative, 1e-12);
    return std::min(tolerance, std::max(relative, tolerance / kFinesseMax));
}

// Appends the vertices of an edge to a path (from `debut` in `contour`), as
// it runs there.
void sommetsArete(const Hatch& h, const AreteContour& a, double tolerance,
                  std::vector<Sommet>& contour, std::size_t debut, const std::atomic<bool>* arret,
                  std::vector<Sommet>& s, std::vector<PointPlan>& points) {
    s.clear();
    points.clear();
    if (a.genre == 1) {
        s = {Sommet{a.p1.x, a.p1.y, 0}, Sommet{a.p2.x, a.p2.y, 0}};
    } else if (a.genre == 2) {
        double a1, balayage;
        plage(a, a1, balayage);
        if (!std::isfinite(a1) || !std::isfinite(balayage) || !std::isfinite(a.rayon)) return;
        // Pieces of at most a quarter turn, each a bulge.
        const int n = static_cast<int>(std::ceil(balayage / 90.0 - 1e-9));
        const double pas = balayage / n;
        const double renflement = std::tan(radians(pas) / 4) * (a.direct ? 1 : -1);
        for (int k = 0; k <= n; ++k) {
            const double angle = radians(a.direct ? a1 + pas * k : a1 + balayage - pas * k);
            s.push_back(Sommet{a.p1.x + a.rayon * std::cos(angle),
                               a.p1.y + a.rayon * std::sin(angle), k < n ? renflement : 0});
        }
    } else if (a.genre == 3) {
        double t1, t2;
        parametres(a, t1, t2);
        aplatirEllipse(a.p1, a.p2, petitAxe(a), a.direct ? t1 : t2, a.direct ? t2 : t1, Matrice{},
                       toleranceCourbe(std::hypot(a.p2.x, a.p2.y), tolerance), points,
                       kPointsArete);
    } else {
        const SplineContour& c = h.getSpline(a.spline);
        Boite b;
        for (const auto* liste : {&c.controles, &c.ajustes})
            for (const PointPlan& p : *liste) b.ajouter(p.x, p.y);
        const long propres = static_cast<long>(c.controles.size() + c.ajustes.size());
        aplatirSpline(c.degre, false, c.noeuds, c.controles, c.poids, c.ajustes, Matrice{},
                      toleranceCourbe(std::max(b.largeur(), b.hauteur()), tolerance), points, arret,
                      kPointsArete + 4 * propres);
    }
    for (const PointPlan& p : points) s.push_back(Sommet{p.x, p.y, 0});
    if (a.renversee) {
        // Each bulge goes to the other end of its segment, turning the
        // other way.
        std::reverse(s.begin(), s.end());
        for (std::size_t i = 0; i + 1 < s.size(); ++i) s[i].renflement = -s[i + 1].renflement;
        if (!s.empty()) s.back().renflement = 0;
    }
    for (const Sommet& q : s) ajouterSommet(contour, debut, q);
}

// A box that holds all that a path draws, in drawing units, mirrored as
// the hatch is; empty when a value is not a number a box holds (such a
// path is never left out). Splines through fit points may stray a little
// beyond them: a quarter of their size.
Boite boiteChemin(const Hatch& h, const CheminContour& c) {
    Boite b;
    bool douteux = false;
    auto autour = [&](const PointPlan& p, double e) {
        for (double v : {p.x - e, p.y - e, p.x + e, p.y + e})
            douteux = douteux || !(std::fabs(v) < Boite::kLimite);
        b.ajouter(p.x - e, p.y - e);
        b.ajouter(p.x + e, p.y + e);
    };
    for (std::size_t i = 0; i < c.nombre; ++i) {
        if (!c.aretes) {
            const Sommet& a = h.sommets(c)[i];
            const Sommet& z = h.sommets(c)[(i + 1) % c.nombre];
            // An arc of at most a half turn stays within its sagitta of its
            // chord, a larger one within its diameter of its ends.
            const double d = std::hypot(z.x - a.x, z.y - a.y), k = std::fabs(a.renflement);
            const double e = k <= 1 ? k * d / 2 : d * (1 + k * k) / (2 * k);
            autour({a.x, a.y}, e);
            autour({z.x, z.y}, e);
            continue;
        }
        const AreteContour& a = h.aretes(c)[i];
        if (a.genre == 1) {
            autour(a.p1, 0);
            autour(a.p2, 0);
        } else if (a.genre == 2) {
            autour(a.p1, std::fabs(a.rayon));
        } else if (a.genre == 3) {
            autour(a.p1, std::hypot(a.p2.x, a.p2.y) * std::max(1.0, std::fabs(a.rayon)));
        } else {
            const SplineContour& courbe = h.getSpline(a.spline);
            Boite p;
            for (const auto* liste : {&courbe.controles, &courbe.ajustes})
                for (const PointPlan& q : *liste) {
                    douteux = douteux || !(std::fabs(q.x) < Boite::kLimite) ||
                              !(std::fabs(q.y) < Boite::kLimite);
                    p.ajouter(q.x, q.y);
                }
            if (p.vide()) continue;
            const double marge =
                courbe.ajustes.empty() ? 0 : 0.25 * std::max(p.largeur(), p.hauteur());
            autour({p.x0, p.y0}, marge);
            autour({p.x1, p.y1}, marge);
        }
    }
    if (douteux) return Boite{};
    if (h.isMiroir() && !b.vide()) b = Boite{-b.x1, b.y0, -b.x0, b.y1};
    return b;
}

}  // namespace

bool boutsArete(const AreteContour& a, const SplineContour* courbe, PointPlan& debut,
                PointPlan& fin) {
    double a1, balayage, t1, t2;
    switch (a.genre) {
        case 1:
            debut = a.p1;
            fin = a.p2;
            break;
        case 2:
            plage(a, a1, balayage);
            for (PointPlan* p : {&debut, &fin}) {
                const bool premier = p == &debut;
                const double angle = radians(a1 + balayage * (premier != a.direct ? 1 : 0));
                *p = {a.p1.x + a.rayon * std::cos(angle), a.p1.y + a.rayon * std::sin(angle)};
            }
            break;
        case 3:
            parametres(a, t1, t2);
            debut = pointEllipse(a, a.direct ? t1 : t2);
            fin = pointEllipse(a, a.direct ? t2 : t1);
            break;
        case 4:
            if (!courbe || !extremitesSpline(courbe->degre, courbe->noeuds, courbe->controles,
                                             courbe->poids, courbe->ajustes, debut, fin))
                return false;
            break;
        default:
            return false;
    }
    return std::isfinite(debut.x) && std::isfinite(debut.y) && std::isfinite(fin.x) &&
           std::isfinite(fin.y);
}

bool sommetsContour(const Hatch& h, const CheminContour& c, double tolerance,
                    std::vector<Sommet>& sortie, const std::atomic<bool>* arret) {
    const std::size_t debut = sortie.size();
    if (c.aretes) {
        std::vector<Sommet> s;
        std::vector<PointPlan> points;
        const AreteContour* a = h.aretes(c);
        for (std::size_t i = 0; i < c.nombre; ++i) {
            if (i % kPasArret == kPasArret - 1 && arrete(arret)) return false;
            sommetsArete(h, a[i], tolerance, sortie, debut, arret, s, points);
        }
        // A spline stopped part way.
        if (arrete(arret)) return false;
    } else {
        for (std::size_t i = 0; i < c.nombre; ++i) ajouterSommet(sortie, debut, h.sommets(c)[i]);
    }
    if (sortie.size() > debut + 1 && memePoint(sortie.back(), sortie[debut])) sortie.pop_back();
    if (h.isMiroir())
        for (std::size_t i = debut; i < sortie.size(); ++i) {
            sortie[i].x = -sortie[i].x;
            sortie[i].renflement = -sortie[i].renflement;
        }
    return true;
}

bool aplatirContours(const Hatch& h, const Matrice& m, double tolerance,
                     std::vector<PointPlan>& points, std::vector<std::size_t>& tailles,
                     const std::atomic<bool>* arret, const Boite* zone) {
    // The tolerance in drawing units: what the largest stretch of `m`
    // brings to `tolerance`.
    const double etirement = m.etirementMax();
    const double infini = std::numeric_limits<double>::infinity();
    double dessin = etirement > 0 ? tolerance / etirement : infini;
    const std::size_t debut = points.size();
    std::vector<Sommet> sommets;
    for (const CheminContour& c : h.getChemins()) {
        if (points.size() - debut > kPointsContoursMax) tolerance = dessin = infini;
        if (arrete(arret)) return false;
        if (zone) {
            const Boite b = boiteChemin(h, c).transformee(m);
            if (!b.vide() && !b.touche(*zone)) continue;
        }
        sommets.clear();
        if (!sommetsContour(h, c, dessin, sommets, arret)) return false;
        if (sommets.size() < 2) continue;
        const std::size_t avant = points.size();
        aplatirContour(sommets, m, tolerance, points);
        tailles.push_back(points.size() - avant);
    }
    return true;
}

Boite etendueHachure(const Hatch& h) {
    Boite b;
    std::vector<Sommet> s, travail;
    std::vector<PointPlan> points;
    // Adds the vertices in s and the arcs their bulges make, x turned over
    // by `sens`.
    const double signe = h.isMiroir() ? -1 : 1;
    auto segments = [&](double sens) {
        for (Sommet& q : s) {
            q.x *= sens;
            q.renflement *= sens;
        }
        for (std::size_t i = 0; i + 1 < s.size(); ++i) {
            double cx, cy, r, a1, a2;
            if (arcDeRenflement(s[i].x, s[i].y, s[i + 1].x, s[i + 1].y, s[i].renflement, cx, cy, r,
                                a1, a2))
                b.ajouter(etendueArc(cx, cy, r, a1, a2));
        }
        for (const Sommet& q : s) b.ajouter(q.x, q.y);
    };
    for (const CheminContour& c : h.getChemins()) {
        if (!c.aretes) {
            s.clear();
            sommetsContour(h, c, 0, s);
            // The closing segment, with the bulge of the last vertex.
            if (!s.empty()) s.push_back(s.front());
            segments(1);
            continue;
        }
        const AreteContour* a = h.aretes(c);
        for (std::size_t i = 0; i < c.nombre; ++i) {
            Boite e;
            if (a[i].genre == 3) {
                double t1, t2;
                parametres(a[i], t1, t2);
                e = etendueEllipse(a[i].p1, a[i].p2, petitAxe(a[i]), t1, t2);
            } else if (a[i].genre == 4) {
                const SplineContour& courbe = h.getSpline(a[i].spline);
                for (const auto* liste : {&courbe.controles, &courbe.ajustes})
                    for (const PointPlan& p : *liste) e.ajouter(p.x, p.y);
            } else {
                // Lines, and arcs as their bulges.
                s.clear();
                sommetsArete(h, a[i], 0, s, 0, nullptr, travail, points);
                segments(signe);
                continue;
            }
            if (!e.vide())
                b.ajouter(Boite{std::min(signe * e.x0, signe * e.x1), e.y0,
                                std::max(signe * e.x0, signe * e.x1), e.y1});
        }
    }
    return b;
}

bool traitsMotif(const Hatch& h, const Matrice& m, const std::vector<PointPlan>& points,
                 const std::vector<std::size_t>& tailles, const Boite& zone,
                 const std::function<void(const TraitMotif&)>& f, const std::atomic<bool>* arret) {
    struct Famille {
        const LigneMotif* ligne;
        PointPlan o, d, decalage;  // device origin, unit direction, offset
        double unite;              // device length of a drawing unit along the lines
        double k0, k1;             // the lines to paint
    };
    std::vector<Famille> familles;
    double total = 0;
    for (const LigneMotif& l : h.getMotif()) {
        double ox = l.x, oy = l.y;
        m.appliquer(ox, oy);
        Famille fa{&l, {ox, oy}, {std::cos(l.angle), std::sin(l.angle)}, {l.dx, l.dy}, 0, 0, 0};
        m.appliquerVecteur(fa.d.x, fa.d.y);
        m.appliquerVecteur(fa.decalage.x, fa.decalage.y);
        fa.unite = std::hypot(fa.d.x, fa.d.y);
        if (!(fa.unite > 0) || !std::isfinite(fa.unite) || !std::isfinite(fa.o.x) ||
            !std::isfinite(fa.o.y))
            continue;
        fa.d = {fa.d.x / fa.unite, fa.d.y / fa.unite};
        // The spacing of the lines across them.
        const double pas = fa.decalage.y * fa.d.x - fa.decalage.x * fa.d.y;
        if (!(std::fabs(pas) > 1e-6) || !std::isfinite(pas)) continue;
        double p0 = std::numeric_limits<double>::infinity(), p1 = -p0;
        for (double x : {zone.x0, zone.x1})
            for (double y : {zone.y0, zone.y1}) {
                const double p = ((y - fa.o.y) * fa.d.x - (x - fa.o.x) * fa.d.y) / pas;
                p0 = std::min(p0, p);
                p1 = std::max(p1, p);
            }
        fa.k0 = std::ceil(p0);
        fa.k1 = std::floor(p1);
        // Lines counted beyond what a double tells apart are not lines.
        if (fa.k1 < fa.k0 || !(std::fabs(fa.k0) < 1e15) || !(std::fabs(fa.k1) < 1e15)) continue;
        total += fa.k1 - fa.k0 + 1;
        familles.push_back(fa);
    }
    // Each line is cut by every edge of the boundary: a boundary of many
    // edges bounds the lines too.
    if (total > kTraitsHachureMax ||
        total * static_cast<double>(points.size()) > kTraitsHachureMax * kCoupuresParTrait)
        return false;
    std::vector<double> coupures;
    for (const Famille& fa : familles) {
        TraitMotif t{
            {0, 0}, {0, 0}, fa.ligne->motif.nombre > 0 ? &fa.ligne->motif : nullptr, fa.unite, 0};
        const long lignes = static_cast<long>(fa.k1 - fa.k0);
        for (long i = 0; i <= lignes; ++i) {
            if (i % kLignesEntreArrets == 0 && arrete(arret)) return true;
            const double k = fa.k0 + static_cast<double>(i);
            const PointPlan o{fa.o.x + k * fa.decalage.x, fa.o.y + k * fa.decalage.y};
            // Where the line crosses the boundaries, along it from its origin.
            coupures.clear();
            std::size_t debut = 0;
            for (std::size_t n : tailles) {
                for (std::size_t e = 0; e < n; ++e) {
                    const PointPlan& a = points[debut + e];
                    const PointPlan& c = points[debut + (e + 1) % n];
                    const double da = (a.y - o.y) * fa.d.x - (a.x - o.x) * fa.d.y;
                    const double dc = (c.y - o.y) * fa.d.x - (c.x - o.x) * fa.d.y;
                    if ((da > 0) == (dc > 0)) continue;
                    const double sa = (a.x - o.x) * fa.d.x + (a.y - o.y) * fa.d.y;
                    const double sc = (c.x - o.x) * fa.d.x + (c.y - o.y) * fa.d.y;
                    coupures.push_back(sa + (sc - sa) * da / (da - dc));
                }
                debut += n;
            }
            std::sort(coupures.begin(), coupures.end());
            // Inside between every other crossing.
            for (std::size_t j = 0; j + 1 < coupures.size(); j += 2) {
                t.a = {o.x + coupures[j] * fa.d.x, o.y + coupures[j] * fa.d.y};
                t.b = {o.x + coupures[j + 1] * fa.d.x, o.y + coupures[j + 1] * fa.d.y};
                t.depart = coupures[j] / fa.unite;
                f(t);
            }
        }
    }
    return true;
}
