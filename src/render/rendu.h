// What the walk hands to a drawing backend: primitives whose properties are
// all resolved (colour, dashes, transform). A backend only draws them on one
// kind of target; it knows nothing of layers, blocks or by-block rules.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

#include "model/geometrie.h"

class Image;
class Mesureur;

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

// The colours that a text's colour codes may name: the text's own (where
// it has no code), by layer (256) and by block (0).
struct CouleursTexte {
    CouleurRVB texte, calque, bloc;
    // The background, against which colour 7 and true colours near it
    // resolve.
    CouleurRVB fond = kFond;
};
// The colour of a text's colour code: the true colour `rvb` when `aRvb`,
// otherwise the colour index `indice` (-1: the text's own colour).
inline CouleurRVB couleurCode(int indice, bool aRvb, std::uint32_t rvb, const CouleursTexte& c) {
    if (aRvb) return couleurVraie(rvb, c.fond);
    if (indice == 0) return c.bloc;
    if (indice == 256) return c.calque;
    if (indice > 0) return couleurDXF(indice, c.fond);
    return c.texte;
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

// Glyphs of one face at one size, slant and colour, placed in a text's
// own space (y up), where the layout put them (render/mise_en_page.h).
struct Passage {
    // The face, as the backend's Mesureur gave it (a Police for RenduCairo).
    const void* police = nullptr;
    double em = 1;       // the font size, in the text's units
    double largeur = 1;  // width factor of the glyphs
    double oblique = 0;  // radians
    CouleurRVB couleur{0, 0, 0};
    std::string texte;  // the characters its glyphs were measured from, UTF-8
    struct Glyphe {
        unsigned long index;  // in its face
        double x, y;          // its origin, on its baseline
    };
    std::vector<Glyphe> glyphes;

    // From a glyph's own space (ems, y down, its origin at 0) to the
    // text's, but for the glyph's position.
    Matrice versTexte() const {
        const double penche = std::tan(oblique);
        return Matrice{em * largeur, 0, -em * penche, -em, 0, 0};
    }
};

// A rule: underline, overline, strike-through, fraction bar, in a text's
// own space.
struct Filet {
    double x1, y1, x2, y2;
    double epaisseur;
    CouleurRVB couleur{0, 0, 0};
};

// A text laid out: all that a backend paints of it.
struct TextePlace {
    std::vector<Passage> passages;
    std::vector<Filet> filets;
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
    // What the texts for this backend are measured with: the faces of its
    // glyphs. Null: the texts are not laid out, nor handed over.
    virtual Mesureur* mesureur() = 0;
    // A text laid out (one whose capitals are at least about a pixel high:
    // smaller ones are left to the walk): its runs and rules, placed in its
    // own space, which `m` maps to device pixels.
    virtual void texte(const Matrice& m, const TextePlace& texte) = 0;
    // A raster image of the model, placed in user space `m` by its
    // insertion point and its pixel vectors.
    virtual void image(const Matrice& m, const Image& image, const CouleurRVB& couleur) = 0;
    // Paints whatever the backend still holds back (batches).
    virtual void terminer() {}
};
