// Painting a layout (Peintre::setPresentation): its sheet, in the
// background's colour, on a grey ground, then what each of its viewports
// shows of model space, clipped to the viewport, then its own paper-space
// entities over them.
#pragma once

#include <cstddef>

#include "model/dessin.h"
#include "render/rendu.h"
#include "render/vue.h"

// The grey around a layout's sheet.
constexpr CouleurRVB kFondHorsFeuille{0.82, 0.82, 0.82};

// The view that shows layout `rang` (model space for 0) whole in an area of
// `largeur` x `hauteur` pixels, `marge` pixels from every edge.
Vue ajusterPresentation(const Dessin& dessin, std::size_t rang, double largeur, double hauteur,
                        double marge);
