// A drawing painted into a PNG, SVG or PDF file: the view of a window saved
// by the viewer, a whole drawing by tarsin-render. The file is written under
// a temporary name and renamed once complete (fichiers/fichier_provisoire.h):
// whoever reads it never sees half a picture, and a failure leaves no file.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>

#include "model/dessin.h"
#include "model/fil_de_fond.h"
#include "render/rendu.h"
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
    // Stopped by the flag of its SuiviExport: nothing written, the temporary
    // file removed.
    bool annulee = false;
};

// An export followed from another thread: the objects its paint has met, of
// about how many, then the bytes of the file written (a vector file is
// written mostly once painted, and that takes longer than the paint), and a
// flag that stops it soon after it is set (the paint, or the writing).
struct SuiviExport {
    std::atomic<std::uint64_t> faits{0};
    std::atomic<double> total{0};
    // Set once painted, while the file is written.
    std::atomic<bool> ecriture{false};
    std::atomic<std::uint64_t> octets{0};
    std::atomic<bool> annulation{false};
    // The share done, 0 to 1; 1 once the file is written.
    double part() const {
        const double t = total;
        return t > 0 ? std::min(1.0, static_cast<double>(faits) / t) : 0;
    }
};

// Paints `dessin` through `vue` onto a picture `largeur` x `hauteur` (pixels
// for PNG, points for SVG and PDF) on the painter's background (white unless
// told otherwise, Peintre::setFond), the layers `masques` hidden, and writes
// it to `chemin` in `format`. The paint trace goes where `peintre` sends it. `suivi`, when
// given, follows it.
ResultatExport exporter(Peintre& peintre, const Dessin& dessin, const Vue& vue, int largeur,
                        int hauteur, const std::list<std::string>& masques, FormatImage format,
                        const std::string& chemin, SuiviExport* suivi = nullptr);

// One export asked of an ExportationDeFond, and how it went.
struct Exportation {
    // Held for as long as it is painted.
    std::shared_ptr<const Dessin> dessin;
    Vue vue;
    int largeur = 1, hauteur = 1;
    std::list<std::string> masques;
    // The layout painted (see Peintre::setPresentation).
    std::size_t presentation = 0;
    // The background painted on (see Peintre::setFond).
    CouleurRVB fond = kFond;
    FormatImage format = FormatImage::Png;
    std::string chemin;
    ResultatExport resultat;
};

// Exports on a thread of their own, below the caller's priority, one at a
// time (see FilDeFond): an export stopped leaves no file, and no outcome.
// The paint writes no trace.
class ExportationDeFond : public FilDeFond<Exportation, SuiviExport> {
  public:
    explicit ExportationDeFond(std::function<void()> finie);
};
