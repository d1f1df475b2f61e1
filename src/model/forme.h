// What an entity looks like as plain geometry, in the units of a space that
// a transform carries it to: the lines it draws (flattened), the surfaces it
// covers, and its remarkable points (ends, middles, centres, insertion
// points). Designating an object, snapping to it and highlighting it all
// start from here; no graphics library.
#pragma once

#include <cstddef>
#include <vector>

#include "model/geometrie.h"
#include "model/objects.h"

// The kinds of points a measure snaps to.
enum class GenreAccroche {
    Extremite,
    Milieu,
    Centre,
    Intersection,
    Proche,
    Perpendiculaire,
    Insertion
};

struct PointRemarquable {
    PointPlan p;
    GenreAccroche genre;
};

struct Forme {
    // Polylines drawn (a closed one repeats its first point at its end).
    std::vector<std::vector<PointPlan>> traits;
    // Polygons covered (even-odd).
    std::vector<std::vector<PointPlan>> surfaces;
    // Whether a point inside a surface is on the object itself (a text), or
    // only within reach of it (a hatch, a picture, a solid: what is drawn
    // over them comes first).
    bool surfacesPleines = false;
    std::vector<PointRemarquable> points;

    bool vide() const { return traits.empty() && surfaces.empty() && points.empty(); }
    Boite boite() const;
};

// The shape of `e` carried by `m`, its curves within `tolerance` (in the
// units `m` carries to), appended to `f`. Insertions give their insertion
// point only (their contents are entities of their own); a dimension gives
// what its block draws.
template <class T>
void former(const T& e, const Matrice& m, double tolerance, Forme& f);

// The shape of the entity of rank `genre` in GenresEntites.
void formerGenre(unsigned genre, const Entity& e, const Matrice& m, double tolerance, Forme& f);

// How far `p` lies from the shape: from its lines (from its points when it
// has neither lines nor surfaces); inside a
// surface, 0 when the surfaces are full, otherwise `interieur`. Infinite for
// an empty shape.
double distanceForme(const Forme& f, const PointPlan& p, double interieur);

// The point of the segment [a, b] nearest to p.
PointPlan projeteSegment(const PointPlan& a, const PointPlan& b, const PointPlan& p);
// Whether p lies inside the polygon (even-odd).
bool dansPolygone(const std::vector<PointPlan>& polygone, const PointPlan& p);
inline double distancePoints(const PointPlan& a, const PointPlan& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}
