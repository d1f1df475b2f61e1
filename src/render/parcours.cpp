#include "render/parcours.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/etendue.h"
#include "model/disposition.h"
#include "model/courbes.h"
#include "model/figures.h"
#include "model/hachures.h"
#include "model/index_spatial.h"
#include "model/multileader.h"

namespace {

// The largest figure of a point, in device pixels: larger ones would be
// strokes far beyond any view.
constexpr double kTaillePointMax = 1e6;
// The index of a block is used when the zone covers less than this part of
// the block's box: beyond, walking everything costs less.
constexpr double kPartIndex = 0.25;
// Objects met between two looks at the annulation flag.
constexpr double kPasComptage = 4096;
// Texts whose capitals are lower than this, in device pixels, get no glyph
// work: a bar where their lines lie.
constexpr double kHauteurLisible = 1.0;
// The most bars of one text (its first lines).
constexpr int kBarresMax = 16;

// Arcs whose circle reaches further than this from the device origin are
// handed over as the chords of what is seen (cairo's numbers hold 2^23).
constexpr double kArcLoin = 1 << 20;
// The copies of a multiple insertion met at most, whatever the zone's
// pixels.
constexpr double kCopiesMin = 1 << 16, kCopiesMax = 1 << 22;

bool fini(double v) { return std::isfinite(v); }

// A stroke that starts `longueur` device pixels further along its line:
// its dashes so far on in their pattern.
Trait decale(Trait t, double longueur) {
    if (t.tirets && longueur != 0 && t.echelleTirets > 0)
        t.departTirets += longueur / t.echelleTirets;
    return t;
}
bool fini(const PointPlan& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

Boite boiteDe(const PointPlan* p, std::size_t n) {
    Boite b;
    for (std::size_t i = 0; i < n; ++i) b.ajouter(p[i].x, p[i].y);
    return b;
}

}  // namespace

Parcours::Parcours(OptionsPeinture options) : Imbrication(options) {
    const double inf = std::numeric_limits<double>::infinity();
    setZone(-inf, -inf, inf, inf);
}

void Parcours::setZone(double x0, double y0, double x1, double y1) {
    zx0_ = x0;
    zy0_ = y0;
    zx1_ = x1;
    zy1_ = y1;
}

void Parcours::setBandes(int nombre, int rang, double hauteur, double origine) {
    nbBandes_ = std::max(1, nombre);
    rangBande_ = rang;
    hauteurBande_ = hauteur;
    origineBandes_ = origine;
}

bool Parcours::parcourir(const Dessin& dessin, const Matrice& vue, Rendu& rendu) {
    rendu_ = &rendu;
    dessin_ = &dessin;
    dernierStyle_ = nullptr;
    commencer(dessin);
    comptes_ = 0;
    comptesTotal_ = 0;
    tronque_ = false;
    signaleHachure_ = false;
    signaleCopies_ = false;
    plume_ = Plume{couleurDXF(7, fond_), &racine_->getType()};
    fixerMatrice(vue);
    // The size of points: in drawing units of the model space when above
    // 0, a share of the view's height otherwise (5% for 0).
    const double taille = dessin.getTaillePoints();
    taillePoint_ =
        taille > 0 ? taille * echelleTrait_ : (taille == 0 ? 5 : -taille) / 100 * hauteurVue_;
    if (!fini(taillePoint_)) taillePoint_ = 0;
    taillePoint_ = std::min(taillePoint_, kTaillePointMax);
    const int mode = dessin.getModePoints();
    const bool figure = (mode & 7) >= 2 && (mode & 7) <= 4;
    margePoints_ = (figure || (mode & (32 | 64))) && taillePoint_ >= 1 ? taillePoint_ : 0;
    bool complet = true;
    try {
        entite(*racine_);
    } catch (const Annulee&) {
        complet = false;
    }
    if (progression_) progression_->fetch_add(static_cast<std::uint64_t>(comptes_));
    comptes_ = 0;
    rendu.terminer();
    rendu_ = nullptr;
    dessin_ = nullptr;
    return complet;
}

bool Parcours::zoneLocale(Boite& zone) const {
    if (!matrice_.inversible()) return false;
    const Matrice inverse = matrice_.inverse();
    const double m = margePoints_;
    for (double x : {zx0_ - m, zx1_ + m})
        for (double y : {zy0_ - m, zy1_ + m}) {
            double u = x, v = y;
            inverse.appliquer(u, v);
            if (!fini(u) || !fini(v)) return false;
            zone.ajouter(u, v);
        }
    return !zone.vide();
}

void Parcours::compter(double n) {
    comptesTotal_ += n;
    comptes_ += n;
    if (comptes_ < kPasComptage) return;
    if (progression_) progression_->fetch_add(static_cast<std::uint64_t>(comptes_));
    comptes_ = 0;
    if (annulation_ && annulation_->load(std::memory_order_relaxed)) throw Annulee{};
}

void Parcours::fixerMatrice(const Matrice& m) {
    matrice_ = m;
    echelleTrait_ = std::sqrt(std::fabs(m.determinant()));
    echelleMax_ = std::sqrt(m.xx * m.xx + m.yx * m.yx + m.xy * m.xy + m.yy * m.yy);
}

CouleurRVB Parcours::couleurCalque(const Layer& c) const {
    return c.hasCouleurVraie() ? couleurVraie(c.getCouleurVraie(), fond_)
                               : couleurDXF(c.getCouleur(), fond_);
}

CouleurRVB Parcours::couleur(const Entity& e) const {
    if (e.hasCouleurVraie()) return couleurVraie(e.getCouleurVraie(), fond_);
    const int c = e.getCouleurBrute();
    if (c == 0) return plume_.couleur;
    if (c == 256) return couleurCalque(*calqueDe(e));
    return couleurDXF(c, fond_);
}

const TypeLigne& Parcours::typeResolu(const Entity& e) const {
    const TypeLigne& t = e.getType();
    if (t.parCalque()) return calqueDe(e)->getType();
    if (t.parBloc()) return *plume_.type;
    return t;
}

Trait Parcours::trait(const Entity& e, const CouleurRVB& c) const {
    Trait t;
    t.couleur = c;
    t.echelleTirets = echelleTrait_;
    const TypeLigne& type = typeResolu(e);
    if (type.continu()) return t;
    if (!type.isDefini()) {
        // A name the LTYPE table does not define: 10 on, 4 off.
        t.tirets = &kTiretsParDefaut;
        return t;
    }
    t.tirets = type.getMotif();
    t.echelleTirets *= dessin_->getEchelleTypesLigne() * dessin_->getEchelleTypeLigne(e);
    return t;
}

bool Parcours::visible(double x0, double y0, double x1, double y1) const {
    if (!(x1 >= zx0_ && x0 <= zx1_ && y1 >= zy0_ && y0 <= zy1_)) return false;
    if (nbBandes_ <= 1) return true;
    // Painting by bands: only the rows of this walk's bands count.
    y0 -= kMargeDevice;
    y1 += kMargeDevice;
    if (y1 - y0 >= hauteurBande_ * (nbBandes_ - 1)) return true;
    const long k0 = static_cast<long>(std::floor((y0 - origineBandes_) / hauteurBande_));
    const long k1 = static_cast<long>(std::floor((y1 - origineBandes_) / hauteurBande_));
    for (long k = k0; k <= k1; ++k)
        if (((k % nbBandes_) + nbBandes_) % nbBandes_ == rangBande_) return true;
    return false;
}

template <class F>
void Parcours::segment(double x1, double y1, double x2, double y2, const F& trait) {
    if (x1 == x2 && y1 == y2) return;  // nothing to see: butt ends on a point
    matrice_.appliquer(x1, y1);
    matrice_.appliquer(x2, y2);
    if (!fini(x1) || !fini(y1) || !fini(x2) || !fini(y2)) return;
    if (!visible(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2))) return;
    if (std::fabs(x2 - x1) < 1 && std::fabs(y2 - y1) < 1) {
        rendu_->pixel((x1 + x2) / 2, (y1 + y2) / 2, trait().couleur);
        return;
    }
    segmentCoupe({x1, y1}, {x2, y2}, trait());
}

void Parcours::segment(double x1, double y1, double x2, double y2, const Trait& t) {
    segment(x1, y1, x2, y2, [&] { return t; });
}

void Parcours::segmentDevice(const PointPlan& a, const PointPlan& b, const Trait& trait) {
    if (!fini(a) || !fini(b) || (a.x == b.x && a.y == b.y)) return;
    if (!visible(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)))
        return;
    segmentCoupe(a, b, trait);
}

void Parcours::segmentCoupe(PointPlan a, PointPlan b, const Trait& trait) {
    const double longueur = std::hypot(b.x - a.x, b.y - a.y);
    double t0 = 0;
    if (!couperSegment(zone(), a, b, t0)) return;
    rendu_->segment(a.x, a.y, b.x, b.y, decale(trait, t0 * longueur));
}

void Parcours::arcCoupe(const Matrice& m, double cx, double cy, double rayon, double a1, double a2,
                        const Trait& trait) {
    double dx = cx, dy = cy;
    m.appliquer(dx, dy);
    const double r = rayon * m.etirementMax();
    if (dx - r >= zx0_ && dx + r <= zx1_ && dy - r >= zy0_ && dy + r <= zy1_) {
        rendu_->arc(m, cx, cy, rayon, a1, a2, trait);
        return;
    }
    // The unit circle carried onto the arc, and the ranges of it seen.
    const Matrice unite = m.apres(Matrice{rayon, 0, 0, rayon, cx, cy});
    couperArc(unite, a1, a2, zone(), plages_);
    for (const Plage& p : plages_) {
        const Trait t = decale(trait, longueurArc(unite, a1, p.debut));
        if (std::max(std::fabs(dx), std::fabs(dy)) + r <= kArcLoin) {
            rendu_->arc(m, cx, cy, rayon, p.debut, p.fin, t);
            continue;
        }
        // Too far for the backend: the chords of what is seen.
        coupes_.clear();
        aplatirEllipse({0, 0}, {1, 0}, {0, 1}, p.debut, p.fin, unite, kToleranceCourbes, coupes_);
        morceaux(coupes_.data(), coupes_.size(), false, t);
    }
}

void Parcours::morceaux(const PointPlan* p, std::size_t n, bool fermee, const Trait& trait) {
    if (n <= kPointsMorceau) {
        rendu_->polyligne(p, n, fermee, trait);
        return;
    }
    double parcouru = 0;
    for (std::size_t i = 0; i + 1 < n;) {
        const std::size_t k = std::min(kPointsMorceau, n - i);
        rendu_->polyligne(p + i, k, false, decale(trait, parcouru));
        for (std::size_t j = i + 1; j < i + k; ++j)
            parcouru += std::hypot(p[j].x - p[j - 1].x, p[j].y - p[j - 1].y);
        i += k - 1;
        surveiller();
    }
    if (fermee) {
        const PointPlan bout[2] = {p[n - 1], p[0]};
        rendu_->polyligne(bout, 2, false, decale(trait, parcouru));
    }
}

void Parcours::surveiller() const {
    if (annulation_ && annulation_->load(std::memory_order_relaxed)) throw Annulee{};
}

template <class F>
void Parcours::segmentRenfle(const Sommet& a, const Sommet& b, const F& trait) {
    double cx, cy, r, a1, a2;
    if (a.renflement != 0 && arcDeRenflement(a.x, a.y, b.x, b.y, a.renflement, cx, cy, r, a1, a2))
        arcOuCercle(cx, cy, r, a1, a2, trait);
    else
        segment(a.x, a.y, b.x, b.y, trait);
}

void Parcours::segmentRenfle(const Sommet& a, const Sommet& b, const Trait& t) {
    segmentRenfle(a, b, [&] { return t; });
}

void Parcours::polyligne(bool fermee, const Trait& trait) {
    // A curve flattened in part when the flag was set is not painted.
    surveiller();
    if (points_.size() < 2) return;
    for (const PointPlan& p : points_)
        if (!fini(p)) return;
    const Boite b = boiteDe(points_.data(), points_.size());
    if (!visible(b.x0, b.y0, b.x1, b.y1)) return;
    if (b.largeur() < 1 && b.hauteur() < 1) {
        rendu_->pixel((b.x0 + b.x1) / 2, (b.y0 + b.y1) / 2, trait.couleur);
        return;
    }
    if (b.x0 >= zx0_ && b.x1 <= zx1_ && b.y0 >= zy0_ && b.y1 <= zy1_) {
        morceaux(points_.data(), points_.size(), fermee, trait);
        return;
    }
    coupes_.clear();
    couperPolyligne(points_.data(), points_.size(), fermee, zone(), coupes_, troncons_);
    for (const Troncon& t : troncons_)
        morceaux(coupes_.data() + t.debut, t.nombre, false, decale(trait, t.avant));
}

void Parcours::remplir(const CouleurRVB& couleur, RegleRemplissage regle) {
    if (points_.empty() || tailles_.empty()) return;
    for (const PointPlan& p : points_)
        if (!fini(p)) return;
    const Boite b = boiteDe(points_.data(), points_.size());
    if (!visible(b.x0, b.y0, b.x1, b.y1)) return;
    if (b.largeur() < 1 && b.hauteur() < 1) {
        rendu_->pixel((b.x0 + b.x1) / 2, (b.y0 + b.y1) / 2, couleur);
        return;
    }
    rendu_->remplir(points_.data(), tailles_.data(), tailles_.size(), couleur, regle);
}

template <class F>
void Parcours::arcOuCercle(double cx, double cy, double rayon, double a1, double a2,
                           const F& trait) {
    if (!fini(cx) || !fini(cy) || !fini(rayon) || !fini(a1) || !fini(a2)) return;
    if (!(rayon > 0)) return;  // a lone point: nothing to see
    double dx = cx, dy = cy;
    matrice_.appliquer(dx, dy);
    const double r = rayon * echelleMax_;
    if (!fini(dx) || !fini(dy) || !fini(r) || !disqueVisible(dx, dy, r)) return;
    if (r < 0.5) {
        rendu_->pixel(dx, dy, trait().couleur);
        return;
    }
    ramenerAngles(a1, a2, false);
    arcCoupe(matrice_, cx, cy, rayon, a1, a2, trait());
}

bool Parcours::admise(const Block& definition) {
    const Admission a = admission(definition);
    if (a == Admission::TropProfonde) tropProfond();
    return a == Admission::Oui;
}

void Parcours::tropProfond() {
    if (erreurs_ && !signaleProfondeur_)
        *erreurs_ << "Dessin trop imbrique : les blocs au-dela de " << kProfondeurMax
                  << " niveaux ne sont pas dessines." << std::endl;
    signaleProfondeur_ = true;
    tronque_ = true;
}

template <class T>
void Parcours::entite(const T& e) {
    compter(objetsDeplies(e));
    if (!masque(e)) dessiner(e);
}

void Parcours::parcourirDefinition(const Entity& porteur, const Block& def, const Matrice& m) {
    // Undone by restoring the saved state, so no rounding error builds up.
    const Matrice avant = matrice_;
    const Plume plumeAvant = plume_;
    fixerMatrice(m);
    // What the by-block entities inside take: the insertion's own colour
    // and line type, resolved in the enclosing insertion; and what layer
    // "0" stands for there.
    plume_ = Plume{couleur(porteur), &typeResolu(porteur)};
    entrer(porteur, def);
    // In a block of many entities seen in part, only those its index finds
    // near the zone are met; the others are counted.
    Boite zone;
    // A layout's own block is not culled: its paper-space entities have no
    // place in the extents.
    const bool feuille = feuille_ && niveau == 1;
    const IndexSpatial* index = index_ && !feuille ? def.cacheEtendue.index.get() : nullptr;
    if (index && zoneLocale(zone) &&
        zone.largeur() * zone.hauteur() <
            kPartIndex * index->getBoite().largeur() * index->getBoite().hauteur()) {
        if (places_.size() < static_cast<std::size_t>(niveau)) places_.resize(niveau);
        std::vector<std::uint32_t>& places = places_[niveau - 1];
        places.clear();
        index->chercher(zone, places);
        const double avant = comptesTotal_;
        for (const std::uint32_t p : places)
            def.pourEntite(def.getOrdre()[p], [this](const auto& e) { entite(e); });
        compter(std::max(0.0, def.cacheEtendue.objets - (comptesTotal_ - avant)));
    } else {
        def.pourChaqueEntite([this](const auto& e) { entite(e); });
    }
    sortir();
    plume_ = plumeAvant;
    fixerMatrice(avant);
}

void Parcours::placer(const Entity& porteur, const Block& def, const Matrice& m) {
    // The copy's box in device pixels (the definitions' boxes are computed
    // before any walk starts, see Peintre). The root is never collapsed; a
    // placement that cannot be inverted paints nothing.
    Boite boite = etenduePeinte(def).transformee(m);
    // The figures of points reach beyond the points themselves.
    if (!boite.vide() && margePoints_ > 0) {
        boite.x0 -= margePoints_;
        boite.y0 -= margePoints_;
        boite.x1 += margePoints_;
        boite.y1 += margePoints_;
    }
    const bool vue =
        m.inversible() && ((feuille_ && niveau == 0) ||
                           (!boite.vide() && visible(boite.x0, boite.y0, boite.x1, boite.y1)));
    const bool petit = niveau > 0 && boite.largeur() < 1 && boite.hauteur() < 1;
    // What lies too deep within has no box: the picture lacks it wherever
    // it would be.
    if (def.cacheEtendue.tropProfond) tropProfond();
    if (!vue || petit) {
        // Smaller than a pixel: the pixel of its box.
        if (vue)
            rendu_->pixel((boite.x0 + boite.x1) / 2, (boite.y0 + boite.y1) / 2, couleur(porteur));
        compter(def.cacheEtendue.objets);
        return;
    }
    parcourirDefinition(porteur, def, m);
}

void Parcours::entite(const Insertion& b) {
    const Block& def = b.getDefinition();
    if (masque(b) || !admise(def)) {
        compter(objetsDeplies(b));
        return;
    }
    if (b.getLignes() == 1 && b.getColonnes() == 1) {
        compter();
        placer(b, def, b.placeeDans(matrice_));
    } else {
        copies(b, def);
    }
    // The insertion's attributes lie in the space of the insertion itself;
    // their by-block properties are the insertion's.
    if (!b.getAttributs().empty()) {
        const Plume plumeAvant = plume_;
        plume_ = Plume{couleur(b), &typeResolu(b)};
        for (const Attribut* a : b.getAttributs())
            if (!masque(*a)) dessiner(*a);
        plume_ = plumeAvant;
    }
}

void Parcours::copies(const Insertion& b, const Block& def) {
    const double colonnes = b.getColonnes(), lignes = b.getLignes();
    const double objets = 1 + def.cacheEtendue.objets, total = colonnes * lignes;
    // Copy (c, r) is the first moved by c u + r v on the device.
    const Matrice m = b.placeeDans(matrice_), mc = b.placeeDans(matrice_, 1, 0),
                  mr = b.placeeDans(matrice_, 0, 1);
    const PointPlan u{mc.x0 - m.x0, mc.y0 - m.y0}, v{mr.x0 - m.x0, mr.y0 - m.y0};
    Boite boite = etenduePeinte(def).transformee(m);
    if (!boite.vide() && margePoints_ > 0)
        boite = Boite{boite.x0 - margePoints_, boite.y0 - margePoints_, boite.x1 + margePoints_,
                      boite.y1 + margePoints_};
    double c0, c1, r0, r1;
    if (def.cacheEtendue.tropProfond) tropProfond();
    if (boite.vide() || !m.inversible() || !fini(u) || !fini(v) ||
        !copiesVues(boite, u, v, colonnes, lignes, zone(), c0, c1, r0, r1)) {
        compter(total * objets);
        return;
    }
    // Copies met at most: as many as the zone has pixels, within bounds.
    const double aire = (zx1_ - zx0_) * (zy1_ - zy0_);
    const double limite = fini(aire) ? std::clamp(aire, kCopiesMin, kCopiesMax) : kCopiesMax;
    const double vues = (c1 - c0 + 1) * (r1 - r0 + 1);
    double pas = 1;
    if (vues > limite) {
        if (boite.largeur() < 1 && boite.hauteur() < 1) {
            // Copies under a pixel, more than pixels: one block where their
            // middles lie.
            const PointPlan o{(boite.x0 + boite.x1) / 2, (boite.y0 + boite.y1) / 2};
            const double c = colonnes - 1, l = lignes - 1;
            points_ = {o,
                       {o.x + c * u.x, o.y + c * u.y},
                       {o.x + c * u.x + l * v.x, o.y + c * u.y + l * v.y},
                       {o.x + l * v.x, o.y + l * v.y}};
            couperPolygone(points_, coupes_, zone());
            tailles_.assign(1, points_.size());
            Trait t;
            t.couleur = couleur(b);
            remplir(t.couleur, RegleRemplissage::NonNul);
            polyligne(true, t);
            compter(total * objets);
            return;
        }
        // Copies over a pixel, packed closer: one in pas x pas is walked.
        pas = std::ceil(std::sqrt(vues / limite));
        if (erreurs_ && !signaleCopies_)
            *erreurs_ << "Insertion multiple trop dense : une copie sur " << pas * pas
                      << " est dessinee." << std::endl;
        signaleCopies_ = true;
        tronque_ = true;
    }
    double faites = 0;
    for (double r = r0; r <= r1; r += pas)
        for (double c = c0; c <= c1; c += pas) {
            compter();
            ++faites;
            placer(b, def, b.placeeDans(matrice_, static_cast<int>(c), static_cast<int>(r)));
        }
    compter((total - faites) * objets);
}

void Parcours::entite(const Dimension& d) {
    // The block a dimension names is placed as it is.
    compter();
    const Block& def = d.getBloc();
    if (masque(d) || !admise(def))
        compter(def.cacheEtendue.objets);
    else
        placer(d, def, matrice_);
}

void Parcours::dessiner(const Line& l) {
    segment(l.getX(), l.getY(), l.getX2(), l.getY2(), [&] { return trait(l); });
}

void Parcours::dessiner(const Arc& a) {
    arcOuCercle(a.getX(), a.getY(), a.getRayon(), a.getAngle1(), a.getAngle2(),
                [&] { return trait(a); });
}

void Parcours::dessiner(const Circle& c) {
    arcOuCercle(c.getX(), c.getY(), c.getRayon(), 0, kDeuxPi, [&] { return trait(c); });
}

void Parcours::dessiner(const Point& p) {
    // Half the figure's size in device pixels: the same for every point of
    // the view, whatever block holds it.
    const double h = taillePoint_ / 2;
    const FigurePoint f = figurePoint(dessin_->getModePoints(), h);
    if (f.vide) return;
    double dx = p.getX(), dy = p.getY();
    matrice_.appliquer(dx, dy);
    if (!fini(dx) || !fini(dy) || !disqueVisible(dx, dy, std::max(h * 1.5, 1.0))) return;
    const CouleurRVB c = couleur(p);
    if (f.point) rendu_->pixel(dx, dy, c);
    Trait t;
    t.couleur = c;
    for (std::size_t i = 0; i < f.traits; ++i)
        segmentDevice({dx + f.bouts[i][0].x, dy + f.bouts[i][0].y},
                      {dx + f.bouts[i][1].x, dy + f.bouts[i][1].y}, t);
    if (f.cercle) rendu_->arc(Matrice{}, dx, dy, h, 0, kDeuxPi, t);
    if (f.carre) {
        points_.assign({{dx - h, dy - h}, {dx + h, dy - h}, {dx + h, dy + h}, {dx - h, dy + h}});
        polyligne(true, t);
    }
}

void Parcours::dessiner(const Polyline& p) {
    const auto& sommets = p.getPoints();
    if (sommets.empty()) return;
    // The polyline's own colour and dashes: those of its vertices
    // (VERTEX records) do not count.
    const Trait base = trait(p);
    if (p.getDetails()) {
        if (p.isMaillage() || p.isFacettes()) {
            maillage(p, base);
            return;
        }
        if (bandes(p)) return;
    }
    auto sommet = [&](std::size_t i) {
        return Sommet{sommets[i]->getX(), sommets[i]->getY(), p.getRenflement(i)};
    };
    for (std::size_t i = 1; i < sommets.size(); ++i) segmentRenfle(sommet(i - 1), sommet(i), base);
    // Closed (bit 1 of the flags): from the first vertex to the last; an
    // arc when the last vertex has a bulge.
    if (p.isFermee()) {
        const Point& premier = *sommets.front();
        const Point& dernier = *sommets.back();
        if (p.getRenflement(sommets.size() - 1) != 0)
            segmentRenfle(sommet(sommets.size() - 1), sommet(0), base);
        else
            segment(premier.getX(), premier.getY(), dernier.getX(), dernier.getY(), base);
    }
}

bool Parcours::bandes(const Polyline& p) {
    const BandesPolyligne b(p, matrice_);
    if (!b.visibles()) return false;
    const auto& s = p.getPoints();
    const Trait t = trait(p);
    for (std::size_t i = 0; i < b.segments(); ++i) {
        if (b.bande(i, points_, tailles_)) {
            if (!tailles_.empty()) remplir(t.couleur, RegleRemplissage::NonNul);
            continue;
        }
        const std::size_t j = (i + 1) % s.size();
        segmentRenfle({s[i]->getX(), s[i]->getY(), p.getRenflement(i)},
                      {s[j]->getX(), s[j]->getY(), 0}, t);
    }
    return true;
}

void Parcours::maillage(const Polyline& p, const Trait& base) {
    const auto& s = p.getPoints();
    aretesMaillage(p, aretes_);
    for (const auto& [i, j] : aretes_)
        segment(s[i]->getX(), s[i]->getY(), s[j]->getX(), s[j]->getY(), base);
}

const std::string& Parcours::police(const Text& t) {
    // Texts mostly share their style: the last answer is kept.
    if (!dernierStyle_ || *dernierStyle_ != t.styleRef()) {
        dernierStyle_ = &t.styleRef();
        dernierePolice_ = &dessin_->policeDuStyle(t.styleRef());
    }
    return *dernierePolice_;
}

void Parcours::texte(const Text& t) {
    const double h = std::fabs(t.getTaille());
    if (!fini(h) || h == 0 || t.texteRef().empty()) return;
    // Seen: the estimated box, in device pixels, with room for wider glyphs.
    const Boite b = boiteEstimee(t).transformee(matrice_);
    if (b.vide()) return;
    const double marge = (b.largeur() + b.hauteur()) / 2 + h * echelleMax_ + kMargeDevice;
    if (!fini(marge) || !visible(b.x0 - marge, b.y0 - marge, b.x1 + marge, b.y1 + marge)) return;
    const CouleurRVB c = couleur(t);
    if (h * echelleMax_ >= kHauteurLisible) {
        // Laid out with the backend's fonts, and handed over placed.
        Mesureur* mesureur = rendu_->mesureur();
        if (!mesureur) return;
        const CouleursTexte couleurs{c, couleurCalque(*calqueDe(t)), plume_.couleur, fond_};
        MiseEnPage mp;
        Matrice versDevice;
        if (mettreEnPlace(matrice_,
                          TexteAPlacer{t.getX(), t.getY(), t.texteRef(), police(t), h,
                                       t.getDisposition(), couleurs},
                          *mesureur, mp, versDevice))
            rendu_->texte(versDevice, mp);
        return;
    }
    // Too small to be read: a bar through the middle of each line.
    Trait trait;
    trait.couleur = c;
    const DispositionTexte& d = t.getDisposition();
    double largeur, hauteur;
    const Matrice m = placementEstime(t, largeur, hauteur);
    double x1 = 0, y1 = h / 2, x2 = largeur, y2 = h / 2;
    if (!d.isMultiligne()) {
        m.appliquer(x1, y1);
        m.appliquer(x2, y2);
        segment(x1, y1, x2, y2, trait);
        return;
    }
    const double pas = pasDeLigne(h, d.interligne);
    for (int n = 0; n < kBarresMax && n * pas <= hauteur - h + 1e-9; ++n) {
        x1 = 0, y1 = -h / 2 - n * pas, x2 = largeur, y2 = y1;
        m.appliquer(x1, y1);
        m.appliquer(x2, y2);
        segment(x1, y1, x2, y2, trait);
    }
}

void Parcours::dessiner(const Image& i) {
    if (options_.images) rendu_->image(matrice_, i, couleur(i));
}

void Parcours::dessiner(const Hatch& h) {
    points_.clear();
    tailles_.clear();
    // The paths beyond the zone are not flattened: a zoomed-in view costs
    // what it shows.
    const Boite vue{zx0_ - kMargeDevice, zy0_ - kMargeDevice, zx1_ + kMargeDevice,
                    zy1_ + kMargeDevice};
    aplatirContours(h, matrice_, kToleranceCourbes, points_, tailles_, annulation_, &vue);
    // A boundary flattened in part when the flag was set is not painted.
    surveiller();
    if (points_.empty()) return;
    const CouleurRVB c = couleur(h);
    if (h.isPlein())
        remplir(c, RegleRemplissage::PairImpair);
    else
        motif(h, c);
}

void Parcours::motif(const Hatch& h, const CouleurRVB& couleur) {
    for (const PointPlan& p : points_)
        if (!fini(p)) return;
    Boite b = boiteDe(points_.data(), points_.size());
    if (!visible(b.x0, b.y0, b.x1, b.y1)) return;
    // Only the lines that cross the part of the hatch in the zone.
    b.x0 = std::max(b.x0, zx0_);
    b.y0 = std::max(b.y0, zy0_);
    b.x1 = std::min(b.x1, zx1_);
    b.y1 = std::min(b.y1, zy1_);
    Trait trait;
    trait.couleur = couleur;
    const bool peint = traitsMotif(
        h, matrice_, points_, tailles_, b,
        [&](const TraitMotif& t) {
            trait.tirets = t.tirets;
            trait.echelleTirets = t.echelle;
            trait.departTirets = t.depart;
            segmentDevice(t.a, t.b, trait);
        },
        annulation_);
    if (peint) return;
    // Too many lines to be worth painting: the boundary says where the
    // hatch lies.
    if (erreurs_ && !signaleHachure_)
        *erreurs_ << "Hachures trop denses : au-dela de " << kTraitsHachureMax
                  << " traits, une hachure est dessinee par son contour." << std::endl;
    signaleHachure_ = true;
    std::size_t debut = 0;
    std::vector<PointPlan> tous;
    tous.swap(points_);
    for (std::size_t t : tailles_) {
        points_.assign(tous.begin() + static_cast<long>(debut),
                       tous.begin() + static_cast<long>(debut + t));
        polyligne(true, trait);
        debut += t;
    }
}

void Parcours::dessiner(const Solid& s) {
    // DXF's order: the outline runs 1-2-4-3.
    points_.clear();
    for (int i : {0, 1, 3, 2}) points_.push_back(porte(matrice_, s.getCoin(i).x, s.getCoin(i).y));
    tailles_.assign(1, 4);
    remplir(couleur(s), RegleRemplissage::NonNul);
}

void Parcours::dessiner(const Wipeout& w) {
    points_.clear();
    for (const PointPlan& p : w.getContour()) points_.push_back(porte(matrice_, p.x, p.y));
    tailles_.assign(1, points_.size());
    remplir(fond_, RegleRemplissage::PairImpair);
}

void Parcours::dessiner(const Ellipse& e) {
    double t1 = e.getT1(), t2 = e.getT2();
    if (!fini(t1) || !fini(t2)) return;
    ramenerAngles(t1, t2, true);
    const Trait t = trait(e);
    // The unit circle carried onto the ellipse.
    const Matrice m =
        matrice_.apres(Matrice{e.getAx(), e.getAy(), e.getBx(), e.getBy(), e.getX(), e.getY()});
    if (m.inversible()) {
        const PointPlan c = porte(matrice_, e.getX(), e.getY());
        const double r = m.etirementMax();
        if (!fini(c) || !fini(r) || !disqueVisible(c.x, c.y, r)) return;
        arcCoupe(m, 0, 0, 1, t1, t2, t);
        return;
    }
    // Flat: a line of its points.
    points_.clear();
    aplatirEllipse({e.getX(), e.getY()}, {e.getAx(), e.getAy()}, {e.getBx(), e.getBy()}, t1, t2,
                   matrice_, kToleranceCourbes, points_);
    polyligne(false, t);
}

void Parcours::dessiner(const Spline& s) {
    // The curve lies within its control points, and near its fit points.
    Boite b;
    for (const auto* l : {&s.getControles(), &s.getAjustes()})
        for (const PointPlan& p : *l) b.ajouter(p.x, p.y);
    b = b.transformee(matrice_);
    const double marge = 0.25 * std::max(b.largeur(), b.hauteur());
    if (b.vide() || !visible(b.x0 - marge, b.y0 - marge, b.x1 + marge, b.y1 + marge)) return;
    points_.clear();
    aplatirSpline(s.getDegre(), s.isFermee(), s.getNoeuds(), s.getControles(), s.getPoids(),
                  s.getAjustes(), matrice_, kToleranceCourbes, points_, annulation_);
    polyligne(false, trait(s));
}

void Parcours::dessiner(const Face3D& f) {
    PointPlan c[4];
    for (int i = 0; i < 4; ++i) c[i] = porte(matrice_, f.getCoin(i).x, f.getCoin(i).y);
    const Trait t = trait(f);
    if (f.isAreteVisible(0) && f.isAreteVisible(1) && f.isAreteVisible(2) && f.isAreteVisible(3)) {
        points_.assign(c, c + 4);
        // A triangle repeats its third corner.
        if (f.getCoin(3).x == f.getCoin(2).x && f.getCoin(3).y == f.getCoin(2).y)
            points_.pop_back();
        polyligne(true, t);
        return;
    }
    for (int i = 0; i < 4; ++i)
        if (f.isAreteVisible(i)) segmentDevice(c[i], c[(i + 1) % 4], t);
}

void Parcours::dessiner(const Leader& l) {
    const auto& v = l.getSommets();
    if (v.size() < 2) return;
    const Trait t = trait(l);
    points_.clear();
    if (l.isCourbe())
        aplatirSpline(3, false, {}, {}, {}, v, matrice_, kToleranceCourbes, points_, annulation_);
    else
        for (const PointPlan& p : v) points_.push_back(porte(matrice_, p.x, p.y));
    polyligne(false, t);
    // A closed filled arrowhead on the first vertex, along the first
    // segment.
    std::array<PointPlan, 3> fleche;
    if (flecheFermee(v[0], v[1], l.getFleche(), fleche)) remplirFleche(fleche, t.couleur);
}

void Parcours::entite(const MultiLeader& m) {
    // What its block holds counts as it is walked.
    compter();
    if (masque(m))
        compter(objetsDeplies(m) - 1);
    else
        dessiner(m);
}

void Parcours::remplirFleche(const std::array<PointPlan, 3>& fleche, const CouleurRVB& couleur) {
    points_.clear();
    for (const PointPlan& p : fleche) points_.push_back(porte(matrice_, p.x, p.y));
    tailles_.assign(1, 3);
    remplir(couleur, RegleRemplissage::NonNul);
}

void Parcours::dessiner(const MultiLeader& m) {
    const Plume avant = plume_;
    plume_ = Plume{couleur(m), &typeResolu(m)};
    const FigureRepere f = figureRepere(m);
    const Trait t = trait(m.getTraits());
    for (const auto& ligne : f.lignes) {
        points_.clear();
        if (m.getGenreLignes() == 2)
            aplatirSpline(3, false, {}, {}, {}, ligne, matrice_, kToleranceCourbes, points_,
                          annulation_);
        else
            for (const PointPlan& p : ligne) points_.push_back(porte(matrice_, p.x, p.y));
        polyligne(false, t);
    }
    for (const auto& p : f.paliers) segment(p[0].x, p[0].y, p[1].x, p[1].y, t);
    for (const auto& fleche : f.fleches) remplirFleche(fleche, t.couleur);
    // Its blocks are walked as those of dimensions are.
    const Block* fleche = m.getBlocFleche();
    if (fleche && admise(*fleche))
        for (const Matrice& place : f.blocsFleches)
            placer(m.getTraits(), *fleche, matrice_.apres(place));
    if (const MText* contenu = m.getTexte()) texte(*contenu);
    const Insertion* b = m.getBloc();
    if (b && admise(b->getDefinition())) {
        placer(*b, b->getDefinition(), b->placeeDans(matrice_));
        plume_ = Plume{couleur(*b), &typeResolu(*b)};
        for (const Attribut* a : b->getAttributs())
            if (!masque(*a)) dessiner(*a);
    }
    plume_ = avant;
}
