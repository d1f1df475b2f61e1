// The cairo backend: draws the walk's primitives on any cairo context (a
// window, an image surface, an SVG or PDF file).
//
// Strokes are one device pixel wide; dashes are scaled to the drawing units
// of the block they belong to. Consecutive primitives of the same colour and
// dashes that leave each other's rows are stroked together; segments reaching
// beyond what cairo's fixed-point numbers hold are cut to the clip first.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <mutex>
#include <vector>

#include "render/images.h"
#include "render/rendu.h"

class RenduCairo : public Rendu {
  public:
    // `cr` is used in device space: its transform is left as found. Pictures
    // come from `cache`, used under `verrou` when it is given (painters that
    // share a cache on several threads).
    RenduCairo(cairo_t* cr, CacheImages& cache, std::mutex* verrou = nullptr);
    ~RenduCairo() override;
    RenduCairo(const RenduCairo&) = delete;
    RenduCairo& operator=(const RenduCairo&) = delete;

    // Whether primitives share strokes (the default). Off, every primitive is
    // stroked on its own: the reference the batches are checked against.
    void setRegroupement(bool oui) { regrouper_ = oui; }

    void segment(double x1, double y1, double x2, double y2, const Trait& trait) override;
    void arc(const Matrice& m, double cx, double cy, double rayon, double a1, double a2,
             const Trait& trait) override;
    void polyligne(const PointPlan* points, std::size_t nombre, bool fermee,
                   const Trait& trait) override;
    void remplir(const PointPlan* points, const std::size_t* tailles, std::size_t contours,
                 const CouleurRVB& couleur, RegleRemplissage regle) override;
    void point(const Matrice& m, double x, double y, const CouleurRVB& couleur) override;
    void texte(const Matrice& m, const TexteAPeindre& texte) override;
    void image(const Matrice& m, const Image& image, const std::string& dossier,
               const CouleurRVB& couleur) override;
    void terminer() override;

  private:
    enum class Mode { Trait, RemplirEtTrait };

    // Makes the batch ready to take a primitive of this kind, in user space
    // `m` (null: device space); flushes the previous one when it differs.
    void preparer(const Trait& trait, double decalage, Mode mode, double y0, double y1,
                  const Matrice* m);
    void ajouteAuLot();
    // Paints and empties the batch.
    void vider();
    void fixerMatrice(const Matrice* m);
    // Shows a text upright at (x, y) of user space `m` with the current font
    // and colour.
    void texteDroit(const Matrice& m, double x, double y, const std::string& texte);
    bool visible(double x0, double y0, double x1, double y1) const;

    cairo_t* cr_;
    CacheImages& cache_;
    std::mutex* verrou_;
    bool regrouper_ = true;
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
    Mode modeLot_ = Mode::Trait;
    double lotY0_ = 0, lotY1_ = 0;  // device rows the batch covers
};
