#include "render/exportation.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <cairomm/context.h>

#include <cstdio>

#include "fichiers/fichier_provisoire.h"
#include "fichiers/noms.h"
#include "render/peintre.h"

namespace {

cairo_status_t ecrireFlux(void* fichier, const unsigned char* donnees, unsigned int longueur) {
    return std::fwrite(donnees, 1, longueur, static_cast<FILE*>(fichier)) == longueur
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

// The surface of the format; SVG and PDF are written into `fichier` while
// they are painted, PNG once painted (its file made before all the same, so
// that a path that cannot be written is told before the paint).
cairo_surface_t* creerSurface(FormatImage format, FichierProvisoire& fichier, int largeur,
                              int hauteur) {
    switch (format) {
        case FormatImage::Svg:
            return cairo_svg_surface_create_for_stream(ecrireFlux, fichier.flux(), largeur,
                                                       hauteur);
        case FormatImage::Pdf:
            return cairo_pdf_surface_create_for_stream(ecrireFlux, fichier.flux(), largeur,
                                                       hauteur);
        case FormatImage::Png:
            break;
    }
    return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, largeur, hauteur);
}

// Writes out what the surface holds and gives the file its name.
bool terminer(cairo_surface_t* surface, FormatImage format, FichierProvisoire& fichier,
              std::string& raison) {
    cairo_status_t s;
    if (format == FormatImage::Png) {
        s = cairo_surface_write_to_png_stream(surface, ecrireFlux, fichier.flux());
    } else {
        cairo_surface_finish(surface);
        s = cairo_surface_status(surface);
    }
    if (s != CAIRO_STATUS_SUCCESS) {
        raison = cairo_status_to_string(s);
        return false;
    }
    return fichier.valider(raison);
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
                        const std::string& chemin) {
    ResultatExport r;
    std::string raison;
    FichierProvisoire fichier;
    if (!fichier.ouvrir(chemin, raison)) {
        r.erreur = "impossible d'ecrire " + chemin + " : " + raison;
        return r;
    }
    cairo_surface_t* surface = creerSurface(format, fichier, largeur, hauteur);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        r.erreur = "impossible de creer " + chemin + " : " +
                   cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return r;
    }
    {
        const auto cr =
            Cairo::RefPtr<Cairo::Context>(new Cairo::Context(cairo_create(surface), true));
        cairo_t* c = cr->cobj();
        const CouleurRVB& fond = peintre.getFond();
        cairo_set_source_rgb(c, fond.r, fond.g, fond.b);
        cairo_paint(c);
        const Zone zone{0, 0, static_cast<double>(largeur), static_cast<double>(hauteur)};
        peintre.peindre(cr, dessin, vue, hauteur, zone, masques);
        r.textesManquants = peintre.estIncomplet();
        if (cairo_status(c) != CAIRO_STATUS_SUCCESS)
            r.incomplet = cairo_status_to_string(cairo_status(c));
    }
    r.ecrit = terminer(surface, format, fichier, raison);
    cairo_surface_destroy(surface);
    if (!r.ecrit) r.erreur = "impossible d'ecrire " + chemin + " : " + raison;
    return r;
}
