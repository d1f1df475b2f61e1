// Plane geometry shared by the model, the walk and the painters: affine
// transforms and bounding boxes, in doubles, with no graphics library.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

constexpr double kPi = 3.141592653589793;
constexpr double kDeuxPi = 2 * kPi;

// Insertions nested deeper than this are left out (by the walk, the trace
// and the extents alike).
constexpr int kProfondeurMax = 1024;

// Margin around a zone of device pixels that primitives are tested
// against: half a line width, the antialiasing fringe, and some slack for
// rounding.
constexpr double kMargeDevice = 2.0;

// How far, in device pixels, the chords of a flattened curve may stray from
// it.
constexpr double kToleranceCourbes = 0.25;

// Counter-clockwise from a1 to a2 (finite): a2 set to a1 plus a sweep of at
// most a turn (more paints the same pixels as one turn; an a2 below a1 goes
// on through 2 pi; equal angles sweep nothing, or a turn when
// `egauxFontUnTour`), and a1 brought within a turn of 0, since past 2^53 a
// turn added to a double changes nothing.
inline void ramenerAngles(double& a1, double& a2, bool egauxFontUnTour) {
    double balayage = a2 - a1;
    if (!(balayage <= kDeuxPi)) {
        balayage = kDeuxPi;
    } else if (balayage != 0 || egauxFontUnTour) {
        balayage = std::fmod(balayage, kDeuxPi);
        if (balayage <= 0) balayage += kDeuxPi;
    }
    a1 = std::fmod(a1, kDeuxPi);
    a2 = a1 + balayage;
}

// A point of the plane (drawing units or device pixels, as the user says).
struct PointPlan {
    double x, y;
};

// A vertex of a path: the segment that leaves it is straight when the bulge
// (`renflement`) is 0, otherwise an arc whose bulge is the tangent of a
// quarter of its angle, counter-clockwise when positive (DXF's bulge).
struct Sommet {
    double x = 0, y = 0, renflement = 0;
};

// A dash pattern: lengths in drawing units, drawn and skipped in turn,
// starting with a drawn one (a drawn length of 0 is a dot); `depart` is how
// far into the pattern a line starts.
struct MotifTirets {
    const double* longueurs;
    int nombre;
    double depart = 0;
};

// An affine transform with cairo's layout: a point (x, y) goes to
// (xx x + xy y + x0, yx x + yy y + y0).
struct Matrice {
    double xx = 1, yx = 0, xy = 0, yy = 1, x0 = 0, y0 = 0;

    static Matrice translation(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
    static Matrice rotation(double angle) {
        const double c = std::cos(angle), s = std::sin(angle);
        return {c, s, -s, c, 0, 0};
    }
    static Matrice echelle(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }

    // This transform applied after `m`: (this * m)(p) = this(m(p)).
    Matrice apres(const Matrice& m) const {
        return {xx * m.xx + xy * m.yx, yx * m.xx + yy * m.yx,      xx * m.xy + xy * m.yy,
                yx * m.xy + yy * m.yy, xx * m.x0 + xy * m.y0 + x0, yx * m.x0 + yy * m.y0 + y0};
    }
    void appliquer(double& x, double& y) const {
        const double nx = xx * x + xy * y + x0;
        y = yx * x + yy * y + y0;
        x = nx;
    }
    // The same for a vector: the translation does not apply.
    void appliquerVecteur(double& x, double& y) const {
        const double nx = xx * x + xy * y;
        y = yx * x + yy * y;
        x = nx;
    }
    double determinant() const { return xx * yy - yx * xy; }
    // The transform that undoes this one (which must be inversible).
    Matrice inverse() const {
        const double d = determinant();
        const double ixx = yy / d, iyx = -yx / d, ixy = -xy / d, iyy = xx / d;
        return {ixx, iyx, ixy, iyy, -(ixx * x0 + ixy * y0), -(iyx * x0 + iyy * y0)};
    }
    // Whether the transform can be undone, in finite numbers.
    bool inversible() const {
        const double d = determinant();
        return d != 0 && std::isfinite(d) && std::isfinite(1 / d) && std::isfinite(x0) &&
               std::isfinite(y0);
    }
    // The largest and smallest factors by which lengths grow (the singular
    // values of the linear part).
    double etirementMax() const {
        const double a = xx * xx + yx * yx + xy * xy + yy * yy;
        const double d = std::fabs(determinant());
        return std::sqrt(std::max(0.0, (a + std::sqrt(std::max(0.0, a * a - 4 * d * d))) / 2));
    }
    double etirementMin() const {
        const double m = etirementMax();
        return m > 0 ? std::fabs(determinant()) / m : 0;
    }
};

// The point (x, y) carried by `m`.
inline PointPlan porte(const Matrice& m, double x, double y) {
    m.appliquer(x, y);
    return {x, y};
}

// An axis-aligned box; empty until a point is added.
struct Boite {
    double x0 = std::numeric_limits<double>::infinity();
    double y0 = std::numeric_limits<double>::infinity();
    double x1 = -std::numeric_limits<double>::infinity();
    double y1 = -std::numeric_limits<double>::infinity();

    bool vide() const { return !(x0 <= x1 && y0 <= y1); }
    double largeur() const { return vide() ? 0 : x1 - x0; }
    double hauteur() const { return vide() ? 0 : y1 - y0; }
    // Coordinates beyond this are what numbers too large for a double
    // become once read (the largest double), never a drawing's.
    static constexpr double kLimite = 1e100;
    // Adds a point; points with a coordinate that is not finite, or beyond
    // kLimite, are ignored.
    void ajouter(double x, double y) {
        if (!(std::fabs(x) < kLimite) || !(std::fabs(y) < kLimite)) return;
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
    }
    void ajouter(const Boite& b) {
        if (b.vide()) return;
        ajouter(b.x0, b.y0);
        ajouter(b.x1, b.y1);
    }
    // The box of this box's four corners transformed by `m`.
    Boite transformee(const Matrice& m) const {
        Boite r;
        if (vide()) return r;
        for (double x : {x0, x1})
            for (double y : {y0, y1}) {
                double px = x, py = y;
                m.appliquer(px, py);
                r.ajouter(px, py);
            }
        return r;
    }
    bool touche(const Boite& b) const {
        return x1 >= b.x0 && x0 <= b.x1 && y1 >= b.y0 && y0 <= b.y1;
    }
};
