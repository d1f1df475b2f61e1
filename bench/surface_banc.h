#ifndef TARSIN_BENCH_SURFACE_BANC_H
#define TARSIN_BENCH_SURFACE_BANC_H

#include <cairo.h>
#include <cairomm/context.h>

// A square image surface of `cote` pixels and its context, for the painting
// benchmarks.
template <int cote>
struct SurfaceBanc {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cote, cote);
    Cairo::RefPtr<Cairo::Context> cr{new Cairo::Context(cairo_create(s), true)};
    SurfaceBanc() = default;
    SurfaceBanc(const SurfaceBanc&) = delete;
    SurfaceBanc& operator=(const SurfaceBanc&) = delete;
    ~SurfaceBanc() {
        cr.clear();
        cairo_surface_destroy(s);
    }
    void blanchir() {
        cairo_t* c = cr->cobj();
        cairo_save(c);
        cairo_set_source_rgb(c, 1, 1, 1);
        cairo_paint(c);
        cairo_restore(c);
    }
};

#endif
