// Extents: the bounding box of what a block or a drawing holds, in drawing
// units, through every insertion (each definition's box is computed once and
// transformed by each insertion). Arcs and circles count by their true
// extent, texts by an estimate of their box; coordinates that are not finite
// are ignored.
#pragma once

#include "model/dessin.h"
#include "model/geometrie.h"

// The box of a block's contents in its own units, without what lies on the
// layers off or frozen in the file: what a view is fitted to; empty for an
// empty block.
// Not safe to call from several threads on the same drawing before the
// drawing's own extents have been computed once.
const Boite& etendue(const Block& bloc);

// The box of a drawing's own entities (its root block).
inline const Boite& etendue(const Dessin& dessin) { return etendue(dessin.getBlocRoot()); }

// The box of all that a block's contents may paint, the layers off or
// frozen in the file included (a viewer may show them): what culls.
const Boite& etenduePeinte(const Block& bloc);

// The box of a layout's paper-space entities: those of the root flagged as
// paper space when `racine`, every one of `bloc` otherwise.
Boite etendueFeuille(const Block& bloc, bool racine);

// How many objects walking the block's contents meets, through every
// insertion (nested ones counted as often as they are placed); computed with
// the extents.
double nombreDeplie(const Block& bloc);

// The objects one entity stands for when walked: itself, the vertices of a
// polyline, each copy of an insertion with the definition it walks (once
// the definitions' extents are known).
template <class T>
double objetsDeplies(const T&) {
    return 1;
}
double objetsDeplies(const Polyline& p);
double objetsDeplies(const Insertion& i);
double objetsDeplies(const Dimension& d);
double objetsDeplies(const MultiLeader& m);

// The box of an arc of the circle (cx, cy, r) from a1 to a2 (radians,
// counter-clockwise).
Boite etendueArc(double cx, double cy, double r, double a1, double a2);

// The box of the ellipse arc c + a cos t + b sin t for t from t1 to t2
// (counter-clockwise, the whole ellipse when they are a turn apart).
Boite etendueEllipse(const PointPlan& c, const PointPlan& a, const PointPlan& b, double t1,
                     double t2);
