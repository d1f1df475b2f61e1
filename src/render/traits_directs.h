// One-pixel straight strokes drawn straight into the pixels of a cairo image
// surface by Anti-Grain Geometry's antialiased outline renderer, which is
// made for them: most of a drawing is such strokes, and cairo's general
// stroker spends most of a repaint turning them into pixels. Same
// convention as cairo (pixel edges on whole coordinates), coverage within a
// few levels of cairo's.
#pragma once

#include <cairo.h>

#include <memory>

#include "render/rendu.h"

class TraitsDirects {
  public:
    // For the context `cr` when its target is an image surface (24 or 32
    // bits) seen in device space: strokes are then clipped to the context's
    // clip, which must be made of rectangles. Null otherwise.
    static std::unique_ptr<TraitsDirects> pour(cairo_t* cr);
    ~TraitsDirects();
    TraitsDirects(const TraitsDirects&) = delete;
    TraitsDirects& operator=(const TraitsDirects&) = delete;

    // Strokes the segment between two device points, one pixel wide, solid
    // or with the dashes of `trait` starting `decalage` pixels into them.
    void segment(double x1, double y1, double x2, double y2, const Trait& trait, double decalage);
    // Strokes the arc of the circle (cx, cy, rayon) of user space `m` from
    // angle a1 to a2 (radians, counter-clockwise; a2 below a1 is taken a
    // whole turn further), as a chain of chords that stray at most a fifth
    // of a pixel from it; the dashes run on along the chain.
    void arc(const Matrice& m, double cx, double cy, double rayon, double a1, double a2,
             const Trait& trait);

    // Cairo and these strokes take turns on the same pixels: before strokes
    // of ours cairo's pending drawing must be flushed, and afterwards cairo
    // must be told the pixels changed.
    void avantTraits();
    void avantCairo();

  private:
    struct Impl;
    explicit TraitsDirects(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
    bool actifs_ = false;
};
