// The fonts of the drawings' texts: cairo font faces of our own, made from
// fontconfig patterns (cairo-ft), never cairo's toy faces, which the toolkit
// shares; a text that fails cannot spoil the window's own fonts.
//
// A text style names a font file. TrueType and OpenType files pick their
// family through fontconfig ("arial.ttf" -> Arial, or what fontconfig gives
// for it); SHX fonts, which are not to be had here, get a face of a similar
// look: the single-stroke ones (txt, simplex, romans, isocp...) a
// sans-serif face, monotxt a monospace face, the serifed ones (romanc,
// romand, romant, complex, gothic...) a serif face, the italic ones an
// italic serif face. A family that fontconfig does not have falls back to
// its default sans-serif face.
//
// The faces are shared by every painter of the process (guarded by a lock)
// and kept until libererPolicesTextes: one per font file and style that the
// names come to, each name looked up once.
#pragma once

#include <cairo.h>

#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "render/mise_en_page.h"

// What a font name of a drawing asks of fontconfig.
struct ChoixPolice {
    std::string famille;
    bool gras = false, italique = false;
};
// For a font file ("romans.shx", "ARIALBD.TTF", "C:\Fonts\cour.ttf"), or a
// family name ("Arial"); "" gives the default sans-serif face.
ChoixPolice choisirPolice(std::string_view nom);

// One face, and what the layout needs of it.
struct Police {
    cairo_font_face_t* face = nullptr;
    // The face at kEmMesure units per em, without hinting: glyphs and
    // advances for the layout.
    cairo_scaled_font_t* mesure = nullptr;
    double capitales = 0.7;  // height of the capitals, in ems
    double descente = 0.25;  // depth of the descenders, in ems
};
constexpr double kEmMesure = 1000;

// The face for a font name of a drawing, bold or italic; null when
// fontconfig has no font at all.
const Police* obtenirPolice(const std::string& nom, bool gras, bool italique);

// Cairo (1.16) locks a font's glyphs, then its glyph cache shared by every
// font; the cache, full, lets a page of glyphs of another font go under its
// own lock, then that font's: two threads at work on glyphs can each wait for
// the other for ever. Whatever looks up glyphs through cairo (painting or
// measuring texts, finishing a vector surface that holds texts, printing)
// holds this lock meanwhile, whatever the thread.
std::recursive_mutex& verrouGlyphes();

// Releases every face (the end of the program, before fontconfig's caches
// are freed; no painter may be at work).
void libererPolicesTextes();

// The layout's measures through these faces.
class MesureurCairo : public Mesureur {
  public:
    // Font names (with bold and italic) that one measurer looks up, that is
    // one painter of one drawing: the texts in the others take the default
    // face (each name new to the process costs fontconfig a millisecond or
    // so, and a drawing may name fifty thousand).
    static constexpr std::size_t kPolicesMax = 256;

    void mesurer(const StyleCaracteres& style, std::string_view texte, Mesure& m) override;
    // How many font names were looked up.
    std::size_t nombrePolices() const { return noms_.size(); }

  private:
    struct Glyphe {
        unsigned long index;
        double avance;  // in ems
    };
    // A character's glyph in the current face, asked of cairo once.
    const Glyphe& glyphe(char32_t c);

    // The last face asked for, so that the lock is not taken per word.
    std::string nom_;
    bool gras_ = false, italique_ = false;
    const Police* police_ = nullptr;
    std::unordered_map<char32_t, Glyphe>* glyphes_ = nullptr;  // of police_
    std::unordered_map<const Police*, std::unordered_map<char32_t, Glyphe>> parPolice_;
    std::unordered_set<std::string> noms_;
};
