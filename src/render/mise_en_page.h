// The layout of a text, before any backend: its formatting codes read into
// runs of characters with their style, then the runs set on lines, wrapped
// to a width, as glyphs placed in the text's local space, in colours
// resolved; then the text placed as DXF places it (mettreEnPlace). No
// graphics library here: the glyphs and their advances come from a Mesureur
// (the backend's: fonts, polices.h; the tests give one of their own).
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

#include "render/rendu.h"

struct DispositionTexte;

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

// The runs and rules of a text in its local space, and its measures.
struct MiseEnPage : TextePlace {
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
// The colours of the runs and rules are those their codes name among
// `couleurs` (couleurCode).
MiseEnPage mettreEnPage(const std::vector<Morceau>& morceaux, bool multiligne, double largeurCadre,
                        double interligne, int colonne, Mesureur& mesureur,
                        const CouleursTexte& couleurs = {});
// The same from the codes of a text (an MTEXT's when `multiligne`), read
// as they are set: what is kept meanwhile is the line being set and, of the
// lines before, their glyphs and a few numbers each.
MiseEnPage mettreEnPage(std::string_view texte, const StyleCaracteres& base, bool multiligne,
                        double largeurCadre, double interligne, int colonne, Mesureur& mesureur,
                        const CouleursTexte& couleurs = {});

// A text as the walk hands it over: its first point (x, y) in the user
// space of its block, the height of its capitals there, its codes, its font
// (the file or family that its style names, "" for the default face), its
// placement and the colours its codes may name.
struct TexteAPlacer {
    double x, y;
    const std::string& texte;  // UTF-8 with its formatting codes
    const std::string& police;
    double taille;
    const DispositionTexte& disposition;
    CouleursTexte couleurs;
};

// Lays out `t` (an MTEXT's codes when its placement is one of several
// lines) and places it as DXF does (placerTexte, placerMText): its runs and
// rules into `mp`, and into `versDevice` the transform from its local space
// to the device through `m` (the user space of its block to the device).
// False when there is nothing to paint: a first point or a placement that
// is not finite there, or nothing laid out.
bool mettreEnPlace(const Matrice& m, const TexteAPlacer& t, Mesureur& mesureur, MiseEnPage& mp,
                   Matrice& versDevice);
