// What the walk hands to a drawing backend: primitives whose properties are
// all resolved (colour, dashes, transform). A backend only draws them on one
// kind of target; it knows nothing of layers, blocks or by-block rules.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstdint>
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

// The background the drawings are shown on by default, which wipeouts
// paint; and the other one a viewer may choose.
constexpr CouleurRVB kFond{1, 1, 1};
constexpr CouleurRVB kFondNoir{0, 0, 0};
// The colour that stands out on `fond`: black on a light background, white
// on a dark one (colour 7 is painted so).
inline CouleurRVB couleurContraire(const CouleurRVB& fond) {
    const double clarte = 0.299 * fond.r + 0.587 * fond.g + 0.114 * fond.b;
    return clarte >= 0.5 ? CouleurRVB{0, 0, 0} : CouleurRVB{1, 1, 1};
}
// The colour of a DXF colour index on the background `fond`: row `indice`
// of dxflib's dxfColors table, except that indexes 7 and 255 (white in the
// table) are painted in the colour that stands out on the background, black
// on white, white on black. An index outside 0..255 is taken by its absolute
// value (a layer switched off in the file has a negative colour); 256 (by
// layer, on a layer without a colour) and whatever is still out of range
// count as 7.
CouleurRVB couleurDXF(int indice, const CouleurRVB& fond = kFond);
// How far, in levels of 255, a true colour may lie from the background in
// every channel and still be painted as colour 7 is: white outlines drawn
// for a black background would not be seen on a white one.
constexpr long kEcartFond = 4;
// A true colour 0xRRGGBB as painted on `fond`: itself, or within kEcartFond
// levels of the background, the colour that stands out on it.
inline CouleurRVB couleurVraie(std::uint32_t rvb, const CouleurRVB& fond) {
    auto proche = [](std::uint32_t niveau, double f) {
        return std::labs(static_cast<long>(niveau & 0xFF) - std::lround(f * 255)) <= kEcartFond;
    };
    if (proche(rvb >> 16, fond.r) && proche(rvb >> 8, fond.g) && proche(rvb, fond.b))
        return couleurContraire(fond);
    return {((rvb >> 16) & 0xFF) / 255.0, ((rvb >> 8) & 0xFF) / 255.0, (rvb & 0xFF) / 255.0};
}

// The dash pattern of broken line types that the drawing does not define:
// 10 on, 4 off.
extern const MotifTirets kTiretsParDefaut;

// How a line is stroked: one device pixel wide, in a colour, solid or dashed.
struct Trait {
    CouleurRVB couleur{0, 0, 0};
    // Null for a solid line.
    const MotifTirets* tirets = nullptr;
    // Device length of one drawing unit of the block being painted, by which
    // the dash lengths are multiplied.
    double echelleTirets = 1;
    // How far into its pattern the line starts, beyond the pattern's own
    // start, in the same units as the dash lengths.
    double departTirets = 0;
};

// The most dashes and gaps of a pattern that the backends draw.
constexpr int kTiretsMax = 32;

// A stroke's pattern in device pixels: its first dashes and gaps (an even
// count, at most kTiretsMax, written to `longueurs`), a dot (a dash of length
// 0) one pixel long, taken from the gap after it; and in `depart`, how far
// into that pattern the stroke starts. Returns the count, 0 for a solid
// stroke.
int tiretsDevice(const Trait& trait, double (&longueurs)[kTiretsMax], double& depart);

// How overlapping polygons fill: alternately (islands of a hatch), or
// wherever some polygon lies (all turning the same way).
enum class RegleRemplissage { PairImpair, NonNul };

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
    // The background, against which the other codes resolve (7, true
    // colours near it).
    CouleurRVB fond = kFond;
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
    // What is smaller than a pixel, centred on the device point (x, y); the
    // dot of a point. (The figures of points are segments, arcs and
    // polylines in device space.)
    virtual void pixel(double x, double y, const CouleurRVB& couleur) = 0;
    // A polyline of device points, stroked as one line: its dashes run on
    // from one segment to the next; `fermee` joins its last point to its
    // first.
    virtual void polyligne(const PointPlan* points, std::size_t nombre, bool fermee,
                           const Trait& trait) = 0;
    // Closed polygons of device points, `tailles[i]` points each, one after
    // the other in `points`, filled together in one colour.
    virtual void remplir(const PointPlan* points, const std::size_t* tailles, std::size_t contours,
                         const CouleurRVB& couleur, RegleRemplissage regle) = 0;
    // A text whose capitals are at least about a pixel high (smaller ones
    // are left to the walk).
    virtual void texte(const Matrice& m, const TexteAPeindre& texte) = 0;
    // A raster image of the model, placed in user space `m` by its
    // insertion point and its pixel vectors.
    virtual void image(const Matrice& m, const Image& image, const CouleurRVB& couleur) = 0;
    // Paints whatever the backend still holds back (batches).
    virtual void terminer() {}
};
