// The view: which part of a drawing an area shows, and at what scale.
#pragma once

#include "model/geometrie.h"

// The smallest view scale the zoom commands and the command lines take.
constexpr double kEchelleMin = 0.25;

// Reads a scale given as text: true and the value when the whole text is a
// number at least kEchelleMin, false otherwise.
bool lireEchelle(const char* texte, double& echelle);

struct Vue {
    // Device pixels per drawing unit.
    double echelle = 1.0;
    // The drawing point shown at the bottom-left corner of the area.
    double x = 0, y = 0;

    // Drawing units to the device pixels of an area `hauteur` pixels high,
    // y up.
    Matrice matrice(double hauteur) const {
        Matrice m = Matrice::translation(0, hauteur)
                        .apres(Matrice{1, 0, 0, -1, 0, 0})
                        .apres(Matrice::echelle(echelle, echelle));
        if (x != 0 || y != 0) m = m.apres(Matrice::translation(-x, -y));
        return m;
    }
};
