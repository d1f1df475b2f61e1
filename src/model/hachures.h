// Hatches as plain geometry, no graphics library: the vertices of their
// boundary paths, read from the edges the file gives (arcs as bulges,
// elliptic arcs and splines flattened for the precision asked); their
// boundary as polygons carried into a view; the box of their edges; and the
// lines of their pattern over that boundary. The walk hands what these give
// to its backend; the extents, designating and snapping read the boundary
// through them.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

#include "model/geometrie.h"
#include "model/objects.h"

// Lines of a hatch pattern painted at most, per hatch and repaint; beyond,
// or when the lines would meet the boundary's edges more than
// kCoupuresParTrait times as often, the hatch is drawn by its boundary.
constexpr long kTraitsHachureMax = 10000;
constexpr double kCoupuresParTrait = 5000;

// Where an edge starts and ends as it runs (renversee left aside); false
// when it has none (a spline without enough points, values that are not
// numbers). `courbe` is its spline, for a spline edge.
bool boutsArete(const AreteContour& a, const SplineContour* courbe, PointPlan& debut,
                PointPlan& fin);

// The vertices of a boundary path of `h`, in drawing units, its mirror
// applied, as the segment from each to the next runs: arcs as bulges of at
// most a quarter turn, elliptic arcs and splines as chords within
// `tolerance` (drawing units), but never finer than a ten-thousandth of
// their size unless `tolerance` asks it, nor finer than a 64th of
// `tolerance`. Vertices where the one before lies are one; the last is
// left out when it is the first again. Appended to `sortie`; false when
// `arret` was seen set (what was appended is then a part).
bool sommetsContour(const Hatch& h, const CheminContour& c, double tolerance,
                    std::vector<Sommet>& sortie, const std::atomic<bool>* arret = nullptr);

// The boundary of `h` as polygons carried by `m`: their points appended to
// `points`, the number of each polygon's to `tailles` (paths that come to a
// single point left out); curves within `tolerance` in the units `m`
// carries to (once some four million points are made, the paths that
// remain take the fewest chords). With a `zone` (in those units), the
// paths that lie wholly outside it are left out: they change neither the
// fill nor which parts of the pattern lines are inside within it. False
// when `arret` was seen set.
bool aplatirContours(const Hatch& h, const Matrice& m, double tolerance,
                     std::vector<PointPlan>& points, std::vector<std::size_t>& tailles,
                     const std::atomic<bool>* arret = nullptr, const Boite* zone = nullptr);

// The box of the boundary of `h` in drawing units: arcs and elliptic arcs
// by their true extent, splines by their control and fit points.
Boite etendueHachure(const Hatch& h);

// A piece of a line of a hatch pattern, inside the boundary, in device
// units: from `a` to `b`, dashed by `tirets` (null: solid), `echelle` the
// device length of a drawing unit along the line, `depart` how far into
// the dashes `a` lies (in drawing units).
struct TraitMotif {
    PointPlan a, b;
    const MotifTirets* tirets;
    double echelle;
    double depart;
};

// The lines of the pattern of `h` carried by `m` over its boundary, given
// as device polygons (`points`, `tailles`, islands alternating), for the
// lines that cross the device box `zone`: each piece inside the boundary
// handed to `f`, family by family, line by line. False, and nothing handed,
// when the lines are too many to be worth painting (see kTraitsHachureMax).
// Once `arret` (when given) is seen set, no more lines are handed.
bool traitsMotif(const Hatch& h, const Matrice& m, const std::vector<PointPlan>& points,
                 const std::vector<std::size_t>& tailles, const Boite& zone,
                 const std::function<void(const TraitMotif&)>& f,
                 const std::atomic<bool>* arret = nullptr);
