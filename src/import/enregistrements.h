// Records that dxflib does not hand over whole, read from their pairs
// (paires.h): the boundaries and the pattern of a hatch, the outline of a
// wipeout. Counts in the file are never trusted: what is read is what the
// pairs hold.
#pragma once

#include <vector>

#include "import/paires.h"
#include "model/objects.h"

// The boundary paths (curved edges of ellipses and splines flattened, arcs
// kept as bulges) and the pattern lines of a HATCH record.
void lireHachure(const std::vector<Paire>& paires, Hatch& hachure);

// The polygon a WIPEOUT record covers, in drawing units: its clip boundary
// (a rectangle or a polygon, in pixels of its picture) placed by its
// insertion point and its u and v vectors; the whole picture when it has
// none. Empty when the record says nothing usable.
std::vector<PointPlan> lireContourWipeout(const std::vector<Paire>& paires);

// The value of the first pair of that code, or `defaut`.
double reelDe(const std::vector<Paire>& paires, int code, double defaut);
int entierDe(const std::vector<Paire>& paires, int code, int defaut);
