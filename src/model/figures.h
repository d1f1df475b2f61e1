// The figures that some kinds make of their model, worked out apart from the
// walk that paints them: the figure of a point ($PDMODE), the edges of a
// mesh, the filled bands of a wide polyline. Each is a pure function of the
// entity (and, for what is measured in pixels, of the transform to the
// device); the walk hands what they give to the backend.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "model/geometrie.h"

class Polyline;

// The figure of a point for the point mode `mode` ($PDMODE) and a half size
// of `h` device pixels, around (0, 0) in device pixels (rows growing
// downwards).
struct FigurePoint {
    // Nothing at all (mode 1 without circle or square).
    bool vide = false;
    // A dot at the centre: mode 0, or a figure too small to tell from one.
    bool point = false;
    // Up to two strokes, each from one end to the other.
    std::size_t traits = 0;
    PointPlan bouts[2][2]{};
    // A circle of radius h, a square of side 2h, around the centre.
    bool cercle = false, carre = false;
};
FigurePoint figurePoint(int mode, double h);

// The edges of a polygon mesh (m rows of n vertices, rows and columns closed
// by flags 1 and 32) or of a polyface mesh (the edges of each face that start
// at a vertex numbered positively), as pairs of vertex indexes, all within
// the polyline's vertices.
void aretesMaillage(const Polyline& p, std::vector<std::pair<std::size_t, std::size_t>>& aretes);

// A polyline with widths, as filled bands.
class BandesPolyligne {
  public:
    // `m` carries the polyline's points to the device.
    BandesPolyligne(const Polyline& p, const Matrice& m) : p_(p), m_(m) {}
    // False when the polyline has no widths, fewer than two vertices, or
    // bands all thinner than a pixel (to be painted as a line).
    bool visibles() const;
    // How many segments the polyline has (the closing one included).
    std::size_t segments() const;
    // The band of segment `i` (from vertex i to the next): one polygon turned
    // counter-clockwise, followed by the round join with the next band when
    // there is one, as device polygons of `tailles[k]` points each. False when
    // the segment has no width, and nothing is given (a line is painted).
    bool bande(std::size_t i, std::vector<PointPlan>& points,
               std::vector<std::size_t>& tailles) const;

  private:
    double largeur(std::size_t k) const;
    const Polyline& p_;
    const Matrice& m_;
};
