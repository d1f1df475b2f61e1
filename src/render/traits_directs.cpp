#include "render/traits_directs.h"

#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_outline_aa.h>
#include <agg_renderer_mclip.h>
#include <agg_renderer_outline_aa.h>

#include <algorithm>
#include <cmath>

namespace {

// Cairo's 32-bit pixels, premultiplied, blue first in memory.
using Format = agg::pixfmt_bgra32_pre;
using Base = agg::renderer_mclip<Format>;
using Contour = agg::renderer_outline_aa<Base>;
using Rasteriseur = agg::rasterizer_outline_aa<Contour>;

// Dash periods shorter than this, in pixels, are drawn solid (as cairo's
// strokes are), and so are segments longer than this many periods.
constexpr double kPeriodeMin = 2.0;
constexpr double kPeriodesMax = 1e5;
// How far a chord may stray from its arc, in pixels.
constexpr double kTolerance = 0.2;

std::uint8_t octet(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
}

}  // namespace

struct TraitsDirects::Impl {
    cairo_surface_t* surface;
    agg::rendering_buffer tampon;
    Format format;
    Base base;
    agg::line_profile_aa profil;
    Contour contour;
    Rasteriseur trace;

    Impl(cairo_surface_t* s, unsigned char* pixels, int l, int h, int pas)
        : surface(s),
          tampon(pixels, l, h, pas),
          format(tampon),
          base(format),
          profil(1.0, agg::gamma_none()),
          contour(base, profil),
          trace(contour) {}

    void trait(double x1, double y1, double x2, double y2) {
        // The outline rasteriser leaves out what is not longer than 1.5
        // pixels (dots of line types, what stands for the sub-pixel): the
        // pixel of its middle, inked as much as the stroke would.
        const double longueur = std::hypot(x2 - x1, y2 - y1);
        if (longueur <= 1.5) {
            const double x = std::floor((x1 + x2) / 2), y = std::floor((y1 + y2) / 2);
            if (!(std::fabs(x) < 1e9 && std::fabs(y) < 1e9)) return;
            base.blend_pixel(static_cast<int>(x), static_cast<int>(y), contour.color(),
                             octet(std::max(longueur, 0.5)));
            return;
        }
        trace.move_to_d(x1, y1);
        trace.line_to_d(x2, y2);
        trace.render(false);
    }
};

TraitsDirects::TraitsDirects(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

TraitsDirects::~TraitsDirects() { avantCairo(); }

std::unique_ptr<TraitsDirects> TraitsDirects::pour(cairo_t* cr) {
    cairo_surface_t* cible = cairo_get_group_target(cr);
    if (cairo_surface_get_type(cible) != CAIRO_SURFACE_TYPE_IMAGE) return nullptr;
    const cairo_format_t f = cairo_image_surface_get_format(cible);
    if (f != CAIRO_FORMAT_ARGB32 && f != CAIRO_FORMAT_RGB24) return nullptr;
    double ox, oy, ex, ey;
    cairo_surface_get_device_offset(cible, &ox, &oy);
    cairo_surface_get_device_scale(cible, &ex, &ey);
    if (ox != 0 || oy != 0 || ex != 1 || ey != 1) return nullptr;
    cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr);
    if (clip->status != CAIRO_STATUS_SUCCESS) {
        cairo_rectangle_list_destroy(clip);
        return nullptr;
    }
    cairo_surface_flush(cible);
    auto impl = std::make_unique<Impl>(
        cible, cairo_image_surface_get_data(cible), cairo_image_surface_get_width(cible),
        cairo_image_surface_get_height(cible), cairo_image_surface_get_stride(cible));
    impl->base.reset_clipping(false);
    for (int i = 0; i < clip->num_rectangles; ++i) {
        // Whole pixels only: cairo's rectangle clips of a device-space
        // context are; the last row and column included.
        const cairo_rectangle_t& r = clip->rectangles[i];
        const int x0 = static_cast<int>(std::ceil(r.x)), y0 = static_cast<int>(std::ceil(r.y));
        const int x1 = static_cast<int>(std::floor(r.x + r.width)) - 1;
        const int y1 = static_cast<int>(std::floor(r.y + r.height)) - 1;
        if (x1 >= x0 && y1 >= y0) impl->base.add_clip_box(x0, y0, x1, y1);
    }
    cairo_rectangle_list_destroy(clip);
    return std::unique_ptr<TraitsDirects>(new TraitsDirects(std::move(impl)));
}

void TraitsDirects::avantTraits() {
    if (actifs_) return;
    cairo_surface_flush(impl_->surface);
    actifs_ = true;
}

void TraitsDirects::avantCairo() {
    if (!actifs_) return;
    cairo_surface_mark_dirty(impl_->surface);
    actifs_ = false;
}

void TraitsDirects::segment(double x1, double y1, double x2, double y2, const Trait& trait,
                            double decalage) {
    avantTraits();
    impl_->contour.color(
        agg::rgba8(octet(trait.couleur.r), octet(trait.couleur.g), octet(trait.couleur.b), 255));
    if (!trait.tirets) {
        impl_->trait(x1, y1, x2, y2);
        return;
    }
    // The dashes along the segment, drawn in turn, from `decalage` into the
    // pattern.
    double tirets[kTiretsMax], depart;
    const int n = tiretsDevice(trait, tirets, depart);
    double periode = 0;
    for (int i = 0; i < n; ++i) periode += tirets[i];
    const double longueur = std::hypot(x2 - x1, y2 - y1);
    if (!(longueur > 0)) return;
    if (n == 0 || !(periode >= kPeriodeMin) || longueur / periode > kPeriodesMax) {
        // Dashes that cannot be told apart: a solid line.
        impl_->trait(x1, y1, x2, y2);
        return;
    }
    const double ux = (x2 - x1) / longueur, uy = (y2 - y1) / longueur;
    double phase = std::fmod(decalage + depart, periode);
    if (!(phase >= 0)) phase = 0;
    int i = 0;
    while (phase >= tirets[i]) {
        phase -= tirets[i];
        i = (i + 1) % n;
    }
    double t = 0;
    while (t < longueur) {
        const double pas = std::min(tirets[i] - phase, longueur - t);
        if (i % 2 == 0 && pas > 0)
            impl_->trait(x1 + ux * t, y1 + uy * t, x1 + ux * (t + pas), y1 + uy * (t + pas));
        t += pas;
        phase = 0;
        i = (i + 1) % n;
    }
}

void TraitsDirects::arc(const Matrice& m, double cx, double cy, double rayon, double a1, double a2,
                        const Trait& trait) {
    if (a2 < a1) a2 += kDeuxPi * std::ceil((a1 - a2) / kDeuxPi);
    // Chords of angle 2 acos(1 - t / r) stray t from a circle of radius r.
    const double r = rayon * m.etirementMax();
    const double pasMax = r > kTolerance ? 2 * std::acos(1 - kTolerance / r) : kDeuxPi / 4;
    // Clamped as a double: a count past what an int holds cannot be cast.
    const double morceaux = std::ceil((a2 - a1) / pasMax);
    const int n = morceaux >= 1 ? static_cast<int>(std::min(morceaux, 100000.0)) : 1;
    double px = cx + rayon * std::cos(a1), py = cy + rayon * std::sin(a1);
    m.appliquer(px, py);
    double parcouru = 0;
    for (int i = 1; i <= n; ++i) {
        const double a = a1 + (a2 - a1) * i / n;
        double x = cx + rayon * std::cos(a), y = cy + rayon * std::sin(a);
        m.appliquer(x, y);
        segment(px, py, x, y, trait, parcouru);
        if (trait.tirets) parcouru += std::hypot(x - px, y - py);
        px = x;
        py = y;
    }
}
