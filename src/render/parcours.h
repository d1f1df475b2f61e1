// The walk: goes through a drawing's blocks from its root, decides what is
// seen and how it looks, and hands resolved primitives to a backend
// (rendu.h).
//
// Each block's entities are painted in the block's order (the file's, or
// its sort table's), whatever their kinds, so that what comes later covers
// what came before. The walk applies the hidden layers (without a list of
// its own, those off or frozen in the file) and leaves out the paper space;
// resolves colours and line types by layer and by block (an entity of
// colour 0 or line type BYBLOCK takes those of the insertion that places
// it, through any depth; at the top level they are 7 and continuous; an
// entity on layer "0" inside a block takes the layer of the insertion, for
// its colour, line type and visibility); composes the insertions'
// transforms (insertion point, rotation, scales, minus the base point, the
// mirror of an extrusion seen from below, the copies of a multiple
// insertion); skips unwalked the insertions that miss the zone, and draws
// those smaller than a pixel as one pixel, as it does any smaller object;
// and bounds the work: insertions nested deeper than kProfondeurMax and
// those that would close a circle of blocks are left out; a hatch whose
// pattern would take too many lines in the zone (model/hachures.h) is drawn
// by its boundary, said once a repaint. Of a multiple
// insertion, only the copies that meet the zone are met, and never more
// than about the zone's pixels (see copies).
//
// The paint trace is not the walk's: see TraceDessin.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "model/decoupe.h"
#include "model/dessin.h"
#include "render/imbrication.h"
#include "render/mise_en_page.h"
#include "render/rendu.h"

// Device rectangle (x, y from the top-left corner).
struct Zone {
    double x = 0, y = 0, largeur = 0, hauteur = 0;
};

class Parcours : private Imbrication {
  public:
    // The most points of a polyline handed to the backend at once.
    static constexpr std::size_t kPointsMorceau = 1024;

    explicit Parcours(OptionsPeinture options = {});

    // Where the limits of the walk are said (null: nowhere); the standard
    // error stream by default.
    void setErreurs(std::ostream& erreurs) { erreurs_ = &erreurs; }
    void setSilencieux() { erreurs_ = nullptr; }
    using Imbrication::setCalquesMasques;
    using Imbrication::setFeuille;
    // The device rectangle where primitives are seen (by default everything).
    void setZone(double x0, double y0, double x1, double y1);
    // Only the rows of the bands of rank `rang` among `nombre`, each
    // `hauteur` rows from `origine`, dealt out in turn, count as seen.
    void setBandes(int nombre, int rang, double hauteur, double origine);
    // The height in pixels of the whole view, of which points take a share
    // (see Dessin::getTaillePoints).
    void setHauteurVue(double hauteur) { hauteurVue_ = hauteur; }
    // A flag that stops the walk soon after it is set (null: never).
    void setAnnulation(const std::atomic<bool>* annulation) { annulation_ = annulation; }
    // Whether blocks of many entities are walked through their index (see
    // Peintre::setIndex).
    void setIndex(bool oui) { index_ = oui; }
    // A counter the walk adds the objects it has met to, now and then.
    void setProgression(std::atomic<std::uint64_t>* progression) { progression_ = progression; }
    // The background painted on (white by default): what wipeouts paint,
    // and what colour 7 and the true colours near it stand out from.
    void setFond(const CouleurRVB& fond) { fond_ = fond; }

    // Walks the drawing from its root insertion into `rendu`; `vue` maps
    // drawing units to device pixels. Ends by letting the backend finish;
    // false when the walk was stopped by its annulation flag. The depth
    // limit is said once per Parcours, the hatch limit once per walk.
    bool parcourir(const Dessin& dessin, const Matrice& vue, Rendu& rendu);

    int getNiveau() const { return niveau; }
    // Whether a limit left something out during the last walk.
    bool estTronque() const { return tronque_; }

  private:
    // The insertion being walked: what its by-block entities take.
    struct Plume {
        CouleurRVB couleur{0, 0, 0};
        const TypeLigne* type = nullptr;  // never by layer or by block
    };
    // Thrown through the walk when its annulation flag is seen set.
    struct Annulee {};

    // One entity met in a block's order: counted, left out when hidden,
    // painted by its kind's step.
    template <class T>
    void entite(const T& e);
    void entite(const Insertion& b);
    void entite(const Dimension& d);
    void entite(const MultiLeader& m);

    // The steps, one per kind: each hands what is seen of one entity to
    // the backend in the user space of the block being walked.
    void dessiner(const Line& l);
    void dessiner(const Arc& a);
    void dessiner(const Circle& c);
    void dessiner(const Point& p);
    void dessiner(const Polyline& p);
    void dessiner(const Text& t) { texte(t); }
    void dessiner(const MText& t) { texte(t); }
    void dessiner(const Attribut& a) {
        if (a.isPeint()) texte(a);
    }
    void dessiner(const Image& i);
    void dessiner(const Hatch& h);
    void dessiner(const Solid& s);
    void dessiner(const Wipeout& w);
    void dessiner(const Ellipse& e);
    void dessiner(const Spline& s);
    void dessiner(const Face3D& f);
    void dessiner(const Leader& l);
    // A multileader's lines, arrowheads and landings, then its text or its
    // block and attributes; what is by block in them is the multileader's.
    void dessiner(const MultiLeader& m);

    // Counts `n` objects met; now and then reports progress and looks at
    // the annulation flag.
    void compter(double n = 1);
    // Whether an insertion may be walked; says once why not.
    bool admise(const Block& definition);
    // Blocks nested too deep are left out: said once.
    void tropProfond();
    void fixerMatrice(const Matrice& m);
    // Walks the contents of `definition` placed by `m`, for `porteur` (the
    // insertion or dimension whose pen and layer they take).
    void parcourirDefinition(const Entity& porteur, const Block& definition, const Matrice& m);
    // One copy of a definition placed by `m`: walked only when seen;
    // smaller than a pixel, the pixel of its box.
    void placer(const Entity& porteur, const Block& definition, const Matrice& m);
    // The copies of a multiple insertion that meet the zone, in its order;
    // more of them than the zone has pixels: one block when each is under
    // a pixel, otherwise one in so many (said once a walk).
    void copies(const Insertion& b, const Block& definition);

    CouleurRVB couleur(const Entity& e) const;
    CouleurRVB couleurCalque(const Layer& c) const;
    const TypeLigne& typeResolu(const Entity& e) const;
    Trait trait(const Entity& e, const CouleurRVB& c) const;
    Trait trait(const Entity& e) const { return trait(e, couleur(e)); }

    // The zone (with the figures of points around it) in the user space
    // of the block being walked; false when it has none there.
    bool zoneLocale(Boite& zone) const;
    // Device bounding box test against the zone and the bands.
    bool visible(double x0, double y0, double x1, double y1) const;
    bool disqueVisible(double cx, double cy, double rayon) const {
        return visible(cx - rayon, cy - rayon, cx + rayon, cy + rayon);
    }
    // Hands the segment (x1, y1)-(x2, y2) of user space to the backend when
    // it is seen, as a pixel when it is shorter than one; `trait` makes its
    // stroke, asked only then.
    template <class F>
    void segment(double x1, double y1, double x2, double y2, const F& trait);
    void segment(double x1, double y1, double x2, double y2, const Trait& t);
    // The same for a segment of device points.
    void segmentDevice(const PointPlan& a, const PointPlan& b, const Trait& trait);
    // Hands what lies in the zone of the device segment a-b to the backend,
    // its dashes where the whole segment would have them.
    void segmentCoupe(PointPlan a, PointPlan b, const Trait& trait);
    // Hands what lies in the zone of the arc of (cx, cy, rayon) of user
    // space `m`, from a1 to a2 (a1 <= a2), to the backend.
    void arcCoupe(const Matrice& m, double cx, double cy, double rayon, double a1, double a2,
                  const Trait& trait);
    // Hands a device polyline to the backend in pieces of at most
    // kPointsMorceau points, its dashes running on from one to the next,
    // looking at the annulation flag after each.
    void morceaux(const PointPlan* p, std::size_t n, bool fermee, const Trait& trait);
    // Stops the walk when its annulation flag is set.
    void surveiller() const;
    Boite zone() const { return Boite{zx0_, zy0_, zx1_, zy1_}; }
    template <class F>
    void arcOuCercle(double cx, double cy, double rayon, double a1, double a2, const F& trait);
    // The segment from vertex `a` to `b` with the bulge of `a`.
    template <class F>
    void segmentRenfle(const Sommet& a, const Sommet& b, const F& trait);
    void segmentRenfle(const Sommet& a, const Sommet& b, const Trait& t);
    // Hands the device polyline in points_ to the backend when it is seen.
    void polyligne(bool fermee, const Trait& trait);
    // Fills the device polygons in points_ and tailles_ when they are seen.
    void remplir(const CouleurRVB& couleur, RegleRemplissage regle);
    // The bands of a polyline with widths; false when they are thinner than
    // a pixel, to be stroked as lines.
    bool bandes(const Polyline& p);
    void maillage(const Polyline& p, const Trait& base);
    // A closed arrowhead in the block's units, filled.
    void remplirFleche(const std::array<PointPlan, 3>& fleche, const CouleurRVB& couleur);
    // Hands the lines of a hatch's pattern over its boundary polygons
    // (points_, tailles_) to the backend, or the boundary when they are
    // too many.
    void motif(const Hatch& h, const CouleurRVB& couleur);
    // Lays a text out and hands it to the backend when it is seen; a text
    // whose capitals would be under a pixel high is a bar where its lines
    // lie, or nothing when that bar is under a pixel long.
    void texte(const Text& t);
    // The font that a text's style names.
    const std::string& police(const Text& t);

    Rendu* rendu_ = nullptr;
    const Dessin* dessin_ = nullptr;
    std::ostream* erreurs_ = &std::cerr;
    const std::atomic<bool>* annulation_ = nullptr;
    std::atomic<std::uint64_t>* progression_ = nullptr;

    double zx0_, zy0_, zx1_, zy1_;
    int nbBandes_ = 1, rangBande_ = 0;
    double hauteurBande_ = 0, origineBandes_ = 0;
    double hauteurVue_ = 0;
    bool index_ = true;
    CouleurRVB fond_ = kFond;

    // State of the walk in progress.
    Matrice matrice_;            // user space of the current block -> device
    double echelleTrait_ = 1.0;  // device length of one user unit (dashes)
    double echelleMax_ = 1.0;    // upper bound of the same along any direction
    double taillePoint_ = 0;     // device size of the figure of points
    double margePoints_ = 0;     // how far figures reach beyond boxes, if drawn
    Plume plume_;
    double comptes_ = 0;       // objects met, not yet reported
    double comptesTotal_ = 0;  // objects met since the walk began
    // The places an index found, for each depth being walked.
    std::vector<std::vector<std::uint32_t>> places_;
    bool tronque_ = false;
    bool signaleProfondeur_ = false, signaleHachure_ = false, signaleCopies_ = false;
    const std::string* dernierStyle_ = nullptr;
    const std::string* dernierePolice_ = nullptr;

    // Device points of the shape being handed over, and the sizes of its
    // polygons.
    std::vector<PointPlan> points_;
    std::vector<std::size_t> tailles_;
    std::vector<std::pair<std::size_t, std::size_t>> aretes_;
    // What a stroke cut to the zone keeps.
    std::vector<PointPlan> coupes_;
    std::vector<Troncon> troncons_;
    std::vector<Plage> plages_;
};
