// The painter: paints a whole drawing on any cairo context (a window, an
// image surface, an SVG or PDF file) through the walk (parcours.h) and the
// cairo backend (rendu_cairo.h), and writes the paint trace (trace_dessin.h)
// when it is given one. Both viewers and the headless renderer paint through
// this class.
#pragma once

#include <cairomm/context.h>

#include <atomic>
#include <cstdint>
#include <cstddef>
#include <iostream>
#include <list>
#include <mutex>
#include <optional>
#include <string>

#include "model/dessin.h"
#include "model/trace.h"
#include "render/images.h"
#include "render/parcours.h"
#include "render/vue.h"

// Frees the font caches that cairo and fontconfig keep until the process
// ends, so that leak checkers report only real leaks. Called at the very end
// of a program: no cairo object may be in use any more.
void libererPolices();

class Peintre {
  public:
    // A painter that writes no trace, or one that writes the paint trace of
    // each repaint to `trace`.
    explicit Peintre(OptionsPeinture options = {});
    explicit Peintre(Trace& trace, OptionsPeinture options = {});

    // The paint trace of one repaint is cut past this many bytes (twice that
    // of the million-entity benchmark drawing), with one line saying so.
    static constexpr std::size_t kTraceMax = std::size_t{64} << 20;
    static constexpr const char* kTraceCoupee =
        "... trace de dessin coupee : plus de 64 Mio pour un seul dessin ...";

    // Paints a whole drawing from its root: clips to `zone`, shows `vue` in
    // an area `hauteur` pixels high (y up), and walks the blocks. The
    // context starts in device coordinates; it is left as it was found.
    // False when the annulation flag stopped it.
    bool peindre(const Cairo::RefPtr<Cairo::Context>& cr, const Dessin& dessin, const Vue& vue,
                 double hauteur, const Zone& zone, const std::list<std::string>& calquesMasques) {
        const CalquesMasques masques(dessin, calquesMasques);
        return peindreMasques(cr, dessin, vue, hauteur, zone, masques);
    }
    // The same with the hidden layers resolved for that drawing.
    bool peindreMasques(const Cairo::RefPtr<Cairo::Context>& cr, const Dessin& dessin,
                        const Vue& vue, double hauteur, const Zone& zone,
                        const CalquesMasques& calquesMasques);
    // The same with the drawing's origin at the bottom-left corner.
    bool peindre(const Cairo::RefPtr<Cairo::Context>& cr, const Dessin& dessin, double echelle,
                 double hauteur, const Zone& zone, const std::list<std::string>& calquesMasques) {
        Vue vue;
        vue.echelle = echelle;
        return peindre(cr, dessin, vue, hauteur, zone, calquesMasques);
    }

    // Which layout the next repaints show: its rank in the drawing's list
    // (EspacePapier::noms), 0 (the default) or a rank the drawing has not
    // for model space. A layout writes no paint trace.
    void setPresentation(std::size_t rang) { presentation_ = rang; }
    std::size_t getPresentation() const { return presentation_; }

    // Where the paint trace goes from the next repaint on (null: nowhere,
    // and no trace pass is made).
    void setTrace(Trace& trace) { trace_ = &trace; }
    void setTrace(Trace* trace) { trace_ = trace; }

    // A flag that stops a repaint soon after it is set, and a counter of the
    // objects met so far (see Parcours); null for none.
    void setAnnulation(const std::atomic<bool>* a) { annulation_ = a; }
    void setProgression(std::atomic<std::uint64_t>* p) { progression_ = p; }
    // The bound of the paint trace of one repaint (0: none).
    void setLimiteTrace(std::size_t octets) { limiteTrace_ = octets; }
    // The background the next repaints are painted on (kFond, white, by
    // default): colour 7 and the true colours near it stand out from it,
    // wipeouts and a layout's sheet paint it. Whoever makes the surface
    // paints it first (exporter, PeintureDeFond).
    void setFond(const CouleurRVB& fond) { fond_ = fond; }
    const CouleurRVB& getFond() const { return fond_; }

    // The decoded raster images, kept between repaints. A viewer keeps one
    // Peintre for its lifetime so that each picture is decoded once.
    CacheImages& cacheImages() { return images_; }

    // Where the limits of the walk are said (see Parcours).
    void setErreurs(std::ostream& erreurs) { principal_.setErreurs(erreurs); }
    // Whether a limit left something out of the last repaint.
    bool estTronque() const { return principal_.estTronque() || tronqueFenetres_; }
    // Whether the last repaint lacks texts (or, on a vector surface,
    // strokes) that cairo failed on; everything else was painted.
    bool estIncomplet() const { return incomplet_; }

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
    // Whether straight strokes and arcs go straight into the pixels of image
    // surfaces (TraitsDirects, the default) rather than through cairo's
    // stroker, which stays the reference and serves vector outputs.
    void setTraitsDirects(bool oui) { directs_ = oui; }
    // Whether the blocks of many entities are walked through their index
    // where the view shows a part of them (the default); off, every entity
    // is met, the reference the index is checked against.
    void setIndex(bool oui) { index_ = oui; }
    // Where strokes are cut, for a picture painted in several zones that
    // must give the pixels of one paint (null: each zone's own clip).
    void setCoupe(const Boite* coupe) {
        coupe_ = coupe ? std::optional<Boite>(*coupe) : std::nullopt;
    }

  private:
    // A layout: its sheet, what its viewports show, its own entities
    // (presentation_peinte.cpp).
    bool peindreFeuille(cairo_t* c, const Dessin& dessin, const Presentation& p, const Matrice& vue,
                        const Zone& zone);
    // `etendue`: where the walk cuts its strokes, when not the extents of
    // the clip of `c` (a band's walk takes those of the whole zone).
    bool peindreSur(cairo_t* c, Parcours& parcours, const Dessin& dessin, const Matrice& vue,
                    const Zone& zone, std::mutex* verrou, const Boite* etendue = nullptr);
    // Nothing painted when it returns false: the surface is not one that
    // bands suit. Otherwise `complet` tells whether every band was finished.
    bool peindreEnBandes(cairo_t* c, const Dessin& dessin, const Matrice& vue, const Zone& zone,
                         bool& complet);

    Trace* trace_;
    OptionsPeinture options_;
    CacheImages images_;
    Parcours principal_;
    const CalquesMasques* calquesMasques_ = nullptr;
    const std::atomic<bool>* annulation_ = nullptr;
    std::atomic<std::uint64_t>* progression_ = nullptr;
    std::size_t limiteTrace_ = kTraceMax;
    double hauteurVue_ = 0;  // of the repaint in progress
    int fils_;
    bool regrouper_ = true;
    bool directs_ = true;
    bool index_ = true;
    std::optional<Boite> coupe_;
    std::atomic<bool> incomplet_{false};
    std::size_t presentation_ = 0;
    bool tronqueFenetres_ = false;
    CouleurRVB fond_ = kFond;
};
