#include "model/courbes.h"

#include <algorithm>

namespace {

// Points one curve may become at most.
constexpr long kPointsMax = 200000;

}  // namespace

bool arcDeRenflement(double x1, double y1, double x2, double y2, double b, double& cx, double& cy,
                     double& rayon, double& a1, double& a2) {
    if (b == 0 || !std::isfinite(b)) return false;
    const double dx = x2 - x1, dy = y2 - y1;
    const double d = std::hypot(dx, dy);
    if (!(d > 0) || !std::isfinite(d)) return false;
    // The centre lies on the perpendicular through the middle of the chord,
    // on the left of it for a counter-clockwise arc shorter than a half turn.
    const double h = 0.5 * (1 - b * b) / (2 * b);
    cx = 0.5 * (x1 + x2) - dy * h;
    cy = 0.5 * (y1 + y2) + dx * h;
    rayon = 0.5 * d * (1 + b * b) / (2 * std::fabs(b));
    const double balayage = 4 * std::atan(std::fabs(b));
    a1 = b > 0 ? std::atan2(y1 - cy, x1 - cx) : std::atan2(y2 - cy, x2 - cx);
    a2 = a1 + balayage;
    return std::isfinite(cx) && std::isfinite(cy) && std::isfinite(rayon);
}

int cordesPourArc(double angle, double rayon, double tolerance) {
    angle = std::fabs(angle);
    if (!(rayon > tolerance) || !std::isfinite(angle) || !(tolerance > 0)) return 1;
    const double pas = 2 * std::acos(1 - tolerance / rayon);
    const double n = std::ceil(angle / pas);
    return n < 1 ? 1 : n > kCordesMax ? kCordesMax : static_cast<int>(n);
}

void aplatirRenflement(const Sommet& a, const Sommet& b, const Matrice& m, double tolerance,
                       std::vector<PointPlan>& sortie) {
    double cx, cy, r, a1, a2;
    if (arcDeRenflement(a.x, a.y, b.x, b.y, a.renflement, cx, cy, r, a1, a2)) {
        const int n = cordesPourArc(a2 - a1, r * m.etirementMax(), tolerance);
        // Counter-clockwise from a1 for a positive bulge; otherwise the arc
        // runs from a2 down to a1.
        for (int k = 1; k < n; ++k) {
            const double t = a.renflement > 0 ? a1 + (a2 - a1) * k / n : a2 - (a2 - a1) * k / n;
            sortie.push_back(porte(m, cx + r * std::cos(t), cy + r * std::sin(t)));
        }
    }
    sortie.push_back(porte(m, b.x, b.y));
}

void aplatirContour(const std::vector<Sommet>& contour, const Matrice& m, double tolerance,
                    std::vector<PointPlan>& sortie) {
    if (contour.empty()) return;
    const std::size_t debut = sortie.size();
    sortie.push_back(porte(m, contour[0].x, contour[0].y));
    for (std::size_t i = 0; i < contour.size(); ++i)
        aplatirRenflement(contour[i], contour[(i + 1) % contour.size()], m, tolerance, sortie);
    // The last point is the first again.
    if (sortie.size() > debut + 1) sortie.pop_back();
}

bool CourbeSpline::preparer(int degre, const std::vector<double>& noeuds,
                            const std::vector<PointPlan>& controles,
                            const std::vector<double>& poids) {
    const std::size_t n = controles.size();
    if (n < 2) return false;
    degre_ = std::clamp(degre, 1, static_cast<int>(std::min<std::size_t>(n - 1, 11)));
    const auto p = static_cast<std::size_t>(degre_);
    controles_ = controles;
    poids_.assign(n, 1.0);
    if (poids.size() == n &&
        std::all_of(poids.begin(), poids.end(), [](double w) { return w > 0 && std::isfinite(w); }))
        poids_ = poids;
    bool valides =
        noeuds.size() == n + p + 1 &&
        std::all_of(noeuds.begin(), noeuds.end(), [](double t) { return std::isfinite(t); }) &&
        std::is_sorted(noeuds.begin(), noeuds.end()) && noeuds[p] < noeuds[n];
    if (valides) {
        noeuds_ = noeuds;
    } else {
        // Uniform and clamped: the curve starts and ends on its end points.
        noeuds_.assign(n + p + 1, 0.0);
        for (std::size_t i = p + 1; i < n + p + 1; ++i)
            noeuds_[i] = static_cast<double>(std::min(i - p, n - p));
    }
    xw_.resize(p + 1);
    yw_.resize(p + 1);
    w_.resize(p + 1);
    return true;
}

std::vector<double> CourbeSpline::coupures() const {
    std::vector<double> c;
    for (std::size_t i = static_cast<std::size_t>(degre_); i <= controles_.size(); ++i)
        if (c.empty() || noeuds_[i] > c.back()) c.push_back(noeuds_[i]);
    return c;
}

PointPlan CourbeSpline::point(double t) const {
    const std::size_t p = static_cast<std::size_t>(degre_), n = controles_.size();
    // The span [u_k, u_k+1) that holds t, within the domain, never empty.
    std::size_t k =
        static_cast<std::size_t>(std::upper_bound(noeuds_.begin() + static_cast<long>(p),
                                                  noeuds_.begin() + static_cast<long>(n) + 1, t) -
                                 noeuds_.begin());
    k = std::clamp<std::size_t>(k == 0 ? 0 : k - 1, p, n - 1);
    while (k > p && noeuds_[k] == noeuds_[k + 1]) --k;
    // De Boor's algorithm on the homogeneous points (x w, y w, w).
    for (std::size_t j = 0; j <= p; ++j) {
        const PointPlan& c = controles_[j + k - p];
        const double w = poids_[j + k - p];
        xw_[j] = c.x * w;
        yw_[j] = c.y * w;
        w_[j] = w;
    }
    for (std::size_t r = 1; r <= p; ++r)
        for (std::size_t j = p; j >= r; --j) {
            const double u0 = noeuds_[j + k - p], u1 = noeuds_[j + 1 + k - r];
            const double alpha = u1 > u0 ? (t - u0) / (u1 - u0) : 0;
            xw_[j] = (1 - alpha) * xw_[j - 1] + alpha * xw_[j];
            yw_[j] = (1 - alpha) * yw_[j - 1] + alpha * yw_[j];
            w_[j] = (1 - alpha) * w_[j - 1] + alpha * w_[j];
        }
    return {xw_[p] / w_[p], yw_[p] / w_[p]};
}

CourbeAjustee::CourbeAjustee(const std::vector<PointPlan>& points, bool fermee)
    : points_(points), n_(points.size()), fermee_(fermee && points.size() > 2) {
    if (n_ >= 2) {
        avant_ = {2 * points[0].x - points[1].x, 2 * points[0].y - points[1].y};
        apres_ = {2 * points[n_ - 1].x - points[n_ - 2].x, 2 * points[n_ - 1].y - points[n_ - 2].y};
    }
}

const PointPlan& CourbeAjustee::p(long i) const {
    const long n = static_cast<long>(n_);
    if (fermee_) return points_[static_cast<std::size_t>(((i % n) + n) % n)];
    if (i < 0) return avant_;
    if (i >= n) return apres_;
    return points_[static_cast<std::size_t>(i)];
}

PointPlan CourbeAjustee::point(std::size_t segment, double u) const {
    const long i = static_cast<long>(segment);
    const PointPlan* q[4] = {&p(i - 1), &p(i), &p(i + 1), &p(i + 2)};
    // Knots spaced by the square root of the distances (centripetal), so
    // that the curve neither loops nor cusps between its points.
    double t[4] = {0, 0, 0, 0};
    for (int j = 1; j < 4; ++j)
        t[j] = t[j - 1] +
               std::max(std::sqrt(std::hypot(q[j]->x - q[j - 1]->x, q[j]->y - q[j - 1]->y)), 1e-12);
    const double tt = t[1] + u * (t[2] - t[1]);
    auto mix = [](const PointPlan& a, const PointPlan& b, double ta, double tb, double x) {
        const double s = (x - ta) / (tb - ta);
        return PointPlan{a.x + (b.x - a.x) * s, a.y + (b.y - a.y) * s};
    };
    const PointPlan a1 = mix(*q[0], *q[1], t[0], t[1], tt);
    const PointPlan a2 = mix(*q[1], *q[2], t[1], t[2], tt);
    const PointPlan a3 = mix(*q[2], *q[3], t[2], t[3], tt);
    const PointPlan b1 = mix(a1, a2, t[0], t[2], tt);
    const PointPlan b2 = mix(a2, a3, t[1], t[3], tt);
    return mix(b1, b2, t[1], t[2], tt);
}

void aplatirSpline(int degre, bool fermee, const std::vector<double>& noeuds,
                   const std::vector<PointPlan>& controles, const std::vector<double>& poids,
                   const std::vector<PointPlan>& ajustes, const Matrice& m, double tolerance,
                   std::vector<PointPlan>& sortie, const std::atomic<bool>* arret, long pointsMax) {
    long budget = pointsMax;
    // Looked at every so many spans.
    auto arrete = [arret](std::size_t i) {
        return arret && i % 1024 == 0 && arret->load(std::memory_order_relaxed);
    };
    CourbeSpline courbe;
    if (courbe.preparer(degre, noeuds, controles, poids)) {
        auto f = [&](double t) {
            const PointPlan q = courbe.point(t);
            return porte(m, q.x, q.y);
        };
        const std::vector<double> c = courbe.coupures();
        PointPlan p0 = f(c.front());
        sortie.push_back(p0);
        for (std::size_t i = 1; i < c.size() && !arrete(i); ++i) {
            const PointPlan p1 = f(c[i]);
            aplatir(f, c[i - 1], c[i], p0, p1, tolerance, 2, budget, sortie);
            p0 = p1;
        }
        return;
    }
    // Through the fit points, the same point twice in a row counted once.
    std::vector<PointPlan> points;
    for (const PointPlan& q : ajustes)
        if (points.empty() || q.x != points.back().x || q.y != points.back().y) points.push_back(q);
    if (fermee && points.size() > 2 && points.back().x == points[0].x &&
        points.back().y == points[0].y)
        points.pop_back();
    if (points.size() < 2) return;
    const CourbeAjustee ajustee(points, fermee);
    sortie.push_back(porte(m, points[0].x, points[0].y));
    for (std::size_t s = 0; s < ajustee.segments() && !arrete(s + 1); ++s) {
        auto f = [&](double t) {
            const PointPlan q = ajustee.point(s, t);
            return porte(m, q.x, q.y);
        };
        const PointPlan p0 = sortie.back();
        aplatir(f, 0.0, 1.0, p0, f(1.0), tolerance, 1, budget, sortie);
    }
}

bool extremitesSpline(int degre, const std::vector<double>& noeuds,
                      const std::vector<PointPlan>& controles, const std::vector<double>& poids,
                      const std::vector<PointPlan>& ajustes, PointPlan& debut, PointPlan& fin) {
    CourbeSpline courbe;
    if (courbe.preparer(degre, noeuds, controles, poids)) {
        debut = courbe.point(courbe.debut());
        fin = courbe.point(courbe.fin());
        return true;
    }
    if (ajustes.size() < 2) return false;
    debut = ajustes.front();
    fin = ajustes.back();
    return true;
}

void aplatirEllipse(const PointPlan& c, const PointPlan& a, const PointPlan& b, double t1,
                    double t2, const Matrice& m, double tolerance, std::vector<PointPlan>& sortie,
                    long pointsMax) {
    if (!std::isfinite(t1) || !std::isfinite(t2)) return;
    auto f = [&](double t) {
        const double co = std::cos(t), si = std::sin(t);
        return porte(m, c.x + a.x * co + b.x * si, c.y + a.y * co + b.y * si);
    };
    long budget = pointsMax;
    // Pieces of at most a quarter turn, so that halving finds every bend.
    const int pieces =
        std::clamp(static_cast<int>(std::ceil(std::fabs(t2 - t1) / (kPi / 2))), 1, 8);
    PointPlan p0 = f(t1);
    sortie.push_back(p0);
    for (int k = 1; k <= pieces; ++k) {
        const double u0 = t1 + (t2 - t1) * (k - 1) / pieces, u1 = t1 + (t2 - t1) * k / pieces;
        const PointPlan p1 = f(u1);
        aplatir(f, u0, u1, p0, p1, tolerance, 1, budget, sortie);
        p0 = p1;
    }
}
