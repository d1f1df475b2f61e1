#include "render/rendu_cairo.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "model/objects.h"

namespace {

// Margin around the clip, in device pixels: half a line width, the
// antialiasing fringe, and some slack for rounding.
constexpr double kMarge = 2.0;
// Device coordinates beyond this cannot be held by cairo's 24.8 fixed-point
// numbers (2^23) with room to spare: segments reaching so far are cut to the
// clip first, other primitives are not painted.
constexpr double kLoin = 1 << 21;
// Subpaths gathered into one stroke at most, to keep cairo's polygons small.
constexpr std::size_t kLot = 1024;
// Rows that primitives of one batch may share where their ends meet.
constexpr double kRecouvrement = 2;
// A dash period shorter than this, in device pixels, is painted solid: at
// that size the dashes of a one-pixel line cannot be told apart, and cairo
// would cut every line into hundreds of pieces.
constexpr double kPeriodeMin = 2.0;
// Glyphs larger than this, in device pixels, are filled as paths rather than
// rendered into cairo's glyph cache.
constexpr double kGlypheMax = 4096;
constexpr double kDeuxPi = 6.283185307179586;
// The most lengths of a dash pattern given to cairo (an even number).
constexpr int kTiretsMax = 32;

const cairo_matrix_t kRetournement = {1, 0, 0, -1, 0, 0};

bool fini(double v) { return std::isfinite(v); }

cairo_matrix_t versCairo(const Matrice& m) { return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0}; }

double periode(const MotifTirets& t) {
    double p = 0;
    for (int i = 0; i < t.nombre; ++i) p += t.longueurs[i];
    return p;
}

// Text for cairo, which takes only UTF-8 (and stops painting altogether
// after an invalid string): DXF files of older programs hold their texts in
// a Windows code page, whose bytes above 127 are read here as Latin-1.
std::string enUtf8(const std::string& s) {
    if (g_utf8_validate(s.data(), static_cast<gssize>(s.size()), nullptr)) return s;
    std::string r;
    r.reserve(s.size() * 2);
    for (unsigned char c : s) {
        if (c == 0) break;
        if (c < 0x80) {
            r.push_back(static_cast<char>(c));
        } else {
            r.push_back(static_cast<char>(0xC0 | (c >> 6)));
            r.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return r;
}

// A picture taken from the cache for the time of one paint.
struct ImageTenue {
    cairo_surface_t* s;
    ~ImageTenue() { cairo_surface_destroy(s); }
};

}  // namespace

RenduCairo::RenduCairo(cairo_t* cr, CacheImages& cache, std::mutex* verrou)
    : cr_(cr), cache_(cache), verrou_(verrou) {
    cairo_get_matrix(cr, &base_);
    cairo_identity_matrix(cr);
    double x0, y0, x1, y1;
    cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
    zx0_ = x0 - kMarge;
    zy0_ = y0 - kMarge;
    zx1_ = x1 + kMarge;
    zy1_ = y1 + kMarge;
    cairo_new_path(cr);
}

RenduCairo::~RenduCairo() {
    vider();
    cairo_new_path(cr_);
    cairo_set_matrix(cr_, &base_);
    // Lets go of the last picture painted, if any.
    cairo_set_source_rgb(cr_, 0, 0, 0);
}

void RenduCairo::terminer() { vider(); }

bool RenduCairo::visible(double x0, double y0, double x1, double y1) const {
    return x1 >= zx0_ && x0 <= zx1_ && y1 >= zy0_ && y0 <= zy1_;
}

void RenduCairo::fixerMatrice(const Matrice* m) {
    if (!m) {
        if (!matriceDevice_) cairo_identity_matrix(cr_);
        matriceDevice_ = true;
        return;
    }
    if (!matriceDevice_ && m->xx == matrice_.xx && m->yx == matrice_.yx && m->xy == matrice_.xy &&
        m->yy == matrice_.yy && m->x0 == matrice_.x0 && m->y0 == matrice_.y0)
        return;
    matrice_ = *m;
    const cairo_matrix_t c = versCairo(*m);
    cairo_set_matrix(cr_, &c);
    matriceDevice_ = false;
}

void RenduCairo::preparer(const Trait& trait, double decalage, Mode mode, double y0, double y1,
                          const Matrice* m) {
    const MotifTirets* tirets = trait.tirets;
    const double echelle = tirets ? trait.echelleTirets : 0;
    if (tirets && !(periode(*tirets) * echelle >= kPeriodeMin)) tirets = nullptr;
    // Where the line starts in its pattern, in device pixels.
    if (tirets) {
        decalage += (tirets->depart + trait.departTirets) * echelle;
        const double p = periode(*tirets) * echelle;
        decalage = std::fmod(decalage, p);
        if (decalage < 0) decalage += p;
        if (!fini(decalage)) decalage = 0;
    }
    // Cairo's rasteriser samples every row where some edge of the path
    // starts, ends or crosses another 15 times, and the others once: a stroke
    // of primitives sharing rows costs more than their strokes one by one.
    // So a batch only takes primitives that leave the rows of the batch
    // (a few rows of overlap, where their ends meet, are free).
    const bool lignesLibres = y1 <= lotY0_ + kRecouvrement || y0 >= lotY1_ - kRecouvrement;
    if (lot_ > 0 &&
        (!lignesLibres || !(trait.couleur == couleurLot_) || tirets != tiretsLot_ ||
         mode != modeLot_ || (tirets && (echelle != echelleLot_ || decalage != decalageLot_))))
        vider();
    if (lot_ == 0) {
        couleurLot_ = trait.couleur;
        tiretsLot_ = tirets;
        echelleLot_ = tirets ? echelle : 0;
        decalageLot_ = tirets ? decalage : 0;
        modeLot_ = mode;
        lotY0_ = y0;
        lotY1_ = y1;
    } else {
        lotY0_ = std::min(lotY0_, y0);
        lotY1_ = std::max(lotY1_, y1);
    }
    fixerMatrice(m);
}

void RenduCairo::ajouteAuLot() {
    if (++lot_ >= (regrouper_ ? kLot : 1)) vider();
}

void RenduCairo::vider() {
    if (lot_ == 0) return;
    // The batch's subpaths are already in device coordinates: stroke them
    // there, one pixel wide.
    fixerMatrice(nullptr);
    cairo_set_source_rgb(cr_, couleurLot_.r, couleurLot_.g, couleurLot_.b);
    cairo_set_line_width(cr_, 1.0);
    if (tiretsLot_) {
        double tirets[kTiretsMax];
        const int n = std::min(tiretsLot_->nombre, kTiretsMax) & ~1;
        for (int i = 0; i < n; ++i) tirets[i] = tiretsLot_->longueurs[i] * echelleLot_;
        // A dot is painted one pixel long, taken from the gap after it.
        for (int i = 0; i + 1 < n; i += 2)
            if (tiretsLot_->longueurs[i] == 0) {
                const double ajout = std::min(1 - tirets[i], tirets[i + 1]);
                tirets[i] += ajout;
                tirets[i + 1] -= ajout;
            }
        if (n > 0)
            cairo_set_dash(cr_, tirets, n, decalageLot_);
        else
            cairo_set_dash(cr_, nullptr, 0, 0);
    } else {
        cairo_set_dash(cr_, nullptr, 0, 0);
    }
    if (modeLot_ == Mode::RemplirEtTrait) cairo_fill_preserve(cr_);
    cairo_stroke(cr_);
    lot_ = 0;
}

void RenduCairo::polyligne(const PointPlan* p, std::size_t n, bool fermee, const Trait& trait) {
    if (n < 2) return;
    double y0 = p[0].y, y1 = p[0].y, loin = 0;
    for (std::size_t i = 0; i < n; ++i) {
        y0 = std::min(y0, p[i].y);
        y1 = std::max(y1, p[i].y);
        loin = std::max({loin, std::fabs(p[i].x), std::fabs(p[i].y)});
    }
    if (loin > kLoin) {
        // Too far for cairo's numbers: segment by segment, each cut to the
        // clip (the dashes start again at each vertex).
        for (std::size_t i = 1; i < n; ++i) segment(p[i - 1].x, p[i - 1].y, p[i].x, p[i].y, trait);
        if (fermee) segment(p[n - 1].x, p[n - 1].y, p[0].x, p[0].y, trait);
        return;
    }
    preparer(trait, 0, Mode::Trait, y0, y1, nullptr);
    cairo_move_to(cr_, p[0].x, p[0].y);
    for (std::size_t i = 1; i < n; ++i) cairo_line_to(cr_, p[i].x, p[i].y);
    if (fermee) cairo_close_path(cr_);
    ajouteAuLot();
}

namespace {

// Cuts a closed polygon to the rectangle (Sutherland-Hodgman), side by side;
// the even-odd filling of polygons so cut is that of the polygons within it.
void couperPolygone(std::vector<PointPlan>& p, std::vector<PointPlan>& tampon, double x0, double y0,
                    double x1, double y1) {
    auto cote = [&](int k, const PointPlan& q) {
        switch (k) {
            case 0:
                return q.x >= x0;
            case 1:
                return q.x <= x1;
            case 2:
                return q.y >= y0;
            default:
                return q.y <= y1;
        }
    };
    auto croisement = [&](int k, const PointPlan& a, const PointPlan& b) {
        const double limite = k == 0 ? x0 : k == 1 ? x1 : k == 2 ? y0 : y1;
        const double t = k < 2 ? (limite - a.x) / (b.x - a.x) : (limite - a.y) / (b.y - a.y);
        return PointPlan{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
    };
    for (int k = 0; k < 4 && !p.empty(); ++k) {
        tampon.clear();
        for (std::size_t i = 0; i < p.size(); ++i) {
            const PointPlan& a = p[i];
            const PointPlan& b = p[(i + 1) % p.size()];
            const bool ia = cote(k, a), ib = cote(k, b);
            if (ia) tampon.push_back(a);
            if (ia != ib) tampon.push_back(croisement(k, a, b));
        }
        p.swap(tampon);
    }
}

}  // namespace

void RenduCairo::remplir(const PointPlan* p, const std::size_t* tailles, std::size_t contours,
                         const CouleurRVB& couleur, RegleRemplissage regle) {
    // Filled on their own: the even-odd rule of one shape must not meet
    // another's polygons.
    vider();
    fixerMatrice(nullptr);
    cairo_new_path(cr_);
    std::size_t debut = 0;
    for (std::size_t c = 0; c < contours; ++c) {
        const std::size_t n = tailles[c];
        const PointPlan* q = p + debut;
        debut += n;
        if (n < 3) continue;
        double loin = 0;
        for (std::size_t i = 0; i < n; ++i)
            loin = std::max({loin, std::fabs(q[i].x), std::fabs(q[i].y)});
        if (loin > kLoin) {
            coupe_.assign(q, q + n);
            couperPolygone(coupe_, tampon_, zx0_, zy0_, zx1_, zy1_);
            if (coupe_.size() < 3) continue;
            q = coupe_.data();
            cairo_move_to(cr_, q[0].x, q[0].y);
            for (std::size_t i = 1; i < coupe_.size(); ++i) cairo_line_to(cr_, q[i].x, q[i].y);
        } else {
            cairo_move_to(cr_, q[0].x, q[0].y);
            for (std::size_t i = 1; i < n; ++i) cairo_line_to(cr_, q[i].x, q[i].y);
        }
        cairo_close_path(cr_);
    }
    cairo_set_source_rgb(cr_, couleur.r, couleur.g, couleur.b);
    cairo_set_fill_rule(cr_, regle == RegleRemplissage::PairImpair ? CAIRO_FILL_RULE_EVEN_ODD
                                                                   : CAIRO_FILL_RULE_WINDING);
    cairo_fill(cr_);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
}

void RenduCairo::segment(double x1, double y1, double x2, double y2, const Trait& trait) {
    double decalage = 0;
    if (std::max({std::fabs(x1), std::fabs(y1), std::fabs(x2), std::fabs(y2)}) > kLoin) {
        // Cut the segment to the clip (Liang-Barsky) so that its ends fit
        // cairo's numbers; the dashes start where the cut end would be.
        double t0 = 0, t1 = 1;
        const double dx = x2 - x1, dy = y2 - y1;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {x1 - zx0_, zx1_ - x1, y1 - zy0_, zy1_ - y1};
        for (int i = 0; i < 4; ++i) {
            if (p[i] == 0) {
                if (q[i] < 0) return;
                continue;
            }
            const double t = q[i] / p[i];
            if (p[i] < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
        }
        if (t0 >= t1) return;
        decalage = t0 * std::hypot(dx, dy);
        x2 = x1 + t1 * dx;
        y2 = y1 + t1 * dy;
        x1 = x1 + t0 * dx;
        y1 = y1 + t0 * dy;
    }
    preparer(trait, decalage, Mode::Trait, std::min(y1, y2), std::max(y1, y2), nullptr);
    cairo_move_to(cr_, x1, y1);
    cairo_line_to(cr_, x2, y2);
    ajouteAuLot();
}

void RenduCairo::arc(const Matrice& m, double cx, double cy, double rayon, double a1, double a2,
                     const Trait& trait) {
    double dx = cx, dy = cy;
    m.appliquer(dx, dy);
    const double r = rayon * std::sqrt(m.xx * m.xx + m.yx * m.yx + m.xy * m.xy + m.yy * m.yy);
    if (std::max(std::fabs(dx), std::fabs(dy)) + r > kLoin) return;
    preparer(trait, 0, Mode::Trait, dy - r, dy + r, &m);
    // Without this, cairo would join the previous subpath to the arc's start.
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, cx, cy, rayon, a1, a2);
    ajouteAuLot();
}

void RenduCairo::point(const Matrice& m, double x, double y, const CouleurRVB& couleur) {
    double dx = x, dy = y;
    m.appliquer(dx, dy);
    const double r = std::sqrt(m.xx * m.xx + m.yx * m.yx + m.xy * m.xy + m.yy * m.yy);
    if (std::max(std::fabs(dx), std::fabs(dy)) + r > kLoin) return;
    Trait trait;
    trait.couleur = couleur;
    preparer(trait, 0, Mode::RemplirEtTrait, dy - r, dy + r, &m);
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, x, y, 1.0, 0, kDeuxPi);
    ajouteAuLot();
}

void RenduCairo::texteDroit(const Matrice& m, double x, double y, const std::string& texte) {
    // Glyphs stand upright in the y-up view; the transform is put back from
    // the saved matrix, not by flipping again.
    fixerMatrice(&m);
    cairo_move_to(cr_, x, y);
    cairo_transform(cr_, &kRetournement);
    cairo_matrix_t police;
    cairo_get_font_matrix(cr_, &police);
    cairo_matrix_t ctm;
    cairo_get_matrix(cr_, &ctm);
    const double taille = std::sqrt(std::fabs(police.xx * police.yy - police.xy * police.yx)) *
                          std::sqrt(std::fabs(ctm.xx * ctm.yy - ctm.xy * ctm.yx));
    const std::string utf8 = enUtf8(texte);
    if (taille > kGlypheMax) {
        cairo_text_path(cr_, utf8.c_str());
        cairo_fill(cr_);
    } else {
        cairo_show_text(cr_, utf8.c_str());
    }
    cairo_new_path(cr_);
    const cairo_matrix_t c = versCairo(m);
    cairo_set_matrix(cr_, &c);
}

void RenduCairo::texte(const Matrice& m, const TexteAPeindre& t) {
    double dx = t.x, dy = t.y;
    m.appliquer(dx, dy);
    if (std::max(std::fabs(dx), std::fabs(dy)) > kLoin) return;
    vider();
    fixerMatrice(&m);
    cairo_set_source_rgb(cr_, t.couleur.r, t.couleur.g, t.couleur.b);
    cairo_select_font_face(cr_, enUtf8(t.style).c_str(), CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, t.taille);
    texteDroit(m, t.x, t.y, t.texte);
}

void RenduCairo::image(const Matrice& m, const Image& i, const std::string& dossier,
                       const CouleurRVB& couleur) {
    cairo_surface_t* image = nullptr;
    {
        std::unique_lock<std::mutex> verrou;
        if (verrou_) verrou = std::unique_lock<std::mutex>(*verrou_);
        // The path as the drawing gives it; a relative one beside the
        // drawing; last, the file's name alone beside the drawing (drawings
        // carry the paths of the machine they were made on).
        const std::string& chemin = i.fileRef();
        image = cache_.image(chemin);
        if (!image && !dossier.empty() && !chemin.empty() && chemin[0] != '/')
            image = cache_.image(dossier + chemin);
        const std::size_t barre = chemin.find_last_of("/\\");
        if (!image && !dossier.empty() && barre != std::string::npos && barre + 1 < chemin.size())
            image = cache_.image(dossier + chemin.substr(barre + 1));
        if (image) cairo_surface_reference(image);
    }
    if (image) {
        ImageTenue tenue{image};
        // The picture's pixels onto the drawing: its rows run along u, its
        // columns down from the top (insertion point + height times v), the
        // size in pixels the drawing gives it whatever the file holds.
        const double l = cairo_image_surface_get_width(image);
        const double h = cairo_image_surface_get_height(image);
        const double w = i.getWidth() > 0 ? i.getWidth() : l;
        const double hd = i.getHeight() > 0 ? i.getHeight() : h;
        const Matrice place = m.apres(
            Matrice{i.getUx() * w / l, i.getUy() * w / l, -i.getVx() * hd / h, -i.getVy() * hd / h,
                    i.getX() + i.getVx() * hd, i.getY() + i.getVy() * hd});
        if (!place.inversible()) return;
        Boite b;
        b.ajouter(0, 0);
        b.ajouter(l, h);
        b = b.transformee(place);
        if (b.vide() || !visible(b.x0, b.y0, b.x1, b.y1)) return;
        if (std::max({std::fabs(b.x0), std::fabs(b.y0), std::fabs(b.x1), std::fabs(b.y1)}) > kLoin)
            return;
        vider();
        fixerMatrice(&place);
        cairo_set_source_surface(cr_, image, 0, 0);
        // The edge pixels keep their colour up to the picture's edge; pixels
        // seen larger than the screen's stay square.
        cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
        if (place.etirementMin() > 2)
            cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
        cairo_rectangle(cr_, 0, 0, l, h);
        cairo_fill(cr_);
        return;
    }
    // A picture that cannot be loaded shows its reference in its place.
    double dx = i.getX(), dy = i.getY();
    m.appliquer(dx, dy);
    const std::string& ref = i.refRef();
    const double echelleMax = std::sqrt(m.xx * m.xx + m.yx * m.yx + m.xy * m.xy + m.yy * m.yy);
    const double portee = (1.5 * static_cast<double>(ref.size()) + 2) * 15.0 * echelleMax;
    if (!fini(dx) || !fini(dy) || !visible(dx - portee, dy - portee, dx + portee, dy + portee))
        return;
    if (std::max(std::fabs(dx), std::fabs(dy)) > kLoin) return;
    vider();
    fixerMatrice(&m);
    cairo_set_source_rgb(cr_, couleur.r, couleur.g, couleur.b);
    cairo_select_font_face(cr_, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, 15.0);
    texteDroit(m, i.getX(), i.getY(), ref);
}
