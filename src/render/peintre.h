// The painters: they turn a drawing model into cairo calls on any cairo
// context (a window, an image surface, an SVG or PDF file) and write the paint
// trace. Both viewers and the headless renderer paint through this class.
#pragma once

#include <cairo.h>
#include <cairomm/context.h>

#include <cstddef>
#include <iostream>
#include <list>
#include <mutex>
#include <string>
#include <vector>

#include "model/objects.h"
#include "model/trace.h"
#include "render/images.h"

// The smallest view scale; zooming out further does nothing.
constexpr double kEchelleMin = 0.25;

// Reads a scale given as text: true and the value when the whole text is a
// number at least kEchelleMin, false otherwise.
bool lireEchelle(const char* texte, double& echelle);

struct OptionsPeinture {
    // The full viewer hides the layers named in its hidden-layer list; the
    // earlier viewer paints every layer.
    bool calquesMasquables = true;
    // The earlier viewer paints no raster images.
    bool images = true;
};

// Rectangle in device pixels (x, y from the top-left corner).
struct Zone {
    double x = 0, y = 0, largeur = 0, hauteur = 0;
};

struct CouleurRVB {
    double r, g, b;
};

// The colour of a DXF colour index: row `indice` of dxflib's dxfColors table,
// except that index 7 (white in the table) is painted in the foreground
// colour, black, since the drawings are shown on a light background. An index
// outside 0..255 is taken by its absolute value (a layer switched off in the
// file has a negative colour); 256 (by layer, on a layer without a colour)
// and whatever is still out of range count as 7.
CouleurRVB couleurDXF(int indice);

// Frees the font caches that cairo and fontconfig keep until the process
// ends, so that leak checkers report only real leaks. Called at the very end
// of a program: no cairo object may be in use any more.
void libererPolices();

class Peintre {
  public:
    explicit Peintre(Trace& trace, OptionsPeinture options = {});

    // Paints a whole drawing from its root block: clips to `zone`, sets a
    // one-pixel line width, puts the drawing's origin at the bottom-left
    // corner of a widget `hauteur` pixels high with y up, scales by
    // `echelle`, and walks the blocks. The context starts in device
    // coordinates; it is left as it was found.
    void peindre(const Cairo::RefPtr<Cairo::Context>& cr, Block& racine, double echelle,
                 double hauteur, const Zone& zone, const std::list<std::string>& calquesMasques);

    // The painters, one per kind of model object. Each walks its list in
    // order, skips the objects on hidden layers, writes one trace line per
    // object (indented by the nesting depth) and paints with the context's
    // current transform as the drawing's user space. Block insertions are
    // placed as DXF places them (insertion point, rotation, scales, minus the
    // base point); one that would close a circle of blocks is left out.
    // Strokes are one device pixel wide whatever the scales; dashes are 10
    // on, 4 off in the units of the block being painted. Objects whose device
    // bounds miss the context's clip are traced but cost no cairo work, and
    // consecutive primitives of the same colour and dashes that leave each
    // other's rows are stroked together. Called from outside peindre, they
    // paint every layer.
    void drawBlocs(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Block*>& blocs);
    void drawLignes(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Line*>& lignes);
    void drawArcs(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Arc*>& arcs);
    void drawPolylines(const Cairo::RefPtr<Cairo::Context>& cr,
                       const std::vector<Polyline*>& polylines);
    void drawPoints(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Point*>& points);
    void drawCercles(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Circle*>& cercles);
    void drawImages(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Image*>& images);
    void drawTextes(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<Text*>& textes);

    // The dash pattern of broken line types, in drawing units: 10 on, 4 off.
    static constexpr double traitPointille[2] = {10.0, 4.0};

    // The decoded raster images, kept between repaints. A viewer keeps one
    // Peintre for its lifetime so that each picture is decoded once.
    CacheImages& cacheImages() { return images_; }

    // The nesting depth of the block being painted (0 between repaints).
    int getNiveau() const { return niveau; }

    // Limits of one repaint, against drawings whose blocks nest without end
    // or multiply one another: insertions deeper than kProfondeurMax, and
    // those met once `objetsMax` objects have been walked (by default
    // 20 million, eight times what a million-entity drawing expands to), are
    // left out (no paint, no trace), and a message says so once on the
    // error stream.
    static constexpr int kProfondeurMax = 1024;
    void setObjetsMax(std::size_t n) { objetsMax_ = n; }
    void setErreurs(std::ostream& erreurs) { erreurs_ = &erreurs; }

    // How many threads may share a repaint on an image surface (each takes
    // bands of rows of its own; the trace is written by the calling thread
    // alone). 1 paints on the calling thread only. Defaults to the number of
    // processors, at most 4.
    void setFils(int n) { fils_ = n < 1 ? 1 : n; }
    int getFils() const { return fils_; }

    // Whether consecutive primitives of the same colour and dashes share one
    // stroke (the default). Off, every primitive is stroked on its own: the
    // reference that the batched strokes are checked against.
    void setRegroupement(bool oui) { regrouper_ = oui; }

  private:
    // What the batch being built will be painted with.
    enum class Mode { Trait, RemplirEtTrait };

    class Session;
    friend class Session;

    // The rows painted by one of several painters sharing a repaint: bands
    // of `hauteur` rows from `origine`, dealt out in turn; this one's are
    // those of rank `rang` among `nombre`.
    struct Bandes {
        int nombre = 1, rang = 0;
        double hauteur = 0, origine = 0;
    };

    void peindreSur(cairo_t* c, Block& racine, double echelle, double hauteur, const Zone& zone);
    bool peindreEnBandes(cairo_t* c, Block& racine, double echelle, double hauteur,
                         const Zone& zone);

    bool masque(const Layer* calque);
    void blocs(const std::vector<Block*>& liste);
    void lignes(const std::vector<Line*>& liste);
    void arcs(const std::vector<Arc*>& liste);
    void polylines(const std::vector<Polyline*>& liste);
    void points(const std::vector<Point*>& liste);
    void cercles(const std::vector<Circle*>& liste);
    void textes(const std::vector<Text*>& liste);
    void images(const std::vector<Image*>& liste);

    void ligneTrace(const char* texte);
    // Device bounding box test against the exposed zone.
    bool visible(double x0, double y0, double x1, double y1) const;
    bool disqueVisible(double cx, double cy, double rayon) const;
    // Adds the segment (x1, y1)-(x2, y2) in user coordinates to the batch;
    // `pointilleDe()` tells whether it is dashed (asked only when it is seen).
    template <class Pointille>
    void segment(double x1, double y1, double x2, double y2, int couleur, Pointille pointilleDe);
    void arcOuCercle(double cx, double cy, double rayon, double a1, double a2, const CouleurRVB& c,
                     bool pointille, Mode mode);
    // Makes the batch ready to take a primitive of this kind; flushes the
    // previous one when it differs.
    void preparer(const CouleurRVB& c, bool pointille, double decalage, Mode mode, double y0,
                  double y1);
    // Paints and empties the batch.
    void vider();
    void matriceCourante();
    // Shows a text upright at (x, y) with the current font and colour.
    void texteDroit(double x, double y, const std::string& texte);
    // Sets the current transform (and what is derived from it).
    void fixerMatrice(const cairo_matrix_t& m, bool peignable);

    Trace& trace_;
    OptionsPeinture options_;
    CacheImages images_;
    int niveau = 0;
    int fils_;
    bool tracer_ = true;
    bool regrouper_ = true;
    Bandes bandes_;
    CacheImages* cachePartage_ = nullptr;  // the cache of the painter this one helps
    std::mutex* verrouCache_ = nullptr;    // held while the cache is used, when shared

    // State of the repaint in progress.
    cairo_t* cr_ = nullptr;
    const std::list<std::string>* calquesMasques_ = nullptr;
    const Layer* dernierCalque_ = nullptr;
    bool dernierMasque_ = false;
    cairo_matrix_t matrice_{};   // user space of the current block -> device
    bool matriceAJour_ = false;  // whether cairo's CTM is matrice_
    bool peignable_ = true;      // false inside a degenerate insertion: trace only
    double echelleTrait_ = 1.0;  // device length of one user unit (dashes)
    double echelleMax_ = 1.0;    // upper bound of the same along any direction
    double zx0_ = 0, zy0_ = 0, zx1_ = 0, zy1_ = 0;  // exposed zone, device
    std::vector<const std::string*> chemin_;        // names of the blocks being painted
    std::size_t objets_ = 0;                        // objects walked so far
    std::size_t objetsMax_ = 20000000;
    std::ostream* erreurs_ = &std::cerr;
    bool signaleProfondeur_ = false, signaleVolume_ = false;

    // The batch: subpaths added but not painted yet.
    std::size_t lot_ = 0;
    CouleurRVB couleurLot_{0, 0, 0};
    bool pointilleLot_ = false;
    double echelleLot_ = 0;  // device length of one unit of the dashes
    double decalageLot_ = 0;
    Mode modeLot_ = Mode::Trait;
    double lotY0_ = 0, lotY1_ = 0;  // device rows the batch covers
};
