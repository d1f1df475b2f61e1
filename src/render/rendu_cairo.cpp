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
// Device coordinates beyond this cannot be held by cairo's 24.8 fixed-point
// numbers (2^23) with room to spare: segments reaching so far are cut to the
// clip first, other primitives are not painted.
constexpr double kLoin = 1 << 21;
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
// Glyphs larger than this, in device pixels per em, are filled as paths
// rather than rendered into cairo's glyph cache (and FreeType takes no size
// of 65536 pixels or more).
constexpr double kGlypheMax = 1024;
// Glyphs thinner than this, in device pixels per em along some direction,
// are not painted: squashed to a line, and cairo refuses a font matrix that
// cannot be inverted.
constexpr double kGlypheMin = 0.05;
// The most lengths of a dash pattern given to cairo (an even number).

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
    if (brouillon_) cairo_destroy(brouillon_);
    for (auto& c : contours_)
        if (c.second) cairo_path_destroy(c.second);
    if (surfaceBrouillon_) cairo_surface_destroy(surfaceBrouillon_);
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

void RenduCairo::texte(const Matrice& m, const TexteAPeindre& t) {
    double dx = t.x, dy = t.y;
    m.appliquer(dx, dy);
    if (!fini(dx) || !fini(dy)) return;
    // Its glyphs measured and painted by this thread alone (polices.h).
    std::lock_guard<std::recursive_mutex> glyphes(verrouGlyphes());
    const DispositionTexte& d = t.disposition;
    StyleCaracteres base;
    base.police = t.police;
    base.hauteur = t.taille;
    const bool multiligne = d.isMultiligne();
    const int colonne = multiligne ? (std::clamp(d.attachement, 1, 9) - 1) % 3 : 0;
    const MiseEnPage mp =
        mettreEnPage(t.texte, base, multiligne, d.largeurCadre, d.interligne, colonne, mesureur_);
    if (mp.passages.empty() && mp.filets.empty()) return;
    const Matrice local = multiligne ? placerMText(t.x, t.y, d, mp.largeur, mp.hauteur)
                                     : placerTexte(t.x, t.y, t.taille, d, mp.largeur, mp.descente);
    const Matrice dev = m.apres(local);
    if (!fini(dev.xx) || !fini(dev.yx) || !fini(dev.xy) || !fini(dev.yy) || !fini(dev.x0) ||
        !fini(dev.y0))
        return;
    // The strokes that came before and that the text reaches are painted
    // first (its glyphs' room: an em around each, in the text's own space).
    Boite boite;
    for (const Passage& p : mp.passages)
        for (const Passage::Glyphe& g : p.glyphes) {
            boite.ajouter(g.x - p.em, g.y - 1.5 * p.em);
            boite.ajouter(g.x + 2 * p.em * p.largeur, g.y + 1.5 * p.em);
        }
    for (const Filet& f : mp.filets) {
        boite.ajouter(f.x1 - f.epaisseur, f.y1 - f.epaisseur);
        boite.ajouter(f.x2 + f.epaisseur, f.y2 + f.epaisseur);
    }
    viderSous(boite.transformee(dev));
    avantCairo();
    cairo_t* c = contexteTextes();
    if (!c) {
        incomplet_ = true;
        return;
    }
    peindre(c, dev, mp, t);
    // A text cairo failed on: that text only is lost; the next ones get a
    // new context.
    if (cairo_status(c) != CAIRO_STATUS_SUCCESS) {
        incomplet_ = true;
        cairo_destroy(textes_);
        textes_ = nullptr;
    }
}

void RenduCairo::peindre(cairo_t* c, const Matrice& dev, const MiseEnPage& mp,
                         const TexteAPeindre& t) {
    auto couleur = [&](int indice, bool aRvb, std::uint32_t rvb) {
        CouleurRVB k = t.couleur;
        if (aRvb)
            k = couleurVraie(rvb, kFond);
        else if (indice == 0)
            k = t.couleurBloc;
        else if (indice == 256)
            k = t.couleurCalque;
        else if (indice > 0)
            k = couleurDXF(indice);
        cairo_set_source_rgb(c, k.r, k.g, k.b);
    };
    std::vector<cairo_glyph_t> glyphes;
    for (const Passage& p : mp.passages) {
        const Police& police = *static_cast<const Police*>(p.police);
        // Font units (y down, one em) to the local space (y up), then to the
        // device.
        const double penche = std::tan(p.oblique);
        const Matrice versLocal{p.em * p.largeur, 0, -p.em * penche, -p.em, 0, 0};
        const Matrice versDevice = dev.apres(versLocal);
        const double grand = versDevice.etirementMax(), petit = versDevice.etirementMin();
        if (!fini(grand) || !(petit >= kGlypheMin)) continue;
        couleur(p.couleur, p.aRvb, p.rvb);
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
        glyphes.clear();
        for (const Passage::Glyphe& g : p.glyphes) {
            double gx = g.x, gy = g.y;
            dev.appliquer(gx, gy);
            if (!fini(gx) || !fini(gy) || std::max(std::fabs(gx), std::fabs(gy)) > kLoin ||
                !visible(gx - grand * 2, gy - grand * 2, gx + grand * 2, gy + grand * 2))
                continue;
            glyphes.push_back({g.index, gx, gy});
        }
        if (glyphes.empty()) continue;
        cairo_set_font_face(c, police.face);
        cairo_set_font_matrix(c, &police2);
        cairo_show_glyphs(c, glyphes.data(), static_cast<int>(glyphes.size()));
    }
    // Rules: at least a pixel thick.
    const double epaisseurDevice = std::sqrt(std::fabs(dev.determinant()));
    for (const Filet& f : mp.filets) {
        double x1 = f.x1, y1 = f.y1, x2 = f.x2, y2 = f.y2;
        dev.appliquer(x1, y1);
        dev.appliquer(x2, y2);
        if (!fini(x1) || !fini(y1) || !fini(x2) || !fini(y2) ||
            std::max({std::fabs(x1), std::fabs(y1), std::fabs(x2), std::fabs(y2)}) > kLoin)
            continue;
        couleur(f.couleur, f.aRvb, f.rvb);
        const double e = f.epaisseur * epaisseurDevice;
        cairo_set_line_width(c, fini(e) ? std::clamp(e, 1.0, kLoin) : 1.0);
        cairo_move_to(c, x1, y1);
        cairo_line_to(c, x2, y2);
        cairo_stroke(c);
    }
}

const cairo_path_t* RenduCairo::contour(const Police& police, unsigned long index) {
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

void RenduCairo::ajouterContour(const Police& police, unsigned long index,
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
                std::max(std::fabs(point.x), std::fabs(point.y)) > kLoin) {
                chemin_.resize(debut);
                return;
            }
        }
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
    texte(m, TexteAPeindre{i.getX(), i.getY(), i.refRef(), police,
                           15.0 * (sans ? sans->capitales : 0.7), couleur, disposition, couleur,
                           couleur});
}
