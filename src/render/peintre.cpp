#include "render/peintre.h"

#include <dxflib/dl_codes.h>
#include <fontconfig/fontconfig.h>
#include <glib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr double kDeuxPi = 6.283185307179586;
// Margin around the exposed zone, in device pixels: half a line width, the
// antialiasing fringe, and some slack for rounding.
constexpr double kMarge = 2.0;
// Device coordinates beyond this cannot be held by cairo's 24.8 fixed-point
// numbers (2^23) with room to spare: segments reaching so far are cut to the
// zone first, other objects are not painted.
constexpr double kLoin = 1 << 21;
// Subpaths gathered into one stroke at most, to keep cairo's polygons small.
constexpr std::size_t kLot = 1024;
// Rows that primitives of one batch may share where their ends meet.
constexpr double kRecouvrement = 2;
// A dash period shorter than this, in device pixels, is painted solid: at
// that size the dashes cannot be told apart, and cairo would cut every line
// into thousands of pieces.
constexpr double kPeriodeMin = 0.5;
// Glyphs larger than this, in device pixels, are filled as paths rather than
// rendered into cairo's glyph cache.
constexpr double kGlypheMax = 4096;

const cairo_matrix_t kRetournement = {1, 0, 0, -1, 0, 0};
// Exposed zones smaller than this, in pixels, are painted by one thread.
constexpr double kAireMinBandes = 512.0 * 512.0;

// A picture taken from the cache for the time of one paint.
struct ImageTenue {
    cairo_surface_t* s;
    ~ImageTenue() { cairo_surface_destroy(s); }
};

bool fini(double v) { return std::isfinite(v); }

bool inversible(const cairo_matrix_t& m) {
    const double det = m.xx * m.yy - m.yx * m.xy;
    return det != 0 && fini(det) && fini(1 / det) && fini(m.x0) && fini(m.y0);
}

bool memeCouleur(const CouleurRVB& a, const CouleurRVB& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
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

}  // namespace

bool lireEchelle(const char* texte, double& echelle) {
    if (!texte) return false;
    std::string s(texte);
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    // A comma is taken as the decimal separator too, as French users write it.
    if (auto v = s.find(','); v != std::string::npos && s.find('.') == std::string::npos)
        s[v] = '.';
    if (s.empty()) return false;
    double v = 0;
    auto [fin, erreur] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (erreur != std::errc() || fin != s.data() + s.size()) return false;
    if (!fini(v) || !(v >= kEchelleMin)) return false;
    echelle = v;
    return true;
}

CouleurRVB couleurDXF(int indice) {
    long i = std::labs(static_cast<long>(indice));
    if (i > 255 || i == 7) return {0, 0, 0};
    return {dxfColors[i][0], dxfColors[i][1], dxfColors[i][2]};
}

void libererPolices() {
    cairo_debug_reset_static_data();
    FcFini();
}

// The state of one walk: set up by the outermost painter call (peindre, or
// a painter called on its own), which also paints what is left in the batch
// and puts the context's transform back at the end.
class Peintre::Session {
  public:
    Session(Peintre& p, cairo_t* cr) : p_(p), racine_(p.cr_ == nullptr) {
        if (!racine_) return;
        p.cr_ = cr;
        cairo_get_matrix(cr, &base_);
        cairo_identity_matrix(cr);
        double x0, y0, x1, y1;
        cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
        cairo_set_matrix(cr, &base_);
        p.zx0_ = x0 - kMarge;
        p.zy0_ = y0 - kMarge;
        p.zx1_ = x1 + kMarge;
        p.zy1_ = y1 + kMarge;
        p.fixerMatrice(base_, true);
        p.matriceAJour_ = true;
        p.lot_ = 0;
        p.chemin_.clear();
        p.objets_ = 0;
        p.dernierCalque_ = nullptr;
        cairo_new_path(cr);
    }
    ~Session() {
        if (!racine_) return;
        p_.vider();
        cairo_new_path(p_.cr_);
        cairo_set_matrix(p_.cr_, &base_);
        // Lets go of the last picture painted, if any.
        cairo_set_source_rgb(p_.cr_, 0, 0, 0);
        p_.cr_ = nullptr;
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

  private:
    Peintre& p_;
    bool racine_;
    cairo_matrix_t base_{};
};

Peintre::Peintre(Trace& trace, OptionsPeinture options)
    : trace_(trace),
      options_(options),
      fils_(std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4)) {}

void Peintre::peindre(const Cairo::RefPtr<Cairo::Context>& cr, Block& racine, double echelle,
                      double hauteur, const Zone& zone,
                      const std::list<std::string>& calquesMasques) {
    if (!fini(echelle) || !(echelle >= kEchelleMin)) echelle = kEchelleMin;
    if (!fini(hauteur)) hauteur = 0;
    Zone z = zone;
    if (!fini(z.x) || !fini(z.y) || !fini(z.largeur) || !fini(z.hauteur) || !(z.largeur > 0) ||
        !(z.hauteur > 0))
        z = Zone{};
    calquesMasques_ = options_.calquesMasquables ? &calquesMasques : nullptr;
    if (!peindreEnBandes(cr->cobj(), racine, echelle, hauteur, z))
        peindreSur(cr->cobj(), racine, echelle, hauteur, z);
    calquesMasques_ = nullptr;
    dernierCalque_ = nullptr;
    trace_.vider();
}

void Peintre::peindreSur(cairo_t* c, Block& racine, double echelle, double hauteur,
                         const Zone& zone) {
    cairo_save(c);
    cairo_new_path(c);
    // An empty zone leaves an empty path, which clips everything away: the
    // trace is still written.
    if (zone.largeur > 0) cairo_rectangle(c, zone.x, zone.y, zone.largeur, zone.hauteur);
    cairo_clip(c);
    cairo_set_line_width(c, 1.0 / echelle);
    cairo_translate(c, 0, hauteur);
    cairo_transform(c, &kRetournement);
    cairo_scale(c, echelle, echelle);
    {
        Session s(*this, c);
        const std::vector<Block*> racines{&racine};
        blocs(racines);
    }
    cairo_restore(c);
}

bool Peintre::peindreEnBandes(cairo_t* c, Block& racine, double echelle, double hauteur,
                              const Zone& zone) {
    // Only on image surfaces seen in device coordinates, with at most a
    // rectangle as clip, and for zones large enough to be worth it.
    if (fils_ < 2 || zone.largeur * zone.hauteur < kAireMinBandes) return false;
    cairo_surface_t* cible = cairo_get_group_target(c);
    if (cairo_surface_get_type(cible) != CAIRO_SURFACE_TYPE_IMAGE) return false;
    const cairo_format_t format = cairo_image_surface_get_format(cible);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return false;
    double ox, oy, ex, ey;
    cairo_surface_get_device_offset(cible, &ox, &oy);
    cairo_surface_get_device_scale(cible, &ex, &ey);
    cairo_matrix_t m;
    cairo_get_matrix(c, &m);
    if (ox != 0 || oy != 0 || ex != 1 || ey != 1 || m.xx != 1 || m.yy != 1 || m.xy != 0 ||
        m.yx != 0 || m.x0 != 0 || m.y0 != 0)
        return false;
    const int largeur = cairo_image_surface_get_width(cible);
    const int hauteurCible = cairo_image_surface_get_height(cible);
    Zone z = zone;
    cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(c);
    const bool rectangle = clip->status == CAIRO_STATUS_SUCCESS && clip->num_rectangles == 1;
    if (rectangle) {
        const cairo_rectangle_t& r = clip->rectangles[0];
        const double x0 = std::max(z.x, r.x), y0 = std::max(z.y, r.y);
        const double x1 = std::min(z.x + z.largeur, r.x + r.width);
        const double y1 = std::min(z.y + z.hauteur, r.y + r.height);
        z = Zone{x0, y0, x1 - x0, y1 - y0};
    }
    cairo_rectangle_list_destroy(clip);
    if (!rectangle || !(z.largeur > 0 && z.hauteur > 0) || z.largeur * z.hauteur < kAireMinBandes)
        return false;

    // 2n bands of whole rows, dealt out in turn to n painters: wherever the
    // drawing lies, each gets its share. Each paints through a surface of
    // its own over the target's pixels, clipped to its bands; the rows do
    // not overlap, and neither do the writes.
    const int n = std::min(fils_, 8);
    const double origine = std::floor(std::max(0.0, z.y));
    const double fin = std::min(static_cast<double>(hauteurCible), std::ceil(z.y + z.hauteur));
    const double hb = std::ceil((fin - origine) / (2.0 * n));
    if (!(hb >= 1)) return false;
    cairo_surface_flush(cible);
    unsigned char* pixels = cairo_image_surface_get_data(cible);
    const int pas = cairo_image_surface_get_stride(cible);
    std::mutex verrou;
    auto peindreBandes = [&](Peintre& p, int rang) {
        p.bandes_ = Bandes{n, rang, hb, origine};
        cairo_surface_t* s =
            cairo_image_surface_create_for_data(pixels, format, largeur, hauteurCible, pas);
        cairo_t* cb = cairo_create(s);
        for (int k = rang; origine + k * hb < fin; k += n)
            cairo_rectangle(cb, 0, origine + k * hb, largeur, std::min(hb, fin - origine - k * hb));
        cairo_clip(cb);
        p.peindreSur(cb, racine, echelle, hauteur, z);
        cairo_destroy(cb);
        cairo_surface_destroy(s);
        p.bandes_ = Bandes{};
    };
    std::vector<std::unique_ptr<Peintre>> aides;
    std::vector<std::thread> fils;
    for (int rang = 1; rang < n; ++rang) {
        aides.push_back(std::make_unique<Peintre>(trace_, options_));
        Peintre& aide = *aides.back();
        aide.tracer_ = false;
        aide.regrouper_ = regrouper_;
        aide.cachePartage_ = &images_;
        aide.verrouCache_ = &verrou;
        aide.calquesMasques_ = calquesMasques_;
        fils.emplace_back(peindreBandes, std::ref(aide), rang);
    }
    verrouCache_ = &verrou;
    peindreBandes(*this, 0);
    for (auto& f : fils) f.join();
    verrouCache_ = nullptr;
    cairo_surface_mark_dirty(cible);
    return true;
}

void Peintre::drawBlocs(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Block*>& l) {
    Session s(*this, cr->cobj());
    blocs(l);
}
void Peintre::drawLignes(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Line*>& l) {
    Session s(*this, cr->cobj());
    lignes(l);
}
void Peintre::drawArcs(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Arc*>& l) {
    Session s(*this, cr->cobj());
    arcs(l);
}
void Peintre::drawPolylines(const Cairo::RefPtr<Cairo::Context>& cr,
                            const std::vector<Polyline*>& l) {
    Session s(*this, cr->cobj());
    polylines(l);
}
void Peintre::drawPoints(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Point*>& l) {
    Session s(*this, cr->cobj());
    points(l);
}
void Peintre::drawCercles(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Circle*>& l) {
    Session s(*this, cr->cobj());
    cercles(l);
}
void Peintre::drawImages(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Image*>& l) {
    Session s(*this, cr->cobj());
    images(l);
}
void Peintre::drawTextes(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Text*>& l) {
    Session s(*this, cr->cobj());
    textes(l);
}

void Peintre::fixerMatrice(const cairo_matrix_t& m, bool peignable) {
    matrice_ = m;
    matriceAJour_ = false;
    peignable_ = peignable && inversible(m);
    const double det = std::fabs(m.xx * m.yy - m.yx * m.xy);
    echelleTrait_ = std::sqrt(det);
    echelleMax_ = std::sqrt(m.xx * m.xx + m.yx * m.yx + m.xy * m.xy + m.yy * m.yy);
}

void Peintre::matriceCourante() {
    if (!matriceAJour_) {
        cairo_set_matrix(cr_, &matrice_);
        matriceAJour_ = true;
    }
}

bool Peintre::masque(const Layer* calque) {
    if (!calquesMasques_ || calquesMasques_->empty() || !calque) return false;
    if (calque == dernierCalque_) return dernierMasque_;
    dernierCalque_ = calque;
    dernierMasque_ = false;
    const std::string& nom = calque->nomRef();
    for (const auto& n : *calquesMasques_) {
        if (n == nom) {
            dernierMasque_ = true;
            break;
        }
    }
    return dernierMasque_;
}

void Peintre::ligneTrace(const char* texte) {
    if (!tracer_) return;
    trace_.tabulations(niveau);
    trace_ << texte;
    trace_.finLigne();
}

bool Peintre::visible(double x0, double y0, double x1, double y1) const {
    if (!(x1 >= zx0_ && x0 <= zx1_ && y1 >= zy0_ && y0 <= zy1_)) return false;
    if (bandes_.nombre <= 1) return true;
    // Painting by bands: only the rows of this painter's bands count.
    y0 -= kMarge;
    y1 += kMarge;
    if (y1 - y0 >= bandes_.hauteur * (bandes_.nombre - 1)) return true;
    const long k0 = static_cast<long>(std::floor((y0 - bandes_.origine) / bandes_.hauteur));
    const long k1 = static_cast<long>(std::floor((y1 - bandes_.origine) / bandes_.hauteur));
    for (long k = k0; k <= k1; ++k)
        if (((k % bandes_.nombre) + bandes_.nombre) % bandes_.nombre == bandes_.rang) return true;
    return false;
}

bool Peintre::disqueVisible(double cx, double cy, double rayon) const {
    return visible(cx - rayon, cy - rayon, cx + rayon, cy + rayon);
}

void Peintre::preparer(const CouleurRVB& c, bool pointille, double decalage, Mode mode, double y0,
                       double y1) {
    double echelle = 0;
    if (pointille) {
        echelle = echelleTrait_;
        if (!((traitPointille[0] + traitPointille[1]) * echelle >= kPeriodeMin)) pointille = false;
    }
    // Cairo's rasteriser samples every row where some edge of the path
    // starts, ends or crosses another 15 times, and the others once: a stroke
    // of primitives sharing rows costs more than their strokes one by one.
    // So a batch only takes primitives that leave the rows of the batch
    // (a few rows of overlap, where their ends meet, are free).
    const bool lignesLibres = y1 <= lotY0_ + kRecouvrement || y0 >= lotY1_ - kRecouvrement;
    if (lot_ > 0 &&
        (!lignesLibres || !memeCouleur(c, couleurLot_) || pointille != pointilleLot_ ||
         mode != modeLot_ || (pointille && (echelle != echelleLot_ || decalage != decalageLot_))))
        vider();
    if (lot_ == 0) {
        couleurLot_ = c;
        pointilleLot_ = pointille;
        echelleLot_ = pointille ? echelle : 0;
        decalageLot_ = pointille ? decalage : 0;
        modeLot_ = mode;
        lotY0_ = y0;
        lotY1_ = y1;
    } else {
        lotY0_ = std::min(lotY0_, y0);
        lotY1_ = std::max(lotY1_, y1);
    }
    matriceCourante();
}

void Peintre::vider() {
    if (lot_ == 0) return;
    // The batch's subpaths are already in device coordinates: stroke them
    // there, one pixel wide, with the dashes scaled to the drawing units of
    // the block they belong to.
    cairo_identity_matrix(cr_);
    matriceAJour_ = false;
    cairo_set_source_rgb(cr_, couleurLot_.r, couleurLot_.g, couleurLot_.b);
    cairo_set_line_width(cr_, 1.0);
    if (pointilleLot_) {
        const double tirets[2] = {traitPointille[0] * echelleLot_, traitPointille[1] * echelleLot_};
        cairo_set_dash(cr_, tirets, 2, decalageLot_);
    } else {
        cairo_set_dash(cr_, nullptr, 0, 0);
    }
    if (modeLot_ == Mode::RemplirEtTrait) cairo_fill_preserve(cr_);
    cairo_stroke(cr_);
    lot_ = 0;
}

template <class Pointille>
void Peintre::segment(double x1, double y1, double x2, double y2, int couleur,
                      Pointille pointilleDe) {
    if (x1 == x2 && y1 == y2) return;  // nothing to see: butt ends on a point
    double dx1 = x1, dy1 = y1, dx2 = x2, dy2 = y2;
    cairo_matrix_transform_point(&matrice_, &dx1, &dy1);
    cairo_matrix_transform_point(&matrice_, &dx2, &dy2);
    if (!fini(dx1) || !fini(dy1) || !fini(dx2) || !fini(dy2)) return;
    if (!visible(std::min(dx1, dx2), std::min(dy1, dy2), std::max(dx1, dx2), std::max(dy1, dy2)))
        return;
    double decalage = 0;
    if (std::max({std::fabs(dx1), std::fabs(dy1), std::fabs(dx2), std::fabs(dy2)}) > kLoin) {
        // Cut the segment to the zone (Liang-Barsky) so that its ends fit
        // cairo's numbers; the dashes start where the cut end would be.
        double t0 = 0, t1 = 1;
        const double ddx = dx2 - dx1, ddy = dy2 - dy1;
        const double p[4] = {-ddx, ddx, -ddy, ddy};
        const double q[4] = {dx1 - zx0_, zx1_ - dx1, dy1 - zy0_, zy1_ - dy1};
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
        decalage = t0 * std::hypot(ddx, ddy);
        const double ux = x2 - x1, uy = y2 - y1;
        x2 = x1 + t1 * ux;
        y2 = y1 + t1 * uy;
        x1 = x1 + t0 * ux;
        y1 = y1 + t0 * uy;
    }
    preparer(couleurDXF(couleur), pointilleDe(), decalage, Mode::Trait, std::min(dy1, dy2),
             std::max(dy1, dy2));
    cairo_move_to(cr_, x1, y1);
    cairo_line_to(cr_, x2, y2);
    if (++lot_ >= (regrouper_ ? kLot : 1)) vider();
}

void Peintre::arcOuCercle(double cx, double cy, double rayon, double a1, double a2,
                          const CouleurRVB& c, bool pointille, Mode mode) {
    if (!fini(cx) || !fini(cy) || !fini(rayon) || !fini(a1) || !fini(a2)) return;
    if (!(rayon > 0)) return;  // cairo would add a lone point: nothing to see
    double dx = cx, dy = cy;
    cairo_matrix_transform_point(&matrice_, &dx, &dy);
    const double r = rayon * echelleMax_;
    if (!fini(dx) || !fini(dy) || !fini(r) || !disqueVisible(dx, dy, r)) return;
    if (std::max(std::fabs(dx), std::fabs(dy)) + r > kLoin) return;
    // More than a full turn paints the same pixels as one turn.
    if (a2 - a1 > kDeuxPi) a2 = a1 + kDeuxPi;
    preparer(c, pointille, 0, mode, dy - r, dy + r);
    // Without this, cairo would join the previous subpath to the arc's start.
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, cx, cy, rayon, a1, a2);
    if (++lot_ >= (regrouper_ ? kLot : 1)) vider();
}

void Peintre::blocs(const std::vector<Block*>& liste) {
    for (Block* b : liste) {
        if (masque(b->getCalque())) continue;
        const std::string& nom = b->nomRef();
        // Blocks that insert one another in a circle: the insertion that would
        // close the circle is left out, like a hidden one.
        if (std::any_of(chemin_.begin(), chemin_.end(),
                        [&](const std::string* n) { return *n == nom; }))
            continue;
        if (niveau >= kProfondeurMax) {
            if (tracer_ && !signaleProfondeur_)
                *erreurs_ << "Dessin trop imbrique : les blocs au-dela de " << kProfondeurMax
                          << " niveaux ne sont pas dessines." << std::endl;
            signaleProfondeur_ = true;
            continue;
        }
        if (objets_ > objetsMax_) {
            if (tracer_ && !signaleVolume_)
                *erreurs_ << "Dessin trop volumineux : au-dela de " << objetsMax_
                          << " objets, les blocs ne sont plus dessines." << std::endl;
            signaleVolume_ = true;
            continue;
        }
        objets_ += 1 + b->getLignes().size() + b->getArcs().size() + b->getPolylines().size() +
                   b->getPoints().size() + b->getCercles().size() + b->getTextes().size() +
                   b->getImages().size();
        const double x = b->getX(), y = b->getY();
        if (tracer_) {
            trace_.tabulations(niveau);
            trace_ << "bloc : " << nom;
            trace_.finLigne();
            trace_.tabulations(niveau);
            trace_ << "translation a x : " << x << ", y : " << y;
            trace_.finLigne();
        }

        // Placed as DXF places an insertion; undone by restoring the saved
        // matrix, so no rounding error builds up.
        const cairo_matrix_t avant = matrice_;
        const bool peignableAvant = peignable_;
        cairo_matrix_t m = matrice_;
        cairo_matrix_translate(&m, x, y);
        cairo_matrix_rotate(&m, b->getAngle());
        cairo_matrix_scale(&m, b->getSx(), b->getSy());
        cairo_matrix_translate(&m, -b->getBpx(), -b->getBpy());
        // A zero scale (or any transform that cannot be inverted) paints
        // nothing inside, but the contents are still traced.
        fixerMatrice(m, peignableAvant);

        ++niveau;
        chemin_.push_back(&nom);
        lignes(b->getLignes());
        arcs(b->getArcs());
        polylines(b->getPolylines());
        points(b->getPoints());
        cercles(b->getCercles());
        textes(b->getTextes());
        if (options_.images) images(b->getImages());
        blocs(b->getBlocs());
        chemin_.pop_back();
        --niveau;

        fixerMatrice(avant, peignableAvant);
        if (tracer_) {
            trace_.tabulations(niveau);
            trace_ << "translation a x : " << -x << ", y : " << -y;
            trace_.finLigne();
            trace_.tabulations(niveau);
            trace_ << "fin du bloc : " << nom;
            trace_.finLigne();
            trace_.finLigne();
        }
    }
}

void Peintre::lignes(const std::vector<Line*>& liste) {
    for (const Line* l : liste) {
        if (masque(l->getCalque())) continue;
        ligneTrace("ligne");
        if (!peignable_) continue;
        segment(l->getX(), l->getY(), l->getX2(), l->getY2(), l->getCouleur(),
                [l] { return l->isPointille(); });
    }
}

void Peintre::arcs(const std::vector<Arc*>& liste) {
    for (const Arc* a : liste) {
        if (masque(a->getCalque())) continue;
        ligneTrace("arc");
        if (!peignable_) continue;
        arcOuCercle(a->getX(), a->getY(), a->getRayon(), a->getAngle1(), a->getAngle2(),
                    couleurDXF(a->getCouleur()), a->isPointille(), Mode::Trait);
    }
}

void Peintre::cercles(const std::vector<Circle*>& liste) {
    for (const Circle* c : liste) {
        if (masque(c->getCalque())) continue;
        ligneTrace("cercle");
        if (!peignable_) continue;
        arcOuCercle(c->getX(), c->getY(), c->getRayon(), 0, kDeuxPi, couleurDXF(c->getCouleur()),
                    c->isPointille(), Mode::Trait);
    }
}

void Peintre::points(const std::vector<Point*>& liste) {
    for (const Point* p : liste) {
        if (masque(p->getCalque())) continue;
        ligneTrace("point");
        if (!peignable_) continue;
        // A disc of radius one drawing unit, filled and outlined.
        arcOuCercle(p->getX(), p->getY(), 1.0, 0, kDeuxPi, couleurDXF(p->getCouleur()), false,
                    Mode::RemplirEtTrait);
    }
}

void Peintre::polylines(const std::vector<Polyline*>& liste) {
    for (const Polyline* p : liste) {
        if (masque(p->getCalque())) continue;
        ligneTrace("polyline");
        const auto& sommets = p->getPoints();
        int pointille = -1;  // computed on first use
        auto estPointille = [&] {
            if (pointille < 0) pointille = p->isPointille() ? 1 : 0;
            return pointille == 1;
        };
        const Point* precedent = nullptr;
        for (const Point* v : sommets) {
            if (tracer_) {
                trace_.tabulations(niveau + 1);
                trace_ << "polypoint";
                trace_.finLigne();
            }
            // Each segment takes the colour of the vertex it ends at.
            if (precedent && peignable_)
                segment(precedent->getX(), precedent->getY(), v->getX(), v->getY(), v->getCouleur(),
                        estPointille);
            precedent = v;
        }
        // Closed (bit 1 of the flags): from the first vertex to the last, in
        // the last vertex's colour.
        if (p->isFermee() && !sommets.empty() && peignable_) {
            const Point* premier = sommets.front();
            const Point* dernier = sommets.back();
            segment(premier->getX(), premier->getY(), dernier->getX(), dernier->getY(),
                    dernier->getCouleur(), estPointille);
        }
    }
}

void Peintre::texteDroit(double x, double y, const std::string& texte) {
    // Glyphs stand upright in the y-up view; the transform is put back from
    // the saved matrix, not by flipping again.
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
    cairo_set_matrix(cr_, &matrice_);
}

void Peintre::textes(const std::vector<Text*>& liste) {
    for (const Text* t : liste) {
        if (masque(t->getCalque())) continue;
        ligneTrace("texte");
        if (!peignable_) continue;
        const double taille = t->getTaille() * t->getXScaleFactor();
        if (!fini(taille) || taille == 0) continue;
        double dx = t->getX(), dy = t->getY();
        cairo_matrix_transform_point(&matrice_, &dx, &dy);
        const std::string& texte = t->texteRef();
        // No glyph reaches further than a few font sizes per character from
        // the insertion point.
        const double portee =
            (1.5 * static_cast<double>(texte.size()) + 2) * std::fabs(taille) * echelleMax_;
        if (!fini(dx) || !fini(dy) || !fini(portee) || !disqueVisible(dx, dy, portee)) continue;
        if (std::max(std::fabs(dx), std::fabs(dy)) > kLoin) continue;
        if (std::fabs(taille) * echelleMax_ < 1e-3) continue;
        vider();
        matriceCourante();
        const CouleurRVB c = couleurDXF(t->getCouleur());
        cairo_set_source_rgb(cr_, c.r, c.g, c.b);
        cairo_select_font_face(cr_, enUtf8(t->getStyle()).c_str(), CAIRO_FONT_SLANT_NORMAL,
                               CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr_, taille);
        texteDroit(t->getX(), t->getY(), texte);
    }
}

void Peintre::images(const std::vector<Image*>& liste) {
    for (const Image* i : liste) {
        if (masque(i->getCalque())) continue;
        ligneTrace("image");
        if (!peignable_) continue;
        cairo_surface_t* image = nullptr;
        {
            // Painters working by bands share the first one's cache.
            CacheImages& cache = cachePartage_ ? *cachePartage_ : images_;
            std::unique_lock<std::mutex> verrou;
            if (verrouCache_) verrou = std::unique_lock<std::mutex>(*verrouCache_);
            image = cache.image(i->getFile());
            if (image) cairo_surface_reference(image);
        }
        if (image) {
            ImageTenue tenue{image};
            // Top-left corner at the window pixel named by the insertion
            // point, cut toward zero; the view transform does not apply.
            const double x = std::trunc(i->getX()), y = std::trunc(i->getY());
            const double l = cairo_image_surface_get_width(image);
            const double h = cairo_image_surface_get_height(image);
            if (!fini(x) || !fini(y) || std::max(std::fabs(x), std::fabs(y)) > kLoin) continue;
            if (!visible(x, y, x + l, y + h)) continue;
            vider();
            cairo_identity_matrix(cr_);
            matriceAJour_ = false;
            cairo_set_source_surface(cr_, image, x, y);
            cairo_rectangle(cr_, x, y, l, h);
            cairo_fill(cr_);
            continue;
        }
        // A picture that cannot be loaded shows its reference in its place.
        double dx = i->getX(), dy = i->getY();
        cairo_matrix_transform_point(&matrice_, &dx, &dy);
        const std::string& ref = i->getRef();
        const double portee = (1.5 * static_cast<double>(ref.size()) + 2) * 15.0 * echelleMax_;
        if (!fini(dx) || !fini(dy) || !disqueVisible(dx, dy, portee)) continue;
        if (std::max(std::fabs(dx), std::fabs(dy)) > kLoin) continue;
        vider();
        matriceCourante();
        const CouleurRVB c = couleurDXF(i->getCouleur());
        cairo_set_source_rgb(cr_, c.r, c.g, c.b);
        cairo_select_font_face(cr_, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                               CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr_, 15.0);
        texteDroit(i->getX(), i->getY(), ref);
    }
}
