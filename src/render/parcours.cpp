#include "render/parcours.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/etendue.h"
#include "model/disposition.h"

namespace {

constexpr double kDeuxPi = 6.283185307179586;
// Margin around band edges, in device pixels: half a line width, the
// antialiasing fringe, and some slack for rounding.
constexpr double kMarge = 2.0;
// Objects met between two looks at the annulation flag.
constexpr double kPasComptage = 4096;
// Texts whose capitals are lower than this, in device pixels, get no glyph
// work: a bar where their lines lie.
constexpr double kHauteurLisible = 1.0;
// The most bars of one text (its first lines).
constexpr int kBarresMax = 16;

bool fini(double v) { return std::isfinite(v); }

}  // namespace

Parcours::Parcours(OptionsPeinture options) : options_(options) {
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
    niveau = 0;
    chemin_.clear();
    comptes_ = 0;
    tronque_ = false;
    dernierCalque_ = nullptr;
    const Insertion& racine = dessin.getInsertionRacine();
    plume_ = Plume{couleurDXF(7), &racine.getType()};
    fixerMatrice(vue, true);
    const std::vector<Insertion*> racines{const_cast<Insertion*>(&racine)};
    bool complet = true;
    try {
        drawBlocs(racines);
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

void Parcours::compter(double n) {
    comptes_ += n;
    if (comptes_ < kPasComptage) return;
    if (progression_) progression_->fetch_add(static_cast<std::uint64_t>(comptes_));
    comptes_ = 0;
    if (annulation_ && annulation_->load(std::memory_order_relaxed)) throw Annulee{};
}

void Parcours::fixerMatrice(const Matrice& m, bool peignable) {
    matrice_ = m;
    peignable_ = peignable && m.inversible();
    echelleTrait_ = std::sqrt(std::fabs(m.determinant()));
    echelleMax_ = std::sqrt(m.xx * m.xx + m.yx * m.yx + m.xy * m.xy + m.yy * m.yy);
}

bool Parcours::masque(const Layer* calque) {
    if (!options_.calquesMasquables || !calquesMasques_ || calquesMasques_->empty() || !calque)
        return false;
    if (calque == dernierCalque_) return dernierMasque_;
    dernierCalque_ = calque;
    dernierMasque_ = std::find(calquesMasques_->begin(), calquesMasques_->end(),
                               calque->nomRef()) != calquesMasques_->end();
    return dernierMasque_;
}

void Parcours::ligneTrace(const char* texte, int decalage) {
    if (!tracer()) return;
    trace_->tabulations(niveau + decalage);
    *trace_ << texte;
    trace_->finLigne();
}

CouleurRVB Parcours::couleur(const Entity& e) const {
    if (e.getCouleurBrute() == 0) return plume_.couleur;
    return couleurDXF(e.getCouleur());
}

const TypeLigne& Parcours::typeResolu(const Entity& e) const {
    const TypeLigne& t = e.getType();
    if (t.parCalque()) return e.getCalque()->getType();
    if (t.parBloc()) return *plume_.type;
    return t;
}

Trait Parcours::trait(const Entity& e, const CouleurRVB& c) const {
    Trait t;
    t.couleur = c;
    if (!typeResolu(e).continu()) t.tirets = &kTiretsParDefaut;
    t.echelleTirets = echelleTrait_;
    return t;
}

bool Parcours::visible(double x0, double y0, double x1, double y1) const {
    if (!(x1 >= zx0_ && x0 <= zx1_ && y1 >= zy0_ && y0 <= zy1_)) return false;
    if (nbBandes_ <= 1) return true;
    // Painting by bands: only the rows of this walk's bands count.
    y0 -= kMarge;
    y1 += kMarge;
    if (y1 - y0 >= hauteurBande_ * (nbBandes_ - 1)) return true;
    const long k0 = static_cast<long>(std::floor((y0 - origineBandes_) / hauteurBande_));
    const long k1 = static_cast<long>(std::floor((y1 - origineBandes_) / hauteurBande_));
    for (long k = k0; k <= k1; ++k)
        if (((k % nbBandes_) + nbBandes_) % nbBandes_ == rangBande_) return true;
    return false;
}

void Parcours::segment(double x1, double y1, double x2, double y2, const Trait& trait) {
    if (x1 == x2 && y1 == y2) return;  // nothing to see: butt ends on a point
    matrice_.appliquer(x1, y1);
    matrice_.appliquer(x2, y2);
    if (!fini(x1) || !fini(y1) || !fini(x2) || !fini(y2)) return;
    if (!visible(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2))) return;
    if (std::fabs(x2 - x1) < 1 && std::fabs(y2 - y1) < 1) {
        rendu_->pixel((x1 + x2) / 2, (y1 + y2) / 2, trait.couleur);
        return;
    }
    rendu_->segment(x1, y1, x2, y2, trait);
}

void Parcours::arcOuCercle(double cx, double cy, double rayon, double a1, double a2,
                           const Trait& trait) {
    if (!fini(cx) || !fini(cy) || !fini(rayon) || !fini(a1) || !fini(a2)) return;
    if (!(rayon > 0)) return;  // a lone point: nothing to see
    double dx = cx, dy = cy;
    matrice_.appliquer(dx, dy);
    const double r = rayon * echelleMax_;
    if (!fini(dx) || !fini(dy) || !fini(r) || !disqueVisible(dx, dy, r)) return;
    if (r < 0.5) {
        rendu_->pixel(dx, dy, trait.couleur);
        return;
    }
    // More than a full turn paints the same pixels as one turn.
    if (a2 - a1 > kDeuxPi) a2 = a1 + kDeuxPi;
    rendu_->arc(matrice_, cx, cy, rayon, a1, a2, trait);
}

bool Parcours::admise(const Block& definition) {
    // Blocks that insert one another in a circle: the insertion that would
    // close the circle is left out, like a hidden one.
    if (std::find(chemin_.begin(), chemin_.end(), &definition) != chemin_.end()) return false;
    if (niveau >= kProfondeurMax) {
        if (tracer() && !signaleProfondeur_)
            *erreurs_ << "Dessin trop imbrique : les blocs au-dela de " << kProfondeurMax
                      << " niveaux ne sont pas dessines." << std::endl;
        signaleProfondeur_ = true;
        tronque_ = true;
        return false;
    }
    return true;
}

void Parcours::drawBlocs(const std::vector<Insertion*>& liste) {
    for (const Insertion* b : liste) {
        compter();
        if (masque(b->getCalque())) continue;
        const Block& def = b->getDefinition();
        if (!admise(def)) continue;
        // Untraced, an insertion is walked only when it is seen and larger
        // than a pixel; smaller, it is its extent's pixel.
        const Matrice placement = b->placeeDans(matrice_);
        const Boite boite = etendue(def).transformee(placement);
        // The root is never collapsed; a degenerate placement paints nothing.
        const bool petit = niveau > 0 && placement.inversible() && !boite.vide() &&
                           boite.largeur() < 1 && boite.hauteur() < 1;
        if (!tracer()) {
            if (!peignable_ || boite.vide() || !visible(boite.x0, boite.y0, boite.x1, boite.y1)) {
                compter(def.cacheEtendue.objets);
                continue;
            }
            if (petit) {
                rendu_->pixel((boite.x0 + boite.x1) / 2, (boite.y0 + boite.y1) / 2, couleur(*b));
                compter(def.cacheEtendue.objets);
                continue;
            }
        }
        const std::string& nom = def.nomRef();
        const double x = b->getX(), y = b->getY();
        if (tracer()) {
            trace_->tabulations(niveau);
            *trace_ << "bloc : " << nom;
            trace_->finLigne();
            trace_->tabulations(niveau);
            *trace_ << "translation a x : " << x << ", y : " << y;
            trace_->finLigne();
        }

        // Placed as DXF places an insertion; undone by restoring the saved
        // matrix, so no rounding error builds up. A zero scale (or any
        // transform that cannot be inverted) paints nothing inside, but the
        // contents are still traced.
        const Matrice avant = matrice_;
        const bool peignableAvant = peignable_;
        const Plume plumeAvant = plume_;
        fixerMatrice(placement, peignableAvant && !petit);
        if (petit && peignableAvant && visible(boite.x0, boite.y0, boite.x1, boite.y1))
            rendu_->pixel((boite.x0 + boite.x1) / 2, (boite.y0 + boite.y1) / 2, couleur(*b));
        // What the by-block entities inside take: the insertion's own
        // colour and line type, resolved in the enclosing insertion.
        plume_ = Plume{couleur(*b), &typeResolu(*b)};

        ++niveau;
        chemin_.push_back(&def);
        pourChaqueGenre(GenresEntites{}, [&](auto* genre) {
            using T = std::remove_pointer_t<decltype(genre)>;
            dessiner(def.liste<T>());
        });
        chemin_.pop_back();
        --niveau;

        // The insertion's attributes lie in the space of the insertion
        // itself; their by-block properties are the insertion's.
        fixerMatrice(avant, peignableAvant);
        if (!b->getAttributs().empty()) dessiner(b->getAttributs());
        plume_ = plumeAvant;
        if (tracer()) {
            trace_->tabulations(niveau);
            *trace_ << "translation a x : " << -x << ", y : " << -y;
            trace_->finLigne();
            trace_->tabulations(niveau);
            *trace_ << "fin du bloc : " << nom;
            trace_->finLigne();
            trace_->finLigne();
        }
    }
}

void Parcours::drawLignes(const std::vector<Line*>& liste) {
    for (const Line* l : liste) {
        compter();
        if (masque(l->getCalque())) continue;
        ligneTrace("ligne");
        if (!peignable_) continue;
        segment(l->getX(), l->getY(), l->getX2(), l->getY2(), trait(*l));
    }
}

void Parcours::drawArcs(const std::vector<Arc*>& liste) {
    for (const Arc* a : liste) {
        compter();
        if (masque(a->getCalque())) continue;
        ligneTrace("arc");
        if (!peignable_) continue;
        arcOuCercle(a->getX(), a->getY(), a->getRayon(), a->getAngle1(), a->getAngle2(), trait(*a));
    }
}

void Parcours::drawCercles(const std::vector<Circle*>& liste) {
    for (const Circle* c : liste) {
        compter();
        if (masque(c->getCalque())) continue;
        ligneTrace("cercle");
        if (!peignable_) continue;
        arcOuCercle(c->getX(), c->getY(), c->getRayon(), 0, kDeuxPi, trait(*c));
    }
}

void Parcours::drawPoints(const std::vector<Point*>& liste) {
    for (const Point* p : liste) {
        compter();
        if (masque(p->getCalque())) continue;
        ligneTrace("point");
        if (!peignable_) continue;
        double dx = p->getX(), dy = p->getY();
        matrice_.appliquer(dx, dy);
        if (!fini(dx) || !fini(dy) || !disqueVisible(dx, dy, echelleMax_)) continue;
        if (echelleMax_ < 0.5)
            rendu_->pixel(dx, dy, couleur(*p));
        else
            rendu_->point(matrice_, p->getX(), p->getY(), couleur(*p));
    }
}

void Parcours::drawPolylines(const std::vector<Polyline*>& liste) {
    for (const Polyline* p : liste) {
        const auto& sommets = p->getPoints();
        compter(1 + static_cast<double>(sommets.size()));
        if (masque(p->getCalque())) continue;
        ligneTrace("polyline");
        if (tracer())
            for (std::size_t i = 0; i < sommets.size(); ++i) ligneTrace("polypoint", 1);
        if (!peignable_ || sommets.empty()) continue;
        // Each segment takes the colour of the vertex it ends at; the dashes
        // are the polyline's.
        const Trait base = trait(*p, CouleurRVB{0, 0, 0});
        auto traitVers = [&](const Point& v) {
            Trait t = base;
            t.couleur = couleur(v);
            return t;
        };
        for (std::size_t i = 1; i < sommets.size(); ++i)
            segment(sommets[i - 1]->getX(), sommets[i - 1]->getY(), sommets[i]->getX(),
                    sommets[i]->getY(), traitVers(*sommets[i]));
        // Closed (bit 1 of the flags): from the first vertex to the last, in
        // the last vertex's colour.
        if (p->isFermee()) {
            const Point& premier = *sommets.front();
            const Point& dernier = *sommets.back();
            segment(premier.getX(), premier.getY(), dernier.getX(), dernier.getY(),
                    traitVers(dernier));
        }
    }
}

void Parcours::drawTextes(const std::vector<Text*>& liste) {
    for (const Text* t : liste) {
        compter();
        if (masque(t->getCalque())) continue;
        ligneTrace("texte");
        if (peignable_) texte(*t);
    }
}

void Parcours::dessiner(const std::vector<MText*>& liste) {
    for (const MText* t : liste)
        if (peignable_ && !masque(t->getCalque())) texte(*t);
}

void Parcours::dessiner(const std::vector<Attribut*>& liste) {
    if (!peignable_) return;
    for (const Attribut* a : liste)
        if (a->isPeint() && !masque(a->getCalque())) texte(*a);
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
    const double marge = (b.largeur() + b.hauteur()) / 2 + h * echelleMax_ + kMarge;
    if (!fini(marge) || !visible(b.x0 - marge, b.y0 - marge, b.x1 + marge, b.y1 + marge)) return;
    const CouleurRVB c = couleur(t);
    if (h * echelleMax_ >= kHauteurLisible) {
        const CouleurRVB calque = couleurDXF(t.getCalque()->getCouleur());
        rendu_->texte(matrice_, TexteAPeindre{t.getX(), t.getY(), t.texteRef(), police(t), h, c,
                                              t.getDisposition(), calque, plume_.couleur});
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

void Parcours::drawImages(const std::vector<Image*>& liste) {
    if (!options_.images) return;
    for (const Image* i : liste) {
        compter();
        if (masque(i->getCalque())) continue;
        ligneTrace("image");
        if (!peignable_) continue;
        rendu_->image(matrice_, *i, couleur(*i));
    }
}
