// The glyphs of texts laid out (render/mise_en_page.h) painted with cairo:
// each run's glyphs in its face (a Police, polices.h) through cairo's glyph
// cache, or, when they are larger than that cache takes, as their outlines
// filled; and the rules, at least a pixel thick. Glyphs and rules beyond the
// zone seen, or beyond what cairo's numbers hold, are left out.
#pragma once

#include <cairo.h>

#include <map>
#include <utility>
#include <vector>

#include "model/geometrie.h"
#include "render/polices.h"
#include "render/rendu.h"

// Device coordinates beyond this cannot be held by cairo's 24.8 fixed-point
// numbers (2^23) with room to spare.
constexpr double kLoinCairo = 1 << 21;

class PeintreGlyphes {
  public:
    PeintreGlyphes() = default;
    ~PeintreGlyphes();
    PeintreGlyphes(const PeintreGlyphes&) = delete;
    PeintreGlyphes& operator=(const PeintreGlyphes&) = delete;

    // The device box where glyphs are seen (the clip, with a margin).
    void setZone(const Boite& zone) { zone_ = zone; }

    // What the runs and rules of `t` may cover, in its own space: an em
    // around each glyph, each rule with its thickness.
    static Boite etendue(const TextePlace& t);

    // Paints the runs and rules of `t` on `c`; `m` maps its own space to
    // device pixels. The faces of its runs are Polices.
    void peindre(cairo_t* c, const Matrice& m, const TextePlace& t);

  private:
    // The outline of a glyph in font units (at kEmMesure per em), kept for
    // the painter's lifetime; null when cairo has none.
    const cairo_path_t* contour(const Police& police, unsigned long index);
    // Adds the outline of a glyph to chemin_, mapped by `versDevice` (font
    // units of one em, y down, to device pixels), unless it reaches beyond
    // what cairo's numbers hold.
    void ajouterContour(const Police& police, unsigned long index, const Matrice& versDevice);
    bool visible(double x0, double y0, double x1, double y1) const {
        return x1 >= zone_.x0 && x0 <= zone_.x1 && y1 >= zone_.y0 && y0 <= zone_.y1;
    }

    Boite zone_;
    cairo_t* brouillon_ = nullptr;  // glyph outlines
    cairo_surface_t* surfaceBrouillon_ = nullptr;
    std::map<std::pair<const Police*, unsigned long>, cairo_path_t*> contours_;
    std::vector<cairo_path_data_t> chemin_;  // the outlines of a run
    std::vector<cairo_glyph_t> glyphes_;     // those of a run, in device space
};
