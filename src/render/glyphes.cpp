#include "render/glyphes.h"

#include <algorithm>
#include <cmath>

namespace {

// Glyphs larger than this, in device pixels per em, are filled as paths
// rather than rendered into cairo's glyph cache (and FreeType takes no size
// of 65536 pixels or more).
constexpr double kGlypheMax = 1024;
// Glyphs thinner than this, in device pixels per em along some direction,
// are not painted: squashed to a line, and cairo refuses a font matrix that
// cannot be inverted.
constexpr double kGlypheMin = 0.05;

bool fini(double v) { return std::isfinite(v); }

}  // namespace

PeintreGlyphes::~PeintreGlyphes() {
    if (brouillon_) cairo_destroy(brouillon_);
    for (auto& c : contours_)
        if (c.second) cairo_path_destroy(c.second);
    if (surfaceBrouillon_) cairo_surface_destroy(surfaceBrouillon_);
}

Boite PeintreGlyphes::etendue(const TextePlace& t) {
    Boite boite;
    for (const Passage& p : t.passages)
        for (const Passage::Glyphe& g : p.glyphes) {
            boite.ajouter(g.x - p.em, g.y - 1.5 * p.em);
            boite.ajouter(g.x + 2 * p.em * p.largeur, g.y + 1.5 * p.em);
        }
    for (const Filet& f : t.filets) {
        boite.ajouter(f.x1 - f.epaisseur, f.y1 - f.epaisseur);
        boite.ajouter(f.x2 + f.epaisseur, f.y2 + f.epaisseur);
    }
    return boite;
}

void PeintreGlyphes::peindre(cairo_t* c, const Matrice& dev, const TextePlace& t) {
    for (const Passage& p : t.passages) {
        const Police& police = *static_cast<const Police*>(p.police);
        // Font units (y down, one em) to the local space (y up), then to the
        // device.
        const Matrice versDevice = dev.apres(p.versTexte());
        const double grand = versDevice.etirementMax(), petit = versDevice.etirementMin();
        if (!fini(grand) || !(petit >= kGlypheMin)) continue;
        cairo_set_source_rgb(c, p.couleur.r, p.couleur.g, p.couleur.b);
        if (grand > kGlypheMax) {
            // The outlines of the run, filled at once.
            chemin_.clear();
            for (const Passage::Glyphe& g : p.glyphes) {
                Matrice place = versDevice;
                place.x0 = g.x;
                place.y0 = g.y;
                dev.appliquer(place.x0, place.y0);
                if (fini(place.x0) && fini(place.y0) &&
                    visible(place.x0 - grand * 2, place.y0 - grand * 2, place.x0 + grand * 2,
                            place.y0 + grand * 2))
                    ajouterContour(police, g.index, place);
            }
            if (chemin_.empty()) continue;
            cairo_path_t chemin = {CAIRO_STATUS_SUCCESS, chemin_.data(),
                                   static_cast<int>(chemin_.size())};
            cairo_new_path(c);
            cairo_append_path(c, &chemin);
            cairo_fill(c);
            continue;
        }
        // Glyphs through cairo's glyph cache, in device space: the font
        // matrix is the glyphs' whole device transform rounded to a grid of
        // a hundredth of their size (at most 1/16 pixel), so that texts of
        // nearly the same size and angle share cairo's glyphs; their
        // positions stay exact.
        const double pas = std::min(grand / 100, 1.0 / 16);
        auto arrondi = [pas](double v) { return std::round(v / pas) * pas; };
        cairo_matrix_t police2 = {arrondi(versDevice.xx),
                                  arrondi(versDevice.yx),
                                  arrondi(versDevice.xy),
                                  arrondi(versDevice.yy),
                                  0,
                                  0};
        if (!(std::fabs(police2.xx * police2.yy - police2.xy * police2.yx) >= 0.5 * grand * petit))
            police2 = {versDevice.xx, versDevice.yx, versDevice.xy, versDevice.yy, 0, 0};
        glyphes_.clear();
        for (const Passage::Glyphe& g : p.glyphes) {
            double gx = g.x, gy = g.y;
            dev.appliquer(gx, gy);
            if (!fini(gx) || !fini(gy) || std::max(std::fabs(gx), std::fabs(gy)) > kLoinCairo ||
                !visible(gx - grand * 2, gy - grand * 2, gx + grand * 2, gy + grand * 2))
                continue;
            glyphes_.push_back({g.index, gx, gy});
        }
        if (glyphes_.empty()) continue;
        cairo_set_font_face(c, police.face);
        cairo_set_font_matrix(c, &police2);
        cairo_show_glyphs(c, glyphes_.data(), static_cast<int>(glyphes_.size()));
    }
    // Rules: at least a pixel thick.
    const double epaisseurDevice = std::sqrt(std::fabs(dev.determinant()));
    for (const Filet& f : t.filets) {
        double x1 = f.x1, y1 = f.y1, x2 = f.x2, y2 = f.y2;
        dev.appliquer(x1, y1);
        dev.appliquer(x2, y2);
        if (!fini(x1) || !fini(y1) || !fini(x2) || !fini(y2) ||
            std::max({std::fabs(x1), std::fabs(y1), std::fabs(x2), std::fabs(y2)}) > kLoinCairo)
            continue;
        cairo_set_source_rgb(c, f.couleur.r, f.couleur.g, f.couleur.b);
        const double e = f.epaisseur * epaisseurDevice;
        cairo_set_line_width(c, fini(e) ? std::clamp(e, 1.0, kLoinCairo) : 1.0);
        cairo_move_to(c, x1, y1);
        cairo_line_to(c, x2, y2);
        cairo_stroke(c);
    }
}

const cairo_path_t* PeintreGlyphes::contour(const Police& police, unsigned long index) {
    auto it = contours_.find({&police, index});
    if (it != contours_.end()) return it->second;
    if (!brouillon_) {
        surfaceBrouillon_ = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
        brouillon_ = cairo_create(surfaceBrouillon_);
    }
    // The outline at the measuring size, in font units.
    cairo_set_scaled_font(brouillon_, police.mesure);
    const cairo_glyph_t g = {index, 0, 0};
    cairo_new_path(brouillon_);
    cairo_glyph_path(brouillon_, &g, 1);
    cairo_path_t* chemin = cairo_copy_path(brouillon_);
    cairo_new_path(brouillon_);
    if (chemin->status != CAIRO_STATUS_SUCCESS) {
        cairo_path_destroy(chemin);
        chemin = nullptr;
    }
    contours_.emplace(std::make_pair(&police, index), chemin);
    return chemin;
}

void PeintreGlyphes::ajouterContour(const Police& police, unsigned long index,
                                    const Matrice& versDevice) {
    const cairo_path_t* contour = this->contour(police, index);
    if (!contour) return;
    // From font units to the device; a glyph reaching beyond what cairo's
    // numbers hold is left out.
    const Matrice m = versDevice.apres(Matrice::echelle(1 / kEmMesure, 1 / kEmMesure));
    const std::size_t debut = chemin_.size();
    chemin_.insert(chemin_.end(), contour->data, contour->data + contour->num_data);
    for (std::size_t i = debut; i < chemin_.size(); i += chemin_[i].header.length) {
        for (int k = 1; k < chemin_[i].header.length; ++k) {
            auto& point = chemin_[i + static_cast<std::size_t>(k)].point;
            m.appliquer(point.x, point.y);
            if (!fini(point.x) || !fini(point.y) ||
                std::max(std::fabs(point.x), std::fabs(point.y)) > kLoinCairo) {
                chemin_.resize(debut);
                return;
            }
        }
    }
}
