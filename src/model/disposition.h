// Where a text lies: the transforms that place a text's own layout in the
// units of its block, as DXF places TEXT, ATTRIB, ATTDEF and MTEXT, and an
// estimate of its box that needs no font.
//
// Heights are those of the capitals: a text 2.5 units high has capitals 2.5
// units high, whatever its font.
#pragma once

#include "model/geometrie.h"
#include "model/objects.h"

// The local space of a single-line text is its natural layout: the baseline
// on y = 0 from x = 0 to x = `largeur` (before the width factor), capitals
// `taille` high, descenders reaching `descente` below the baseline. Returns
// the transform from that space to the block's: the alignment point (the
// first point for left-baseline texts, the second otherwise; both for
// aligned and fitted texts, stretched between them), rotation, width factor,
// oblique angle, backwards and upside-down flags.
Matrice placerTexte(double x, double y, double taille, const DispositionTexte& d, double largeur,
                    double descente);

// The local space of an MTEXT: the top of the first line's capitals on
// y = 0, its box from x = 0 to `largeur` and from y = 0 down to `-hauteur`
// (the last line's baseline). Returns the transform to the block's units:
// the attachment point of the box on the insertion point, then the rotation.
Matrice placerMText(double x, double y, const DispositionTexte& d, double largeur, double hauteur);

// Line spacing of an MTEXT, for capitals `taille` high and a spacing factor.
inline double pasDeLigne(double taille, double facteur) {
    return 5.0 / 3.0 * taille * (facteur > 0 ? facteur : 1);
}

// The placement of a text with its size estimated from its length in
// bytes (glyphs about 0.75 of the height wide): the transform from its local
// space (as above) to the block's, the estimated width of its widest line,
// and its height (of the capitals, or of an MTEXT's lines).
Matrice placementEstime(const Text& t, double& largeur, double& hauteur);

// An estimate of the box of a text in its block's units, from its length in
// bytes: glyphs about 0.75 of the height wide, descenders a third of it.
Boite boiteEstimee(const Text& t);
// The same box in the text's local space, and the placement that carries
// it into its block's units (its four corners there are the text's
// estimated outline, turned as the text is).
Boite boiteLocaleEstimee(const Text& t, Matrice& placement);
