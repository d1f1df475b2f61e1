// What the "Propriétés" panel says of a designated object: rows of a label
// and a value, in French, lengths and points in the drawing's units and
// coordinates (through the insertions that carry it).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "render/visite.h"

using LigneProprietes = std::pair<std::string, std::string>;

// The rows for `objet`, placed in the drawing by `matrice` and carried by
// `porteurs` (outermost first): kind, layer, colour, line type and its
// scale, block path, then its geometry, its text, and the insertion that
// carries it (point, scales, rotation, attributes).
std::vector<LigneProprietes> proprietes(const Dessin& dessin, const RefEntite& objet,
                                        const std::vector<Porteur>& porteurs,
                                        const Matrice& matrice);

// The French name of a kind of entity ("Ligne", "Polyligne", "Cote"…).
const char* nomGenre(unsigned genre);

// A colour index put into words: "1 (rouge)", "7 (blanc/noir)", "34".
std::string texteCouleurIndex(int indice);

// The length of a polyline's path and the area it closes (0 when open),
// its arcs counted whole, in the units `m` carries it to (a transform that
// keeps shapes).
double longueurPolyligne(const Polyline& p, const Matrice& m);
double airePolyligne(const Polyline& p, const Matrice& m);
