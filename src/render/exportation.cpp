#include "render/exportation.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <cairomm/context.h>

#include <cstdio>

#include "fichiers/fichier_provisoire.h"
#include "fichiers/noms.h"
#include "model/etendue.h"
#include "render/peintre.h"
#include "render/polices.h"

namespace {

// Where cairo writes: the temporary file, until the export is stopped
// (cairo then writes no more, and leaves off what it was writing soon).
struct Flux {
    FILE* fichier;
    SuiviExport* suivi;
};

cairo_status_t ecrireFlux(void* f, const unsigned char* donnees, unsigned int longueur) {
    const auto* flux = static_cast<const Flux*>(f);
    if (flux->suivi) {
        if (flux->suivi->annulation) return CAIRO_STATUS_WRITE_ERROR;
        flux->suivi->octets += longueur;
    }
    return std::fwrite(donnees, 1, longueur, flux->fichier) == longueur ? CAIRO_STATUS_SUCCESS
                                                                        : CAIRO_STATUS_WRITE_ERROR;
}

// The surface of the format; SVG and PDF are written into `flux` while
// they are painted, PNG once painted (its file made before all the same, so
// that a path that cannot be written is told before the paint).
cairo_surface_t* creerSurface(FormatImage format, Flux& flux, int largeur, int hauteur) {
    switch (format) {
        case FormatImage::Svg:
            return cairo_svg_surface_create_for_stream(ecrireFlux, &flux, largeur, hauteur);
        case FormatImage::Pdf:
            return cairo_pdf_surface_create_for_stream(ecrireFlux, &flux, largeur, hauteur);
        case FormatImage::Png:
            break;
    }
    return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, largeur, hauteur);
}

// Covers what was painted with one opaque paint: a vector surface, which
// otherwise goes through all it has kept when it is destroyed, lets it go
// (cairo's recordings drop what an unclipped opaque paint covers).
void effacer(cairo_surface_t* surface) {
    cairo_t* c = cairo_create(surface);
    cairo_set_operator(c, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgb(c, 1, 1, 1);
    cairo_paint(c);
    cairo_destroy(c);
}

// Writes out what the surface holds and gives the file its name.
bool terminer(cairo_surface_t* surface, FormatImage format, Flux& flux, FichierProvisoire& fichier,
              std::string& raison) {
    cairo_status_t s;
    if (format == FormatImage::Png) {
        s = cairo_surface_write_to_png_stream(surface, ecrireFlux, &flux);
    } else {
        cairo_surface_finish(surface);
        s = cairo_surface_status(surface);
    }
    if (s != CAIRO_STATUS_SUCCESS) {
        raison = cairo_status_to_string(s);
        return false;
    }
    // Stopped once written, it is not named.
    return !(flux.suivi && flux.suivi->annulation) && fichier.valider(raison);
}

}  // namespace

std::optional<FormatImage> formatDuNom(const std::string& chemin) {
    for (FormatImage f : {FormatImage::Png, FormatImage::Svg, FormatImage::Pdf})
        if (finitParExtension(chemin, extensionFormat(f))) return f;
    return std::nullopt;
}

const char* extensionFormat(FormatImage format) {
    switch (format) {
        case FormatImage::Svg:
            return ".svg";
        case FormatImage::Pdf:
            return ".pdf";
        case FormatImage::Png:
            break;
    }
    return ".png";
}

ResultatExport exporter(Peintre& peintre, const Dessin& dessin, const Vue& vue, int largeur,
                        int hauteur, const std::list<std::string>& masques, FormatImage format,
                        const std::string& chemin, SuiviExport* suivi) {
    ResultatExport r;
    std::string raison;
    FichierProvisoire fichier;
    if (!fichier.ouvrir(chemin, raison)) {
        r.erreur = "impossible d'ecrire " + chemin + " : " + raison;
        return r;
    }
    Flux flux{fichier.flux(), suivi};
    cairo_surface_t* surface = creerSurface(format, flux, largeur, hauteur);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        r.erreur = "impossible de creer " + chemin + " : " +
                   cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return r;
    }
    if (suivi) {
        suivi->total = nombreDeplie(dessin.getBlocRoot()) + 1;
        peintre.setAnnulation(&suivi->annulation);
        peintre.setProgression(&suivi->faits);
    }
    {
        const auto cr =
            Cairo::RefPtr<Cairo::Context>(new Cairo::Context(cairo_create(surface), true));
        cairo_t* c = cr->cobj();
        const CouleurRVB& fond = peintre.getFond();
        cairo_set_source_rgb(c, fond.r, fond.g, fond.b);
        cairo_paint(c);
        const Zone zone{0, 0, static_cast<double>(largeur), static_cast<double>(hauteur)};
        const bool fini = peintre.peindre(cr, dessin, vue, hauteur, zone, masques);
        r.annulee = suivi && !fini;
        r.textesManquants = peintre.estIncomplet();
        if (cairo_status(c) != CAIRO_STATUS_SUCCESS)
            r.incomplet = cairo_status_to_string(cairo_status(c));
    }
    if (suivi) {
        peintre.setAnnulation(nullptr);
        peintre.setProgression(nullptr);
        suivi->ecriture = true;
    }
    {
        // A vector surface looks up the glyphs of its texts as it is written.
        std::unique_lock<std::recursive_mutex> glyphes(verrouGlyphes(), std::defer_lock);
        if (format != FormatImage::Png) glyphes.lock();
        r.ecrit = !r.annulee && terminer(surface, format, flux, fichier, raison);
        if (r.annulee) effacer(surface);
        // A surface left unfinished writes no more once stopped (ecrireFlux).
        cairo_surface_destroy(surface);
    }
    r.annulee = r.annulee || (suivi && suivi->annulation);
    if (r.annulee) {
        r.ecrit = false;
    } else if (!r.ecrit) {
        r.erreur = "impossible d'ecrire " + chemin + " : " + raison;
    } else if (suivi) {
        suivi->faits = static_cast<std::uint64_t>(suivi->total);
    }
    return r;
}

ExportationDeFond::ExportationDeFond(std::function<void()> finie)
    : FilDeFond(
          [](Exportation& e, SuiviExport& suivi) {
              Peintre peintre;
              peintre.setPresentation(e.presentation);
              peintre.setFond(e.fond);
              e.resultat = exporter(peintre, *e.dessin, e.vue, e.largeur, e.hauteur, e.masques,
                                    e.format, e.chemin, &suivi);
          },
          std::move(finie), true) {}
