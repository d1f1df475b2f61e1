// A drawing painted into a PNG, SVG or PDF file: the view of a window saved
// by the viewer, a whole drawing by tarsin-render. The file is written under
// a temporary name and renamed once complete (fichiers/fichier_provisoire.h):
// whoever reads it never sees half a picture, and a failure leaves no file.
#pragma once

#include <list>
#include <optional>
#include <string>

#include "model/dessin.h"
#include "render/vue.h"

class Peintre;

enum class FormatImage { Png, Svg, Pdf };

// The format that the extension of `chemin` names (".png", ".svg", ".pdf",
// in any case); none for another extension.
std::optional<FormatImage> formatDuNom(const std::string& chemin);
// The extension of a format, with its dot, in lower case.
const char* extensionFormat(FormatImage format);

struct ResultatExport {
    // Whether the file is written whole.
    bool ecrit = false;
    // Why not, when it is not: "impossible de creer CHEMIN : ..." or
    // "impossible d'ecrire CHEMIN : ...", without the final full stop.
    std::string erreur;
    // Texts that cairo failed on are missing (everything else is there).
    bool textesManquants = false;
    // Set when cairo stopped painting part way: what it said. The file is
    // written all the same, with what was painted.
    std::string incomplet;
};

// Paints `dessin` through `vue` onto a picture `largeur` x `hauteur` (pixels
// for PNG, points for SVG and PDF) on the painter's background (white unless
// told otherwise, Peintre::setFond), the layers `masques` hidden, and writes
// it to `chemin` in `format`. The paint trace goes where `peintre` sends it.
ResultatExport exporter(Peintre& peintre, const Dessin& dessin, const Vue& vue, int largeur,
                        int hauteur, const std::list<std::string>& masques, FormatImage format,
                        const std::string& chemin);
