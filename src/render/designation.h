// Designating an object: which entities lie under a point of the drawing,
// nearest first, with the insertions that carry them and their shape, and
// where a measure snaps near a point.
#pragma once

#include <cstddef>
#include <vector>

#include "model/forme.h"
#include "render/visite.h"

// An object designated: the entity (a dimension for what its block draws),
// the carriers that place it (outermost first), the transform from its
// block to the drawing, its shape there, and how far it lies from the
// point.
struct Designe {
    RefEntite objet;
    std::vector<Porteur> porteurs;
    Matrice matrice;
    Forme forme;
    double distance = 0;
};

// The entities within `tolerance` of `p` (drawing units), on the layers
// shown, nearest first (among equals, the one painted last); at most `max`.
// Inside a surface (hatch, solid, picture, wipeout), an object counts as
// `tolerance` away, after the lines drawn over it; inside a text's box, as 0.
std::vector<Designe> designer(const Dessin& dessin, const CalquesMasques* masques, PointPlan p,
                              double tolerance, std::size_t max = 16);

// The block path of a designated object: the names of the blocks that
// carry it, innermost first ("PORTE < ETAGE1"); "" at the top level.
std::string cheminBlocs(const std::vector<Porteur>& porteurs);

// A point a measure snaps to.
struct Accroche {
    PointPlan p{0, 0};
    GenreAccroche genre = GenreAccroche::Proche;
};

// Where a pointer at `p` snaps, within `ouverture` (drawing units): the
// nearest end, middle, centre, insertion point, intersection of two lines
// of the objects near, or foot of the perpendicular from `depart` (when
// given); failing those, the nearest point of a line. False when nothing is
// near.
bool accrocher(const Dessin& dessin, const CalquesMasques* masques, PointPlan p, double ouverture,
               const PointPlan* depart, Accroche& accroche);

// The French name of a kind of snap ("Extrémité", "Milieu", …).
const char* nomAccroche(GenreAccroche g);
