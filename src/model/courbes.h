// Curves of the drawing turned into points: arcs given by a bulge, ellipses,
// B-splines (rational, by de Boor's algorithm), curves through fit points
// (centripetal Catmull-Rom), all flattened into polylines whose chords stay
// within a tolerance of the curve. The walk flattens the curves it paints
// with it (in device pixels), hatch boundaries included, the extents what
// they bound.
#pragma once

#include <atomic>
#include <cmath>
#include <cstddef>
#include <vector>

#include "model/geometrie.h"

// The circle of the segment from (x1, y1) to (x2, y2) with this bulge: its
// centre, radius and the angles from a1 to a2 (radians, counter-clockwise,
// a1 <= a2) that it spans. False for a straight segment (bulge 0, or both
// ends the same).
bool arcDeRenflement(double x1, double y1, double x2, double y2, double renflement, double& cx,
                     double& cy, double& rayon, double& a1, double& a2);

// How many chords an arc of `angle` radians and radius `rayon` takes so that
// none strays more than `tolerance` from it (at least 1, at most kCordesMax).
int cordesPourArc(double angle, double rayon, double tolerance);
constexpr int kCordesMax = 4096;

// Appends the points of the segment from `a` to `b` with this bulge, `a`
// left out and `b` included; `m` carries the points where they are wanted
// (the tolerance is measured there).
void aplatirRenflement(const Sommet& a, const Sommet& b, const Matrice& m, double tolerance,
                       std::vector<PointPlan>& sortie);

// The points of a closed path of bulged vertices (its last vertex joining its
// first), carried by `m`.
void aplatirContour(const std::vector<Sommet>& contour, const Matrice& m, double tolerance,
                    std::vector<PointPlan>& sortie);

// A B-spline curve ready to be evaluated: degree, knots (clamped or not),
// control points and weights, checked and mended (knots made uniform and
// clamped when those of the file do not fit the control points).
class CourbeSpline {
  public:
    // False when the control points cannot make a curve (fewer than two).
    bool preparer(int degre, const std::vector<double>& noeuds,
                  const std::vector<PointPlan>& controles, const std::vector<double>& poids);
    // The domain of the parameter.
    double debut() const { return noeuds_[degre_]; }
    double fin() const { return noeuds_[controles_.size()]; }
    // The knots that cut the domain into spans, in order.
    std::vector<double> coupures() const;
    PointPlan point(double t) const;

  private:
    int degre_ = 1;
    std::vector<double> noeuds_;
    std::vector<PointPlan> controles_;
    std::vector<double> poids_;
    mutable std::vector<double> xw_, yw_, w_;  // de Boor's work
};

// The centripetal Catmull-Rom curve through `points` (closed: back to the
// first), as segments between consecutive points: segment i for t in [0, 1]
// runs from points[i] to points[i + 1].
class CourbeAjustee {
  public:
    CourbeAjustee(const std::vector<PointPlan>& points, bool fermee);
    std::size_t segments() const { return n_ == 0 ? 0 : (fermee_ ? n_ : n_ - 1); }
    PointPlan point(std::size_t segment, double t) const;

  private:
    const PointPlan& p(long i) const;
    const std::vector<PointPlan>& points_;
    std::size_t n_;
    bool fermee_;
    PointPlan avant_{0, 0}, apres_{0, 0};  // the ends reflected, for open curves
};

// Appends the points of f on ]t0, t1] (f(t0) is not appended), where f gives
// points where the tolerance is measured: the interval is halved until the
// middle of each piece lies within `tolerance` of its chord, at least
// `minimum` times, at most 16 deep. `budget` is lowered by the points
// appended; nothing more is halved once it is spent.
template <class F>
void aplatir(const F& f, double t0, double t1, const PointPlan& p0, const PointPlan& p1,
             double tolerance, int minimum, long& budget, std::vector<PointPlan>& sortie,
             int profondeur = 0) {
    const double tm = 0.5 * (t0 + t1);
    const PointPlan pm = f(tm);
    bool droit = profondeur >= minimum;
    if (droit) {
        // The distance of the middle to the chord, squared, against the
        // tolerance squared.
        const double dx = p1.x - p0.x, dy = p1.y - p0.y;
        const double l2 = dx * dx + dy * dy;
        const double mx = pm.x - p0.x, my = pm.y - p0.y;
        const double c = mx * dy - my * dx;
        const double ecart2 = l2 > 0 ? c * c / l2 : mx * mx + my * my;
        droit = !(ecart2 > tolerance * tolerance);
    }
    if (droit || profondeur >= 16 || budget <= 0 || !std::isfinite(pm.x) || !std::isfinite(pm.y)) {
        sortie.push_back(p1);
        --budget;
        return;
    }
    aplatir(f, t0, tm, p0, pm, tolerance, minimum, budget, sortie, profondeur + 1);
    aplatir(f, tm, t1, pm, p1, tolerance, minimum, budget, sortie, profondeur + 1);
}

// Points one curve may become at most (a few more: the ends of its spans).
constexpr long kPointsCourbeMax = 200000;

// The points of a spline (its control points and knots, or else its fit
// points), carried by `m`; empty when it has neither enough. Once `arret`
// (when given) is seen set, it stops with the points it has. Once
// `pointsMax` points are made, its spans are no longer halved.
void aplatirSpline(int degre, bool fermee, const std::vector<double>& noeuds,
                   const std::vector<PointPlan>& controles, const std::vector<double>& poids,
                   const std::vector<PointPlan>& ajustes, const Matrice& m, double tolerance,
                   std::vector<PointPlan>& sortie, const std::atomic<bool>* arret = nullptr,
                   long pointsMax = kPointsCourbeMax);

// The ends of the curve that aplatirSpline flattens; false when it has none.
bool extremitesSpline(int degre, const std::vector<double>& noeuds,
                      const std::vector<PointPlan>& controles, const std::vector<double>& poids,
                      const std::vector<PointPlan>& ajustes, PointPlan& debut, PointPlan& fin);

// The points of the ellipse arc c + a cos t + b sin t for t from t1 to t2
// (t2 < t1: the way down), carried by `m`; at most about `pointsMax`
// points, as aplatirSpline.
void aplatirEllipse(const PointPlan& c, const PointPlan& a, const PointPlan& b, double t1,
                    double t2, const Matrice& m, double tolerance, std::vector<PointPlan>& sortie,
                    long pointsMax = kPointsCourbeMax);
