// What the walk hands to a drawing backend: primitives whose properties are
// all resolved (colour, dashes, transform). A backend only draws them on one
// kind of target; it knows nothing of layers, blocks or by-block rules.
#pragma once

#include <string>

#include "model/geometrie.h"

class Image;
struct DispositionTexte;

struct CouleurRVB {
    double r, g, b;
};

inline bool operator==(const CouleurRVB& a, const CouleurRVB& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

// The colour of a DXF colour index: row `indice` of dxflib's dxfColors table,
// except that index 7 (white in the table) is painted in the foreground
// colour, black, since the drawings are shown on a light background. An index
// outside 0..255 is taken by its absolute value (a layer switched off in the
// file has a negative colour); 256 (by layer, on a layer without a colour)
// and whatever is still out of range count as 7.
CouleurRVB couleurDXF(int indice);

// A dash pattern: lengths in drawing units, drawn and skipped in turn,
// starting with a drawn one.
struct MotifTirets {
    const double* longueurs;
    int nombre;
};

// The dash pattern of broken line types: 10 on, 4 off.
extern const MotifTirets kTiretsParDefaut;

// How a line is stroked: one device pixel wide, in a colour, solid or dashed.
struct Trait {
    CouleurRVB couleur{0, 0, 0};
    // Null for a solid line.
    const MotifTirets* tirets = nullptr;
    // Device length of one drawing unit of the block being painted, by which
    // the dash lengths are multiplied.
    double echelleTirets = 1;
};

// A text to show, placed as DXF places it (model/disposition.h): its first
// point (x, y) in the user space of the primitive, its height (of the
// capitals, in user units), its placement, and its font: the file or family
// that its style names ("" for the default face).
struct TexteAPeindre {
    double x, y;
    const std::string& texte;  // UTF-8 with its formatting codes
    const std::string& police;
    double taille;
    CouleurRVB couleur;
    const DispositionTexte& disposition;
    // The colours that MTEXT's colour codes name by layer (256) and by
    // block (0).
    CouleurRVB couleurCalque, couleurBloc;
};

class Rendu {
  public:
    virtual ~Rendu() = default;

    // A straight segment between two device points.
    virtual void segment(double x1, double y1, double x2, double y2, const Trait& trait) = 0;
    // The arc of the circle (cx, cy, rayon) of user space `m` (which maps
    // the block's drawing units to device pixels), from angle a1 to a2 in
    // radians, counter-clockwise in user space, a1 <= a2.
    virtual void arc(const Matrice& m, double cx, double cy, double rayon, double a1, double a2,
                     const Trait& trait) = 0;
    // What is smaller than a pixel, centred on the device point (x, y).
    virtual void pixel(double x, double y, const CouleurRVB& couleur) = 0;
    // A point: a disc of radius one user unit, filled and outlined.
    virtual void point(const Matrice& m, double x, double y, const CouleurRVB& couleur) = 0;
    // A text whose capitals are at least about a pixel high (smaller ones
    // are left to the walk).
    virtual void texte(const Matrice& m, const TexteAPeindre& texte) = 0;
    // A raster image of the model.
    virtual void image(const Matrice& m, const Image& image, const CouleurRVB& couleur) = 0;
    // Paints whatever the backend still holds back (batches).
    virtual void terminer() {}
};
