// Strokes cut to a rectangle (a view and its margin) before they are
// stroked, so that a stroke costs what is seen of it, not its whole length:
// segments, polylines and arcs of ellipses. Each piece kept says how far
// along the whole stroke it starts, so that dashes keep their phase.
#pragma once

#include <cstddef>
#include <vector>

#include "model/geometrie.h"

// Cuts the segment from `a` to `b` to `zone` (Liang-Barsky): false when
// nothing of it lies within; otherwise `a` and `b` become the ends of what
// does, and `t0` is the share of the segment's length cut before `a`.
bool couperSegment(const Boite& zone, PointPlan& a, PointPlan& b, double& t0);

// A run of a polyline within a rectangle: `nombre` points from `debut` in
// the points written, and the length of the polyline before its first.
struct Troncon {
    std::size_t debut, nombre;
    double avant;
};

// Cuts the polyline of `n` points (closed: its last joined to its first)
// to `zone`: the runs within are appended to `sortie`, one per entry of
// `troncons` (which are cleared first). A polyline all within gives one
// run of its points (and, closed, its first again at the end).
void couperPolyligne(const PointPlan* p, std::size_t n, bool fermee, const Boite& zone,
                     std::vector<PointPlan>& sortie, std::vector<Troncon>& troncons);

// Cuts the closed polygon `p` to `zone` (Sutherland-Hodgman), side by
// side, with `tampon` for work; the even-odd filling of polygons so cut is
// that of the polygons within it.
void couperPolygone(std::vector<PointPlan>& p, std::vector<PointPlan>& tampon, const Boite& zone);

// The copies of a grid of `colonnes` x `lignes` (copy (c, r) moved by
// c u + r v from the first, whose box is `boite`) that may meet `zone`:
// columns c0 to c1 and rows r0 to r1 (whole numbers; a copy more on each
// side, for the rounding); false when none may.
bool copiesVues(const Boite& boite, const PointPlan& u, const PointPlan& v, double colonnes,
                double lignes, const Boite& zone, double& c0, double& c1, double& r0, double& r1);

// A range [debut, fin] of the parameter of an arc.
struct Plage {
    double debut, fin;
};

// The ranges of t in [a1, a2] where the point m(cos t, sin t) lies within
// `zone`, in order, written to `plages` (cleared first). `m` must carry
// the unit circle onto the arc (its centre, axes and radius included).
void couperArc(const Matrice& m, double a1, double a2, const Boite& zone,
               std::vector<Plage>& plages);

// The length of m(cos t, sin t) for t from a1 to a2 (a1 <= a2).
double longueurArc(const Matrice& m, double a1, double a2);
