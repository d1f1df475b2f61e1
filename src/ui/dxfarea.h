// The drawing widget: paints one drawing's model at a view scale, with the
// drawing's origin at the bottom-left corner and y up. It keeps no picture
// of its own: every expose repaints the exposed rectangle from the model.
#pragma once

#include <gtkmm/drawingarea.h>

#include <iostream>
#include <list>
#include <memory>
#include <string>

#include "model/trace.h"
#include "render/peintre.h"

struct AccesTest;

class DXFArea : public Gtk::DrawingArea {
  public:
    // The full viewer's area: paints an empty drawing until it is given
    // another, hides the layers named in its hidden-layer list and paints
    // raster images. The paint trace goes to `sortie`.
    explicit DXFArea(std::ostream& sortie = std::cout);
    // The earlier viewer's area: paints `dessin` at `echelle`, every layer,
    // no raster images.
    DXFArea(std::shared_ptr<const Dessin> dessin, double echelle, std::ostream& sortie = std::cout);
    ~DXFArea() override;

    double getEchelle() const { return echelle; }
    // Stores a new scale, brought within kEchelleMin and kEchelleMax; zero,
    // negative and non-finite values are refused. Queues no repaint.
    // Returns true when the scale changed.
    bool setEchelle(double echelle);

    // Paints `dessin` from the next repaint on (an empty drawing when null).
    // Queues no repaint; the hidden layers stay.
    void setDessin(std::shared_ptr<const Dessin> dessin);
    const Dessin& getDessin() const { return *dessin; }

    // The layer names of the drawing painted, in ascending byte order.
    std::list<std::string> getCalques() const;

    // Hidden-layer list: names compare exactly (case-sensitive).
    bool contains(const std::string& nom) const;
    void masquerCalque(const std::string& nom);
    // Removes every copy of `nom` from the hidden-layer list.
    void afficherCalque(const std::string& nom);
    // Empties the hidden-layer list.
    void toutAfficher() { calquesMasques.clear(); }
    // Hides, alone, the layers that the drawing painted has off or frozen.
    void masquerCalquesEteints() { calquesMasques = dessin->getCalquesEteints(); }
    const std::list<std::string>& getCalquesMasques() const { return calquesMasques; }

    // Invalidates the whole widget; the toolkit repaints it later.
    void reDessiner() { queue_draw(); }

  protected:
    bool on_expose_event(GdkEventExpose* event) override;

  private:
    DXFArea(std::shared_ptr<const Dessin> dessin, double echelle, OptionsPeinture options,
            std::ostream& sortie);

    double echelle = 1.0;
    std::shared_ptr<const Dessin> dessin;
    std::list<std::string> calquesMasques;
    Trace trace;
    Peintre peintre;

    friend struct AccesTest;
};
