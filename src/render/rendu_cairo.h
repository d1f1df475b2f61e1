// The cairo backend: draws the walk's primitives on any cairo context (a
// window, an image surface, an SVG or PDF file).
//
// Strokes are one device pixel wide; dashes are scaled to the drawing units
// of the block they belong to. Consecutive primitives of the same colour and
// dashes that leave each other's rows are stroked together; segments reaching
// beyond what cairo's fixed-point numbers hold are cut to the clip first.
//
// Vector surfaces (PDF, PostScript, SVG, recordings) keep every operation
// until the file is finished, about a kilobyte each whatever its path: there
// the strokes are gathered by colour and dashes, each in a context of its
// own, and painted when a fill, a text or a picture that they reach comes
// (which must cover what came before), when 512 have gathered, or at the
// end; of more than 1024 colours open, the one least recently used is
// painted to make room. Strokes of different colours may thus cross the
// other way round; nothing is left out.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>
#include <mutex>
#include <string>
#include <unordered_map>

#include "render/glyphes.h"
#include "render/images.h"
#include "render/mise_en_page.h"
#include "render/polices.h"
#include "render/rendu.h"
#include "render/traits_directs.h"

class RenduCairo : public Rendu {
  public:
    // `cr` is used in device space: its transform is left as found. Pictures
    // come from `cache`, used under `verrou` when it is given (painters that
    // share a cache on several threads); relative picture paths are also
    // looked for in `dossierDessin`, the drawing's folder.
    RenduCairo(cairo_t* cr, CacheImages& cache, std::mutex* verrou = nullptr,
               std::string dossierDessin = {});
    ~RenduCairo() override;
    RenduCairo(const RenduCairo&) = delete;
    RenduCairo& operator=(const RenduCairo&) = delete;

    // Whether primitives share strokes (the default). Off, every primitive is
    // stroked on its own: the reference the batches are checked against.
    void setRegroupement(bool oui) { regrouper_ = oui; }
    // Whether straight strokes are drawn into the pixels directly
    // (TraitsDirects) when the target is an image surface; on by default.
    void setTraitsDirects(bool oui);

    void segment(double x1, double y1, double x2, double y2, const Trait& trait) override;
    void arc(const Matrice& m, double cx, double cy, double rayon, double a1, double a2,
             const Trait& trait) override;
    void pixel(double x, double y, const CouleurRVB& couleur) override;
    void polyligne(const PointPlan* points, std::size_t nombre, bool fermee,
                   const Trait& trait) override;
    void remplir(const PointPlan* points, const std::size_t* tailles, std::size_t contours,
                 const CouleurRVB& couleur, RegleRemplissage regle) override;
    // Texts are measured with the faces of polices.h, the same whatever
    // the target.
    Mesureur* mesureur() override { return &mesureur_; }
    void texte(const Matrice& m, const TextePlace& texte) override;
    void image(const Matrice& m, const Image& image, const CouleurRVB& couleur) override;
    void terminer() override;

    // The clip of the texts' own context, when the clip of `cr` cannot be
    // copied as rectangles (a rectangle off the pixel grid): the rectangles
    // `base` (in device space, kept by the caller) cut by the rectangle
    // (x, y, largeur, hauteur).
    void setClipTextes(const cairo_rectangle_list_t* base, double x, double y, double largeur,
                       double hauteur);

    // Whether a text could not be painted (cairo failed on it), or, on a
    // vector surface, the strokes of a colour whose own context failed: the
    // picture lacks them. Everything else is still painted.
    bool estIncomplet() const { return incomplet_; }

  private:
    // Makes the batch ready to take a stroke whose device box is `boite`, in
    // user space `m` (null: device space); flushes the previous one when it
    // differs. Dots (`point`) batch with dots only: alone or among
    // themselves their strokes are rectangles, which cairo covers exactly,
    // while among other strokes they take the antialiasing of polygons.
    void preparer(const Trait& trait, double decalage, const Boite& boite, const Matrice* m,
                  bool point = false);
    void ajouteAuLot();
    // Before cairo draws: our own strokes' pixels handed back to it.
    void avantCairo() {
        if (directs_) directs_->avantCairo();
    }
    // A stroke kept open on a vector surface: its context (with its path)
    // and the state that goes with it while another one is in use.
    struct Cle {
        CouleurRVB couleur;
        const MotifTirets* tirets;
        double echelle, decalage;
        bool operator==(const Cle& k) const {
            return couleur == k.couleur && tirets == k.tirets && echelle == k.echelle &&
                   decalage == k.decalage;
        }
    };
    struct HachageCle {
        std::size_t operator()(const Cle& k) const;
    };
    struct Pile {
        cairo_t* c;
        Cle cle;
        std::size_t lot = 0;
        bool matriceDevice = true;
        Matrice matrice{};
        std::uint64_t usage = 0;
        Boite boite;  // what its subpaths cover, in device pixels
    };

    // Paints and empties every batch (on vector surfaces, every open
    // stroke); the base context is in use afterwards.
    void vider();
    // Before something that covers the device box `b`: on vector surfaces,
    // the open strokes that reach it are painted; elsewhere, every batch.
    void viderSous(const Boite& b);
    // Paints and empties the batch in use.
    void viderLot();
    // Makes the stroke of that colour and dashes the one in use.
    void choisirPile(const CouleurRVB& couleur, const MotifTirets* tirets, double echelle,
                     double decalage);
    // Makes the batch in use one of that colour and dashes.
    void chargerCle(const Cle& cle);
    // Puts the context and the batch state of `p` in use, and keeps those
    // that were in use in `p`.
    void echangerEtat(Pile& p);
    // A new context on the target, with the clip of the base context; null
    // when none can be made.
    cairo_t* nouveauContexte();
    void fixerMatrice(const Matrice* m);
    // The context that paints the texts: of its own, on the same target
    // and clip, so that a text cairo fails on leaves the other primitives
    // painted (a cairo context in error paints nothing more). Null when
    // none can be made.
    cairo_t* contexteTextes();
    bool visible(double x0, double y0, double x1, double y1) const;

    cairo_t* cr_;       // the context in use
    cairo_t* base_cr_;  // the one given
    bool vectoriel_ = false;
    std::vector<Pile> piles_;
    std::unordered_map<Cle, std::size_t, HachageCle> indexPiles_;
    Pile* pile_ = nullptr;  // the one whose context is in use, if any
    std::uint64_t horloge_ = 0;
    CacheImages& cache_;
    std::mutex* verrou_;
    std::string dossierDessin_;
    bool regrouper_ = true;
    std::unique_ptr<TraitsDirects> directs_;
    cairo_matrix_t base_{};
    double zx0_, zy0_, zx1_, zy1_;  // clip, device, with a margin

    // The matrix set on cairo: null for device space.
    bool matriceDevice_ = true;
    Matrice matrice_;

    // The batch: subpaths added but not painted yet.
    std::size_t lot_ = 0;
    CouleurRVB couleurLot_{0, 0, 0};
    const MotifTirets* tiretsLot_ = nullptr;
    double echelleLot_ = 0;
    double decalageLot_ = 0;
    // Polygons cut to the clip, when they reach too far for cairo.
    std::vector<PointPlan> coupe_, tampon_;
    double lotY0_ = 0, lotY1_ = 0;  // device rows the batch covers
    bool pointsLot_ = false;        // a batch of dots
    Boite boiteLot_;                // and its box, on vector surfaces

    // Texts.
    MesureurCairo mesureur_;
    cairo_rectangle_list_t* clip_ = nullptr;  // of cr_, in device space
    const cairo_rectangle_list_t* clipBase_ = nullptr;
    double clipZone_[4] = {0, 0, 0, 0};
    cairo_t* textes_ = nullptr;
    PeintreGlyphes glyphes_;
    bool incomplet_ = false;
};
