// The layout of a text: its formatting codes read into runs of characters
// with their style, then the runs set on lines, wrapped to a width, as
// glyphs placed in the text's local space. No graphics library here: the
// glyphs and their advances come from a Mesureur (fonts, polices.h; the
// tests give one of their own).
//
// Codes of single-line texts (TEXT, ATTRIB): %%c diameter, %%d degree,
// %%p plus-minus, %%% percent, %%u and %%o underline and overline toggles
// (%%k strike-through). MTEXT adds: \P paragraph (and \N, a column break, as
// one), \H height (absolute, or relative with an x), \f and \F font, \C
// colour index and \c true colour, \L \l underline, \O \o overline, \K \k
// strike-through, \W width factor, \Q oblique angle, \T tracking, \S
// stacked fractions (^, / or #), braces grouping (kAccoladesMax deep), \\ \{ \} escaped
// characters, \~ non-breaking space. Codes that are not understood are
// removed, never shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How a run of characters looks.
struct StyleCaracteres {
    std::string police;  // a font file ("romans.shx") or a family ("Arial")
    bool gras = false, italique = false;
    double hauteur = 1;     // of the capitals, in the text's units
    double largeur = 1;     // width factor (\W)
    double oblique = 0;     // radians (\Q)
    double espacement = 1;  // tracking factor (\T)
    int couleur = -1;       // DXF colour index, -1 the text's own
    std::uint32_t rvb = 0;  // true colour 0xRRGGBB, when aRvb
    bool aRvb = false;
    bool souligne = false, surligne = false, barre = false;
};

// A piece of a text read from its codes.
struct Morceau {
    enum Genre { Texte, Paragraphe, Pile };
    Genre genre = Texte;
    StyleCaracteres style;
    std::string texte;    // UTF-8; the numerator of a stack
    std::string bas;      // the denominator of a stack
    char separateur = 0;  // of a stack: '^', '/' or '#'
};

// Braces nested deeper than this save no style: what they change holds until
// a brace of a lower level closes (a million braces opened would otherwise
// keep a million styles).
constexpr std::size_t kAccoladesMax = 64;

// Reads the codes of `texte` (UTF-8), MTEXT's as well when `mtext`, from
// the style `base`.
std::vector<Morceau> lireCodes(std::string_view texte, bool mtext, const StyleCaracteres& base);

// A glyph: its index in its font and its position along the baseline, in
// ems of its run.
struct GlypheMesure {
    unsigned long index;
    double x;
};

// What a Mesureur says of a run of characters in one style.
struct Mesure {
    const void* police = nullptr;  // the font, for the painter
    double capitales = 0.7;        // height of the capitals, in ems
    double descente = 0.25;        // depth of the descenders, in ems
    std::vector<GlypheMesure> glyphes;
    double avance = 0;  // in ems
};

class Mesureur {
  public:
    virtual ~Mesureur() = default;
    // The glyphs of `texte` (UTF-8, nothing that cannot be painted) in the
    // font of `style`, at a size of one em.
    virtual void mesurer(const StyleCaracteres& style, std::string_view texte, Mesure& m) = 0;
};

// Glyphs of one font at one size, in the text's local space (y up).
struct Passage {
    const void* police = nullptr;
    double em = 1;       // the font size
    double largeur = 1;  // width factor of the glyphs
    double oblique = 0;  // radians
    int couleur = -1;
    std::uint32_t rvb = 0;
    bool aRvb = false;
    struct Glyphe {
        unsigned long index;
        double x, y;
    };
    std::vector<Glyphe> glyphes;
};

// A rule: underline, overline, strike-through, fraction bar.
struct Filet {
    double x1, y1, x2, y2;
    double epaisseur;
    int couleur = -1;
    std::uint32_t rvb = 0;
    bool aRvb = false;
};

struct MiseEnPage {
    std::vector<Passage> passages;
    std::vector<Filet> filets;
    // Width of the widest line, or of the box when one is given.
    double largeur = 0;
    // From the top of the first line's capitals down to the last baseline.
    double hauteur = 0;
    // Depth of the descenders below the last baseline.
    double descente = 0;
    int lignes = 0;
};

// Sets the pieces on lines. Single-line texts (`largeurCadre` 0 and no
// paragraph) have their baseline on y = 0 from x = 0. Otherwise the first
// line's capitals top on y = 0 and the lines go down `interligne` times
// 5/3 of their highest capitals apart; with a box width, lines break
// between words to stay within it (a longer word stands alone), and each
// line is placed left, centred or right (`colonne` 0, 1, 2) in the box.
MiseEnPage mettreEnPage(const std::vector<Morceau>& morceaux, bool multiligne, double largeurCadre,
                        double interligne, int colonne, Mesureur& mesureur);
// The same from the codes of a text (an MTEXT's when `multiligne`), read
// as they are set: what is kept meanwhile is the line being set and, of the
// lines before, their glyphs and a few numbers each.
MiseEnPage mettreEnPage(std::string_view texte, const StyleCaracteres& base, bool multiligne,
                        double largeurCadre, double interligne, int colonne, Mesureur& mesureur);
