#include "render/rendu_cairo.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "model/decoupe.h"
#include "model/disposition.h"
#include "model/objects.h"

namespace {

// Margin around the clip, in device pixels: half a line width, the
// antialiasing fringe, and some slack for rounding.
constexpr double kMarge = 2.0;
// Device coordinates beyond what cairo's numbers hold: segments reaching so
// far are cut to the clip first, other primitives are not painted.
constexpr double kLoin = kLoinCairo;
// Subpaths gathered into one stroke at most, to keep cairo's polygons small.
constexpr std::size_t kLot = 1024;
// On vector surfaces, the subpaths of one stroke at most, and the strokes
// kept open at once (one per colour and dashes).
constexpr std::size_t kLotVectoriel = 512;
constexpr std::size_t kPilesMax = 1024;
// Rows that primitives of one batch may share where their ends meet.
constexpr double kRecouvrement = 2;
// A dash period shorter than this, in device pixels, is painted solid: at
// that size the dashes of a one-pixel line cannot be told apart, and cairo
// would cut every line into hundreds of pieces.
constexpr double kPeriodeMin = 2.0;

bool fini(double v) { return std::isfinite(v); }

cairo_matrix_t versCairo(const Matrice& m) { return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0}; }

double periode(const MotifTirets& t) {
    double p = 0;
    for (int i = 0; i < t.nombre; ++i) p += t.longueurs[i];
    return p;
}

// A picture taken from the cache for the time of one paint.
struct ImageTenue {
    cairo_surface_t* s;
    ~ImageTenue() { cairo_surface_destroy(s); }
};

}  // namespace

RenduCairo::RenduCairo(cairo_t* cr, CacheImages& cache, std::mutex* verrou,
                       std::string dossierDessin)
    : cr_(cr),
      base_cr_(cr),
      cache_(cache),
      verrou_(verrou),
      dossierDessin_(std::move(dossierDessin)) {
    cairo_get_matrix(cr, &base_);
    cairo_identity_matrix(cr);
    double x0, y0, x1, y1;
    cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
    zx0_ = x0 - kMarge;
    zy0_ = y0 - kMarge;
    zx1_ = x1 + kMarge;
    zy1_ = y1 + kMarge;
    glyphes_.setZone(Boite{zx0_, zy0_, zx1_, zy1_});
    clip_ = cairo_copy_clip_rectangle_list(cr);
    cairo_new_path(cr);
    directs_ = TraitsDirects::pour(cr);
    switch (cairo_surface_get_type(cairo_get_group_target(cr))) {
        case CAIRO_SURFACE_TYPE_PDF:
        case CAIRO_SURFACE_TYPE_PS:
        case CAIRO_SURFACE_TYPE_SVG:
        case CAIRO_SURFACE_TYPE_RECORDING:
            vectoriel_ = true;
            // Reserved whole: pile_ points into it.
            piles_.reserve(kPilesMax);
            break;
        default:
            break;
    }
}

void RenduCairo::setTraitsDirects(bool oui) {
    if (!oui)
        directs_.reset();
    else if (!directs_)
        directs_ = TraitsDirects::pour(cr_);
}

RenduCairo::~RenduCairo() {
    vider();
    for (Pile& p : piles_) cairo_destroy(p.c);
    directs_.reset();
    if (textes_) cairo_destroy(textes_);
    cairo_rectangle_list_destroy(clip_);
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

void RenduCairo::preparer(const Trait& trait, double decalage, const Boite& boite, const Matrice* m,
                          bool point) {
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
    if (vectoriel_ && regrouper_) {
        choisirPile(trait.couleur, tirets, tirets ? echelle : 0, tirets ? decalage : 0);
        boiteLot_.ajouter(boite);
        fixerMatrice(m);
        return;
    }
    const double y0 = boite.y0, y1 = boite.y1;
    const bool lignesLibres = y1 <= lotY0_ + kRecouvrement || y0 >= lotY1_ - kRecouvrement;
    if (lot_ > 0 &&
        (!lignesLibres || !(trait.couleur == couleurLot_) || tirets != tiretsLot_ ||
         point != pointsLot_ || (tirets && (echelle != echelleLot_ || decalage != decalageLot_))))
        vider();
    if (lot_ == 0) {
        couleurLot_ = trait.couleur;
        tiretsLot_ = tirets;
        echelleLot_ = tirets ? echelle : 0;
        decalageLot_ = tirets ? decalage : 0;
        pointsLot_ = point;
        lotY0_ = y0;
        lotY1_ = y1;
    } else {
        lotY0_ = std::min(lotY0_, y0);
        lotY1_ = std::max(lotY1_, y1);
    }
    fixerMatrice(m);
}

void RenduCairo::ajouteAuLot() {
    if (++lot_ >= (!regrouper_ ? 1 : vectoriel_ ? kLotVectoriel : kLot)) viderLot();
}

void RenduCairo::echangerEtat(Pile& p) {
    std::swap(cr_, p.c);
    std::swap(lot_, p.lot);
    std::swap(matriceDevice_, p.matriceDevice);
    std::swap(matrice_, p.matrice);
    std::swap(boiteLot_, p.boite);
}

std::size_t RenduCairo::HachageCle::operator()(const Cle& k) const {
    std::size_t h = std::hash<const void*>()(k.tirets);
    for (double v : {k.couleur.r, k.couleur.g, k.couleur.b, k.echelle, k.decalage})
        h = h * 1000003u ^ std::hash<double>()(v);
    return h;
}

void RenduCairo::choisirPile(const CouleurRVB& couleur, const MotifTirets* tirets, double echelle,
                             double decalage) {
    const Cle cle{couleur, tirets, echelle, decalage};
    if (pile_ && pile_->cle == cle) return;
    if (pile_)
        echangerEtat(*pile_);  // the base context back in cr_
    else
        viderLot();  // what the base context held
    pile_ = nullptr;
    const auto trouvee = indexPiles_.find(cle);
    if (trouvee != indexPiles_.end()) {
        pile_ = &piles_[trouvee->second];
    } else if (piles_.size() >= kPilesMax) {
        // The stroke least recently added to is painted, and its context
        // takes the new colour.
        std::size_t k = 0;
        for (std::size_t i = 1; i < piles_.size(); ++i)
            if (piles_[i].usage < piles_[k].usage) k = i;
        pile_ = &piles_[k];
        echangerEtat(*pile_);
        chargerCle(pile_->cle);
        viderLot();
        echangerEtat(*pile_);
        indexPiles_.erase(pile_->cle);
        pile_->cle = cle;
        indexPiles_.emplace(cle, k);
    } else if (cairo_t* c = nouveauContexte()) {
        Pile nouvelle;
        nouvelle.c = c;
        nouvelle.cle = cle;
        piles_.push_back(nouvelle);
        pile_ = &piles_.back();
        indexPiles_.emplace(cle, piles_.size() - 1);
    }
    // With no context to be had, this key is stroked in the base context,
    // as on the other surfaces.
    if (pile_) {
        pile_->usage = ++horloge_;
        echangerEtat(*pile_);
    }
    chargerCle(cle);
}

void RenduCairo::chargerCle(const Cle& cle) {
    couleurLot_ = cle.couleur;
    tiretsLot_ = cle.tirets;
    echelleLot_ = cle.echelle;
    decalageLot_ = cle.decalage;
}

void RenduCairo::vider() {
    if (pile_) echangerEtat(*pile_);
    pile_ = nullptr;
    viderLot();
    // The strokes kept open, in the order their colours came.
    for (Pile& p : piles_) {
        if (p.lot == 0) continue;
        echangerEtat(p);
        chargerCle(p.cle);
        viderLot();
        echangerEtat(p);
    }
}

void RenduCairo::viderSous(const Boite& b) {
    if (!vectoriel_ || !regrouper_) {
        vider();
        return;
    }
    if (pile_) echangerEtat(*pile_);
    pile_ = nullptr;
    if (boiteLot_.touche(b)) viderLot();
    for (Pile& p : piles_) {
        if (p.lot == 0 || !p.boite.touche(b)) continue;
        echangerEtat(p);
        chargerCle(p.cle);
        viderLot();
        echangerEtat(p);
    }
}

void RenduCairo::viderLot() {
    if (lot_ == 0) return;
    // The batch's subpaths are already in device coordinates: stroke them
    // there, one pixel wide.
    avantCairo();
    fixerMatrice(nullptr);
    cairo_set_source_rgb(cr_, couleurLot_.r, couleurLot_.g, couleurLot_.b);
    cairo_set_line_width(cr_, 1.0);
    if (tiretsLot_) {
        double tirets[kTiretsMax], depart;
        Trait trait;
        trait.tirets = tiretsLot_;
        trait.echelleTirets = echelleLot_;
        const int n = tiretsDevice(trait, tirets, depart);
        if (n > 0)
            cairo_set_dash(cr_, tirets, n, decalageLot_);
        else
            cairo_set_dash(cr_, nullptr, 0, 0);
    } else {
        cairo_set_dash(cr_, nullptr, 0, 0);
    }
    cairo_stroke(cr_);
    lot_ = 0;
    boiteLot_ = Boite{};
    // A context of its own that failed loses the strokes of its colour.
    if (cr_ != base_cr_ && cairo_status(cr_) != CAIRO_STATUS_SUCCESS) incomplet_ = true;
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
    Boite boite;
    for (std::size_t i = 0; i < n; ++i) boite.ajouter(p[i].x, p[i].y);
    preparer(trait, 0, boite, nullptr);
    cairo_move_to(cr_, p[0].x, p[0].y);
    for (std::size_t i = 1; i < n; ++i) cairo_line_to(cr_, p[i].x, p[i].y);
    if (fermee) cairo_close_path(cr_);
    ajouteAuLot();
}

void RenduCairo::remplir(const PointPlan* p, const std::size_t* tailles, std::size_t contours,
                         const CouleurRVB& couleur, RegleRemplissage regle) {
    // Filled on their own (the even-odd rule of one shape must not meet
    // another's polygons), over the strokes that came before.
    std::size_t total = 0;
    for (std::size_t c = 0; c < contours; ++c) total += tailles[c];
    Boite boite;
    for (std::size_t i = 0; i < total; ++i) boite.ajouter(p[i].x, p[i].y);
    viderSous(boite);
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
            couperPolygone(coupe_, tampon_, Boite{zx0_, zy0_, zx1_, zy1_});
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
        // Cut the segment to the clip so that its ends fit cairo's
        // numbers; the dashes start where the cut end would be.
        PointPlan a{x1, y1}, b{x2, y2};
        const double longueur = std::hypot(x2 - x1, y2 - y1);
        double t0 = 0;
        if (!couperSegment(Boite{zx0_, zy0_, zx1_, zy1_}, a, b, t0)) return;
        decalage = t0 * longueur;
        x1 = a.x, y1 = a.y, x2 = b.x, y2 = b.y;
    }
    if (directs_) {
        // Drawn at once, after what cairo still holds back.
        vider();
        directs_->segment(x1, y1, x2, y2, trait, decalage);
        return;
    }
    Boite boite;
    boite.ajouter(x1, y1);
    boite.ajouter(x2, y2);
    preparer(trait, decalage, boite, nullptr);
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
    if (directs_) {
        vider();
        directs_->arc(m, cx, cy, rayon, a1, a2, trait);
        return;
    }
    preparer(trait, 0, Boite{dx - r, dy - r, dx + r, dy + r}, &m);
    // Without this, cairo would join the previous subpath to the arc's start.
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, cx, cy, rayon, a1, a2);
    ajouteAuLot();
}

void RenduCairo::pixel(double x, double y, const CouleurRVB& couleur) {
    if (!fini(x) || !fini(y) || std::max(std::fabs(x), std::fabs(y)) > kLoin) return;
    // A square of one pixel's area, as much ink as the hairline it stands
    // for: a stroke one pixel long, so that it joins the strokes' batch.
    Trait trait;
    trait.couleur = couleur;
    if (directs_) {
        vider();
        directs_->segment(x - 0.5, y, x + 0.5, y, trait, 0);
        return;
    }
    preparer(trait, 0, Boite{x - 0.5, y - 0.5, x + 0.5, y + 0.5}, nullptr, true);
    cairo_move_to(cr_, x - 0.5, y);
    cairo_line_to(cr_, x + 0.5, y);
    ajouteAuLot();
}

void RenduCairo::setClipTextes(const cairo_rectangle_list_t* base, double x, double y,
                               double largeur, double hauteur) {
    clipBase_ = base;
    clipZone_[0] = x;
    clipZone_[1] = y;
    clipZone_[2] = largeur;
    clipZone_[3] = hauteur;
}

cairo_t* RenduCairo::nouveauContexte() {
    cairo_t* c = cairo_create(cairo_get_group_target(base_cr_));
    auto rectangles = [c](const cairo_rectangle_list_t* l) {
        for (int i = 0; i < l->num_rectangles; ++i) {
            const cairo_rectangle_t& r = l->rectangles[i];
            cairo_rectangle(c, r.x, r.y, r.width, r.height);
        }
        cairo_clip(c);
    };
    if (clip_->status == CAIRO_STATUS_SUCCESS) {
        rectangles(clip_);
    } else if (clipBase_) {
        if (clipBase_->status == CAIRO_STATUS_SUCCESS) rectangles(clipBase_);
        cairo_rectangle(c, clipZone_[0], clipZone_[1], clipZone_[2], clipZone_[3]);
        cairo_clip(c);
    } else {
        cairo_rectangle(c, zx0_ + kMarge, zy0_ + kMarge, zx1_ - zx0_ - 2 * kMarge,
                        zy1_ - zy0_ - 2 * kMarge);
        cairo_clip(c);
    }
    if (cairo_status(c) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(c);
        return nullptr;
    }
    return c;
}

cairo_t* RenduCairo::contexteTextes() {
    if (textes_) return textes_;
    cairo_t* c = nouveauContexte();
    if (!c) return nullptr;
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(c, options);
    cairo_font_options_destroy(options);
    if (cairo_status(c) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(c);
        return nullptr;
    }
    textes_ = c;
    return textes_;
}

void RenduCairo::texte(const Matrice& m, const TextePlace& t) {
    // The strokes that came before and that the text reaches are painted
    // first.
    viderSous(PeintreGlyphes::etendue(t).transformee(m));
    avantCairo();
    // Its glyphs painted by this thread alone (polices.h).
    std::lock_guard<std::recursive_mutex> glyphes(verrouGlyphes());
    cairo_t* c = contexteTextes();
    if (!c) {
        incomplet_ = true;
        return;
    }
    glyphes_.peindre(c, m, t);
    // A text cairo failed on: that text only is lost; the next ones get a
    // new context.
    if (cairo_status(c) != CAIRO_STATUS_SUCCESS) {
        incomplet_ = true;
        cairo_destroy(textes_);
        textes_ = nullptr;
    }
}

void RenduCairo::image(const Matrice& m, const Image& i, const CouleurRVB& couleur) {
    cairo_surface_t* image = nullptr;
    {
        std::unique_lock<std::mutex> verrou;
        if (verrou_) verrou = std::unique_lock<std::mutex>(*verrou_);
        image = cache_.image(i.fileRef(), dossierDessin_);
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
        viderSous(b);
        avantCairo();
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
    // A picture that cannot be loaded shows its reference in its place, 15
    // units per em, upright.
    const Police* sans = obtenirPolice("", false, false);
    const std::string police;
    const DispositionTexte disposition;
    MiseEnPage mp;
    Matrice versDevice;
    if (mettreEnPlace(m,
                      TexteAPlacer{i.getX(), i.getY(), i.refRef(), police,
                                   15.0 * (sans ? sans->capitales : 0.7), disposition,
                                   CouleursTexte{couleur, couleur, couleur}},
                      mesureur_, mp, versDevice))
        texte(versDevice, mp);
}
