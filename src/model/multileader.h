// What a multileader shows, worked out from its model (objects.h) in the
// units of its block: the walk hands these to the backend, the extents bound
// them.
#pragma once

#include <array>
#include <vector>

#include "model/geometrie.h"
#include "model/objects.h"

struct FigureRepere {
    // The leader lines, by the points they pass through: straight from one
    // to the next, or a spline through them (MultiLeader::getGenreLignes).
    std::vector<std::vector<PointPlan>> lignes;
    // The dog-leg landings.
    std::vector<std::array<PointPlan, 2>> paliers;
    // The closed filled arrowheads, or, when a block draws them, where that
    // block is placed (as an insertion of it would be).
    std::vector<std::array<PointPlan, 3>> fleches;
    std::vector<Matrice> blocsFleches;
};

FigureRepere figureRepere(const MultiLeader& m);

// A closed filled arrowhead of `taille` with its point on `pointe`, along
// the line towards `vers`, a third as wide as it is long; false when the
// line has no direction or the size is not above 0.
bool flecheFermee(const PointPlan& pointe, const PointPlan& vers, double taille,
                  std::array<PointPlan, 3>& triangle);

// An attribute definition (ATTDEF, in its block's units) carried into the
// units where `bloc` places its block, as the attribute of that insertion
// is: its points, its height (by the y scale), its rotation and width factor.
void placerAttribut(const Attribut& definition, const Insertion& bloc, double& x, double& y,
                    double& taille, DispositionTexte& disposition);
