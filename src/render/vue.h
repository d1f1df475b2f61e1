// The view: which part of a drawing an area shows, and at what scale.
#pragma once

#include <string>

#include "model/geometrie.h"

// The bounds of a view scale, in device pixels per drawing unit. Within
// them, the device coordinates of what is seen keep well under a
// thousandth of a pixel of rounding, even at national-grid coordinates
// (millions of units from the origin); outside them a drawing would be
// smaller than a pixel or a pixel smaller than the numbers' grain.
constexpr double kEchelleMin = 1e-6;
constexpr double kEchelleMax = 1e6;

// Reads a scale given as text: true and the value when the whole text is a
// number between kEchelleMin and kEchelleMax, false otherwise.
bool lireEchelle(const char* texte, double& echelle);

// The scale brought within the bounds; false for zero, negative and
// non-finite values, which no view can take.
bool echelleValide(double& echelle);

struct Vue {
    // Device pixels per drawing unit.
    double echelle = 1.0;
    // The drawing point shown at the bottom-left corner of the area.
    double x = 0, y = 0;

    // Drawing units to the device pixels of an area `hauteur` pixels high,
    // y up. The offset is applied in drawing units scaled, so that large
    // coordinates cancel before anything is rounded to device pixels.
    Matrice matrice(double hauteur) const {
        Matrice m = Matrice::translation(0, hauteur)
                        .apres(Matrice{1, 0, 0, -1, 0, 0})
                        .apres(Matrice::echelle(echelle, echelle));
        if (x != 0 || y != 0) m = m.apres(Matrice::translation(-x, -y));
        return m;
    }
    // The drawing point under the device pixel (px, py) of such an area.
    void versDessin(double hauteur, double& px, double& py) const {
        px = x + px / echelle;
        py = y + (hauteur - py) / echelle;
    }
    // Changes the scale by `facteur` keeping the drawing point under the
    // device pixel (px, py) where it is; false when the new scale would
    // leave the bounds (the view is then unchanged).
    bool zoomer(double facteur, double px, double py, double hauteur);
    // Sets the scale (within the bounds) keeping the drawing point under the
    // device pixel (px, py) where it is.
    void changerEchelle(double nouvelle, double px, double py, double hauteur);
};

// The scale after one click of "Zoom+" (`avant`) or "Zoom-": steps of 0.25
// between 0.25 and 4, where such steps change the scale by 6 to 100 percent;
// below and above, doubling or halving, landing on 0.25 or 4 when crossing
// them; always within kEchelleMin and kEchelleMax.
double pasZoom(double echelle, bool avant);

// What the status bar says of a view: the drawing point under the pointer,
// with as many decimals as a pixel is worth at this scale ("X : 12,5   Y :
// -3,25"), and the scale ("Échelle : 0,98"), French style.
std::string texteCoordonnees(double X, double Y, double echelle);
std::string texteEchelle(double echelle);

// The margin of a fitted drawing, in pixels at each edge.
constexpr double kMargeAjustement = 10;

// The view that shows the box `b` whole and centred in an area of
// `largeur` x `hauteur` pixels, `marge` pixels from every edge; an empty
// box gives the default view (origin at the bottom-left corner, scale 1).
Vue ajuster(const Boite& b, double largeur, double hauteur, double marge);
// The view that shows a whole drawing (its extents) in such an area, with
// room beyond the margin for the figures of its points ($PDMODE, $PDSIZE),
// which reach past the points themselves.
class Dessin;
Vue ajusterDessin(const Dessin& dessin, double largeur, double hauteur, double marge);
// The part of the drawing that `v` shows in an area of `largeur` x
// `hauteur` pixels, in drawing units.
Boite boiteVue(const Vue& v, double largeur, double hauteur);
