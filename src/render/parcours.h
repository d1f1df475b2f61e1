// The walk: goes through a drawing's blocks from its root, decides what is
// seen and how it looks, writes the paint trace, and hands resolved
// primitives to a backend (rendu.h).
//
// It applies the hidden layers (without a list of its own, those off or
// frozen in the file) and leaves out the paper space; resolves colours and
// line types by layer and by block (an entity of colour 0 or line type
// BYBLOCK takes those of the insertion that places it, through any depth; at
// the top level they are 7 and continuous; an entity on layer "0" inside a
// block takes the layer of the insertion, for its colour, line type and
// visibility); composes the insertions' transforms (insertion point,
// rotation, scales, minus the base point, the mirror of an extrusion seen
// from below, the copies of a multiple insertion); leaves out what misses
// the zone; draws what is smaller than a pixel as a pixel; and bounds the
// work: insertions nested deeper than kProfondeurMax and those that would
// close a circle of blocks are left out; a hatch whose pattern would take
// more than kTraitsHachureMax lines in the zone (or whose lines would meet
// its boundary's edges more than 5,000 times as often) is drawn by its
// boundary, said once a repaint. Once nothing is traced any more (no trace,
// or its bound reached), whole insertions that miss the zone are skipped
// unwalked, and those smaller than a pixel are drawn as one.
//
// Only the traced kinds write trace lines: the copies of a multiple
// insertion after the first, and the blocks that dimensions and
// multileaders show, are walked without writing any.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <list>
#include <string>
#include <vector>

#include "model/dessin.h"
#include "model/trace.h"
#include "render/rendu.h"

struct OptionsPeinture {
    // The full viewer hides the layers named in its hidden-layer list (which
    // starts as the layers off or frozen in the file); without such a list,
    // the layers off or frozen in the file are hidden.
    bool calquesMasquables = true;
    // The earlier viewer paints no raster images.
    bool images = true;
};

// Device rectangle (x, y from the top-left corner).
struct Zone {
    double x = 0, y = 0, largeur = 0, hauteur = 0;
};

class Parcours {
  public:
    static constexpr int kProfondeurMax = 1024;
    // Lines of a hatch pattern painted at most, per hatch and repaint.
    static constexpr long kTraitsHachureMax = 10000;

    explicit Parcours(OptionsPeinture options = {});

    // Where the trace lines go; null writes none.
    void setTrace(Trace* trace) { trace_ = trace; }
    void setErreurs(std::ostream& erreurs) { erreurs_ = &erreurs; }
    // Names of the hidden layers (null: those off or frozen in the file),
    // read while walking.
    void setCalquesMasques(const std::list<std::string>* masques) { calquesMasques_ = masques; }
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
    // A counter the walk adds the objects it has met to, now and then.
    void setProgression(std::atomic<std::uint64_t>* progression) { progression_ = progression; }

    // Walks the drawing from its root insertion into `rendu`; `vue` maps
    // drawing units to device pixels. Ends by letting the backend finish;
    // false when the walk was stopped by its annulation flag. A limit is
    // said once per Parcours on the error stream, if it traces.
    bool parcourir(const Dessin& dessin, const Matrice& vue, Rendu& rendu);

    // The walk's steps, one per kind of entity: each goes through its list
    // in order, skips what lies on a hidden layer, writes one trace line per
    // object (indented by the nesting depth) and hands what is seen to the
    // backend in the user space of the block being walked.
    void drawBlocs(const std::vector<Insertion*>& blocs);
    void drawLignes(const std::vector<Line*>& lignes);
    void drawArcs(const std::vector<Arc*>& arcs);
    void drawPolylines(const std::vector<Polyline*>& polylines);
    void drawPoints(const std::vector<Point*>& points);
    void drawCercles(const std::vector<Circle*>& cercles);
    void drawTextes(const std::vector<Text*>& textes);
    void drawImages(const std::vector<Image*>& images);
    void drawHachures(const std::vector<Hatch*>& hachures);
    void drawSolides(const std::vector<Solid*>& solides);
    void drawEffacements(const std::vector<Wipeout*>& effacements);
    void drawEllipses(const std::vector<Ellipse*>& ellipses);
    void drawSplines(const std::vector<Spline*>& splines);
    void drawFaces(const std::vector<Face3D*>& faces);
    void drawLeaders(const std::vector<Leader*>& leaders);
    void drawCotations(const std::vector<Dimension*>& cotations);

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

    // One step per kind, chosen by the type of the list.
    void dessiner(const std::vector<Line*>& l) { drawLignes(l); }
    void dessiner(const std::vector<Arc*>& l) { drawArcs(l); }
    void dessiner(const std::vector<Polyline*>& l) { drawPolylines(l); }
    void dessiner(const std::vector<Point*>& l) { drawPoints(l); }
    void dessiner(const std::vector<Circle*>& l) { drawCercles(l); }
    void dessiner(const std::vector<Text*>& l) { drawTextes(l); }
    void dessiner(const std::vector<MText*>& l);
    void dessiner(const std::vector<Attribut*>& l);
    void dessiner(const std::vector<Image*>& l) { drawImages(l); }
    void dessiner(const std::vector<Insertion*>& l) { drawBlocs(l); }
    void dessiner(const std::vector<Hatch*>& l) { drawHachures(l); }
    void dessiner(const std::vector<Solid*>& l) { drawSolides(l); }
    void dessiner(const std::vector<Wipeout*>& l) { drawEffacements(l); }
    void dessiner(const std::vector<Ellipse*>& l) { drawEllipses(l); }
    void dessiner(const std::vector<Spline*>& l) { drawSplines(l); }
    void dessiner(const std::vector<Face3D*>& l) { drawFaces(l); }
    void dessiner(const std::vector<Leader*>& l) { drawLeaders(l); }
    void dessiner(const std::vector<MultiLeader*>& l);
    void dessiner(const std::vector<Dimension*>& l) { drawCotations(l); }

    bool tracer() const { return trace_ && !trace_->coupee(); }
    // The layer an entity is seen on: its own, or for layer "0" inside a
    // block, the insertion's.
    const Layer* calqueDe(const Entity& e) const {
        const Layer* c = e.getCalque();
        return calqueBloc_ && c && c->isZero() ? calqueBloc_ : c;
    }
    // Whether an entity is left out: on a hidden layer, or in paper space.
    bool masque(const Entity& e) { return e.isEspacePapier() || masqueCalque(calqueDe(e)); }
    bool masqueCalque(const Layer* calque);
    void ligneTrace(const char* texte, int decalage = 0);
    // Counts `n` objects met; now and then reports progress and looks at
    // the annulation flag.
    void compter(double n = 1);
    // Whether an insertion may be walked; says once why not.
    bool admise(const Block& definition);
    void fixerMatrice(const Matrice& m, bool peignable);
    // Walks the contents of `definition` placed by `m`, for `porteur` (the
    // insertion or dimension whose pen and layer they take); painted unless
    // `peignable` is false.
    void parcourirDefinition(const Entity& porteur, const Block& definition, const Matrice& m,
                             bool peignable);
    // One copy of a definition placed by `m`: traced when `tracee`, walked
    // only when seen otherwise; smaller than a pixel, the pixel of its box.
    void placer(const Entity& porteur, const Block& definition, const Matrice& m, bool tracee);

    CouleurRVB couleur(const Entity& e) const;
    CouleurRVB couleurCalque(const Layer& c) const;
    const TypeLigne& typeResolu(const Entity& e) const;
    Trait trait(const Entity& e, const CouleurRVB& c) const;
    Trait trait(const Entity& e) const { return trait(e, couleur(e)); }

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
    // The lines of a hatch's pattern over its boundary polygons (points_).
    void motif(const Hatch& h, const CouleurRVB& couleur);
    // A multileader's lines, arrowheads and landings, then its text or its
    // block and attributes; what is by block in them is the multileader's.
    void multileader(const MultiLeader& m);
    // Hands a text to the backend when it is seen; a text whose capitals
    // would be under a pixel high is a bar where its lines lie, or nothing
    // when that bar is under a pixel long.
    void texte(const Text& t);
    // The font that a text's style names.
    const std::string& police(const Text& t);

    Rendu* rendu_ = nullptr;
    const Dessin* dessin_ = nullptr;
    const Insertion* racine_ = nullptr;
    OptionsPeinture options_;
    Trace* trace_ = nullptr;
    bool parle_ = false;  // whether limits are said (the tracing walk)
    std::ostream* erreurs_ = &std::cerr;
    const std::list<std::string>* calquesMasques_ = nullptr;
    const std::atomic<bool>* annulation_ = nullptr;
    std::atomic<std::uint64_t>* progression_ = nullptr;

    double zx0_, zy0_, zx1_, zy1_;
    int nbBandes_ = 1, rangBande_ = 0;
    double hauteurBande_ = 0, origineBandes_ = 0;
    double hauteurVue_ = 0;

    // State of the walk in progress.
    int niveau = 0;
    Matrice matrice_;            // user space of the current block -> device
    bool peignable_ = true;      // false inside a degenerate insertion: trace only
    double echelleTrait_ = 1.0;  // device length of one user unit (dashes)
    double echelleMax_ = 1.0;    // upper bound of the same along any direction
    double taillePoint_ = 0;     // device size of the figure of points
    double margePoints_ = 0;     // how far figures reach beyond boxes, if drawn
    Plume plume_;
    const Layer* calqueBloc_ = nullptr;  // what layer "0" stands for
    std::vector<const Block*> chemin_;   // the definitions being walked
    double comptes_ = 0;                 // objects met, not yet reported
    bool tronque_ = false;
    bool signaleProfondeur_ = false, signaleHachure_ = false;
    const Layer* dernierCalque_ = nullptr;
    bool dernierMasque_ = false;
    const std::string* dernierStyle_ = nullptr;
    const std::string* dernierePolice_ = nullptr;

    // Device points of the shape being handed over, and the sizes of its
    // polygons.
    std::vector<PointPlan> points_;
    std::vector<std::size_t> tailles_;
    std::vector<double> coupures_;
};
