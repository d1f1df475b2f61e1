#include "render/peintre.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "import/couleurs_dxf.h"
#include "model/etendue.h"
#include "render/polices.h"
#include "render/rendu_cairo.h"
#include "render/trace_dessin.h"

namespace {

// Exposed zones smaller than this, in pixels, are painted by one thread.
constexpr double kAireMinBandes = 512.0 * 512.0;

const double kLongueursParDefaut[2] = {10.0, 4.0};

bool fini(double v) { return std::isfinite(v); }

}  // namespace

const MotifTirets kTiretsParDefaut = {kLongueursParDefaut, 2, 0};

int tiretsDevice(const Trait& trait, double (&longueurs)[kTiretsMax], double& depart) {
    depart = 0;
    if (!trait.tirets) return 0;
    const MotifTirets& m = *trait.tirets;
    const int n = std::min(m.nombre, kTiretsMax) & ~1;
    double periode = 0;
    for (int i = 0; i < n; ++i) {
        longueurs[i] = m.longueurs[i] * trait.echelleTirets;
        periode += longueurs[i];
    }
    if (!(periode > 0) || !std::isfinite(periode)) return 0;
    for (int i = 0; i + 1 < n; i += 2)
        if (m.longueurs[i] == 0) {
            const double ajout = std::min(1 - longueurs[i], longueurs[i + 1]);
            longueurs[i] += ajout;
            longueurs[i + 1] -= ajout;
        }
    depart = std::fmod((m.depart + trait.departTirets) * trait.echelleTirets, periode);
    if (depart < 0) depart += periode;
    if (!std::isfinite(depart)) depart = 0;
    return n;
}

CouleurRVB couleurDXF(int indice, const CouleurRVB& fond) {
    long i = std::labs(static_cast<long>(indice));
    if (i > 255 || i == 7 || i == 255) return couleurContraire(fond);
    return couleurTableDXF(static_cast<int>(i));
}

void libererPolices() {
    libererPolicesTextes();
    cairo_debug_reset_static_data();
    FcFini();
}

Peintre::Peintre(OptionsPeinture options)
    : trace_(nullptr),
      options_(options),
      principal_(options),
      fils_(std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4)) {}

Peintre::Peintre(Trace& trace, OptionsPeinture options) : Peintre(options) { trace_ = &trace; }

bool Peintre::peindreMasques(const Cairo::RefPtr<Cairo::Context>& cr, const Dessin& dessin,
                             const Vue& vueDemandee, double hauteur, const Zone& zone,
                             const CalquesMasques& calquesMasques) {
    Vue vue = vueDemandee;
    if (!echelleValide(vue.echelle)) vue.echelle = 1;
    if (!fini(vue.x) || !fini(vue.y)) vue.x = vue.y = 0;
    if (!fini(hauteur)) hauteur = 0;
    Zone z = zone;
    if (!fini(z.x) || !fini(z.y) || !fini(z.largeur) || !fini(z.hauteur) || !(z.largeur > 0) ||
        !(z.hauteur > 0))
        z = Zone{};
    calquesMasques_ = options_.calquesMasquables ? &calquesMasques : nullptr;
    incomplet_ = false;
    const Matrice m = vue.matrice(hauteur);
    hauteurVue_ = hauteur;
    // The walks read the blocks' boxes; computed here, before any thread
    // shares them (once per drawing, then kept).
    etendue(dessin);
    tronqueFenetres_ = false;
    if (const Presentation* p = dessin.getEspacePapier().presentation(presentation_)) {
        const bool complet = peindreFeuille(cr->cobj(), dessin, *p, m, z);
        calquesMasques_ = nullptr;
        return complet;
    }
    if (trace_) {
        trace_->limiter(limiteTrace_, kTraceCoupee);
        TraceDessin passe(*trace_, options_);
        passe.setCalquesMasques(calquesMasques_);
        passe.setAnnulation(annulation_);
        passe.ecrire(dessin);
        trace_->vider();
    }
    principal_.setProgression(progression_);
    bool complet = true;
    if (!peindreEnBandes(cr->cobj(), dessin, m, z, complet))
        complet = peindreSur(cr->cobj(), principal_, dessin, m, z, nullptr);
    calquesMasques_ = nullptr;
    principal_.setProgression(nullptr);
    return complet;
}

bool Peintre::peindreSur(cairo_t* c, Parcours& parcours, const Dessin& dessin, const Matrice& vue,
                         const Zone& zone, std::mutex* verrou, const Boite* etendue) {
    // The clip as it was, for the texts' own context (rectangles that the
    // zone's clip, off the pixel grid, would hide).
    cairo_rectangle_list_t* avant = cairo_copy_clip_rectangle_list(c);
    cairo_save(c);
    cairo_new_path(c);
    // An empty zone leaves an empty path, which clips everything away: the
    // trace is still written.
    if (zone.largeur > 0) cairo_rectangle(c, zone.x, zone.y, zone.largeur, zone.hauteur);
    cairo_clip(c);
    bool complet;
    {
        RenduCairo rendu(c, images_, verrou, dessin.getDossier());
        rendu.setRegroupement(regrouper_);
        rendu.setTraitsDirects(directs_);
        rendu.setClipTextes(avant, zone.x, zone.y, zone.largeur, zone.hauteur);
        double x0, y0, x1, y1;
        cairo_clip_extents(c, &x0, &y0, &x1, &y1);
        // The walks of bands cut strokes where a single walk would, so
        // that they paint the same pixels.
        if (!etendue && coupe_) etendue = &*coupe_;
        if (etendue) x0 = etendue->x0, y0 = etendue->y0, x1 = etendue->x1, y1 = etendue->y1;
        parcours.setZone(x0 - kMargeDevice, y0 - kMargeDevice, x1 + kMargeDevice,
                         y1 + kMargeDevice);
        parcours.setCalquesMasques(calquesMasques_);
        parcours.setIndex(index_);
        parcours.setAnnulation(annulation_);
        parcours.setHauteurVue(hauteurVue_);
        parcours.setFond(fond_);
        complet = parcours.parcourir(dessin, vue, rendu);
        parcours.setCalquesMasques(nullptr);
        if (rendu.estIncomplet()) incomplet_ = true;
    }
    cairo_restore(c);
    cairo_rectangle_list_destroy(avant);
    return complet;
}

bool Peintre::peindreEnBandes(cairo_t* c, const Dessin& dessin, const Matrice& vue,
                              const Zone& zone, bool& complet) {
    // Only on image surfaces seen in device coordinates, with at most a
    // rectangle as clip, and for zones large enough to be worth it.
    if (fils_ < 2 || zone.largeur * zone.hauteur < kAireMinBandes) return false;
    cairo_surface_t* cible = cairo_get_group_target(c);
    if (cairo_surface_get_type(cible) != CAIRO_SURFACE_TYPE_IMAGE) return false;
    const cairo_format_t format = cairo_image_surface_get_format(cible);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return false;
    double ox, oy, ex, ey;
    cairo_surface_get_device_offset(cible, &ox, &oy);
    cairo_surface_get_device_scale(cible, &ex, &ey);
    cairo_matrix_t m;
    cairo_get_matrix(c, &m);
    if (ox != 0 || oy != 0 || ex != 1 || ey != 1 || m.xx != 1 || m.yy != 1 || m.xy != 0 ||
        m.yx != 0 || m.x0 != 0 || m.y0 != 0)
        return false;
    const int largeur = cairo_image_surface_get_width(cible);
    const int hauteurCible = cairo_image_surface_get_height(cible);
    Zone z = zone;
    cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(c);
    const bool rectangle = clip->status == CAIRO_STATUS_SUCCESS && clip->num_rectangles == 1;
    if (rectangle) {
        const cairo_rectangle_t& r = clip->rectangles[0];
        const double x0 = std::max(z.x, r.x), y0 = std::max(z.y, r.y);
        const double x1 = std::min(z.x + z.largeur, r.x + r.width);
        const double y1 = std::min(z.y + z.hauteur, r.y + r.height);
        z = Zone{x0, y0, x1 - x0, y1 - y0};
    }
    cairo_rectangle_list_destroy(clip);
    if (!rectangle || !(z.largeur > 0 && z.hauteur > 0) || z.largeur * z.hauteur < kAireMinBandes)
        return false;

    // 2n bands of whole rows, dealt out in turn to n walks: wherever the
    // drawing lies, each gets its share. Each paints through a surface of
    // its own over the target's pixels, clipped to its bands; the rows do
    // not overlap, and neither do the writes.
    const int n = std::min(fils_, 8);
    const double origine = std::floor(std::max(0.0, z.y));
    const double fin = std::min(static_cast<double>(hauteurCible), std::ceil(z.y + z.hauteur));
    const double hb = std::ceil((fin - origine) / (2.0 * n));
    if (!(hb >= 1)) return false;
    cairo_surface_flush(cible);
    unsigned char* pixels = cairo_image_surface_get_data(cible);
    const int pas = cairo_image_surface_get_stride(cible);
    // The extents of the clip a single walk would have.
    Boite etendue;
    cairo_save(c);
    cairo_new_path(c);
    cairo_rectangle(c, z.x, z.y, z.largeur, z.hauteur);
    cairo_clip(c);
    cairo_clip_extents(c, &etendue.x0, &etendue.y0, &etendue.x1, &etendue.y1);
    cairo_restore(c);
    if (coupe_) etendue = *coupe_;
    std::mutex verrou;
    std::atomic<bool> tousComplets{true};
    auto peindreBandes = [&](Parcours& p, int rang) {
        p.setBandes(n, rang, hb, origine);
        cairo_surface_t* s =
            cairo_image_surface_create_for_data(pixels, format, largeur, hauteurCible, pas);
        cairo_t* cb = cairo_create(s);
        for (int k = rang; origine + k * hb < fin; k += n)
            cairo_rectangle(cb, 0, origine + k * hb, largeur, std::min(hb, fin - origine - k * hb));
        cairo_clip(cb);
        if (!peindreSur(cb, p, dessin, vue, z, &verrou, &etendue)) tousComplets = false;
        cairo_destroy(cb);
        cairo_surface_destroy(s);
        p.setBandes(1, 0, 0, 0);
    };
    std::vector<std::unique_ptr<Parcours>> aides;
    std::vector<std::thread> fils;
    std::vector<int> sansFil;  // ranks whose thread could not be started
    for (int rang = 1; rang < n; ++rang) {
        aides.push_back(std::make_unique<Parcours>(options_));
        aides.back()->setSilencieux();
        try {
            fils.emplace_back(peindreBandes, std::ref(*aides.back()), rang);
        } catch (const std::system_error&) {
            // No thread to be had (a bound on memory or on processes): this
            // thread paints those bands itself.
            sansFil.push_back(rang);
        }
    }
    peindreBandes(principal_, 0);
    for (int rang : sansFil) peindreBandes(*aides[rang - 1], rang);
    for (auto& f : fils) f.join();
    cairo_surface_mark_dirty(cible);
    complet = tousComplets;
    return true;
}
