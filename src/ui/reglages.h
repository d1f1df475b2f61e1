// What the full viewer keeps between runs, in $XDG_CONFIG_HOME/tarsin/
// (~/.config/tarsin/ without it), one "key=value" a line: the background
// (black or white), the window's size and the left column's width.
#pragma once

#include <string>

struct Reglages {
    bool fondNoir = false;
    int largeur = 0, hauteur = 0;  // 0: none kept
    int colonne = 0;               // the left column's width; 0: none kept
};

// The file the settings are kept in.
std::string cheminReglages();
// The settings kept; the defaults for what the file lacks or when there is
// no file.
Reglages lireReglages();
// Writes them, the folder made when missing; false when it cannot be.
bool ecrireReglages(const Reglages& r);
