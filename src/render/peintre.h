// The painters: they turn a drawing model into cairo calls on any cairo
// context (a window, an image surface, an SVG or PDF file) and write the paint
// trace. Both viewers and the headless renderer paint through this class.
#pragma once

#include <cairomm/context.h>

#include <list>
#include <string>

#include "model/objects.h"
#include "model/trace.h"

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
};
