// libFuzzer target over the whole road of a drawing: the guard and dxflib,
// the import handler and its model, the painters on a small image surface,
// and both annotation readers reading the same bytes as an annotation file
// (the full viewer's index checked against its walk through the file), the
// image decoder reading them as a picture, and the layout of texts reading
// them as the codes of an MTEXT and of a single-line text (braces, fonts,
// paragraphs, stacks) with the painters' fonts. One repaint goes to a
// recording surface, as vector outputs do, with its paint trace bounded to a
// few lines, so that the cut is reached.
// The bytes are read from memory and from a file, with the same outcome.
//
// Build with -DTARSIN_FUZZ=ON and clang; run for instance
//   build-fuzz/fuzz/fuzz_lecture -dict=fuzz/dxf.dict NOUVEAUX fuzz/corpus
#include <cairomm/context.h>
#include <cairomm/surface.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "annot/annotations.h"
#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "render/images.h"
#include "render/mise_en_page.h"
#include "render/peintre.h"
#include "render/polices.h"

namespace {

// A stream that takes everything and keeps nothing.
class Puits : public std::streambuf {
  protected:
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

std::ostream& nulle() {
    static Puits puits;
    static std::ostream flux(&puits);
    return flux;
}

// The annotation file of this process, rewritten for every input.
std::string cheminAnnotations() {
    return (access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm") : std::string("/tmp")) +
           "/tarsin-fuzz-" + std::to_string(getpid()) + ".ann";
}
const std::string& fichierAnnotations() {
    static const std::string chemin = [] {
        std::atexit([] { std::remove(cheminAnnotations().c_str()); });
        return cheminAnnotations();
    }();
    return chemin;
}

// Paints on an image surface, or on a recording surface (as PDF and SVG
// outputs do: strokes gathered by colour).
void peindre(DXFHandler& handler, double echelle, bool images, std::size_t limiteTrace,
             bool vectoriel) {
    constexpr int kCote = 48;
    const cairo_rectangle_t etendue{0, 0, kCote, kCote};
    cairo_surface_t* s = vectoriel
                             ? cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &etendue)
                             : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kCote, kCote);
    Cairo::RefPtr<Cairo::Surface> surface(new Cairo::Surface(s, true));
    auto cr = Cairo::Context::create(surface);
    Trace trace(nulle());
    OptionsPeinture options;
    options.images = images;
    Peintre peintre(trace, options);
    peintre.setLimiteTrace(limiteTrace);
    const std::list<std::string> masques = {"0"};
    peintre.peindre(cr, *handler.getDessin(), echelle, kCote, Zone{0, 0, kCote, kCote},
                    images ? std::list<std::string>{} : masques);
}

// Writes the input where the readers of files find it.
const std::string& ecrireFichier(std::string_view octets) {
    const std::string& chemin = fichierAnnotations();
    std::ofstream f(chemin, std::ios::binary | std::ios::trunc);
    f.write(octets.data(), static_cast<std::streamsize>(octets.size()));
    return chemin;
}

void lireAnnotations(const std::string& chemin) {
    std::size_t rangs = 0;
    auto compter = [&rangs](const std::string&) { ++rangs; };
    for (const char* cle : {"0:*", "1:0", "2:*"}) lireAnnot(chemin, cle, compter, nulle(), nulle());
    for (const char* cle : {"0|*", "*", "1:2"}) {
        lireAnnotPlan(chemin, cle, true, compter, nulle(), nulle());
        lireAnnotPlan(chemin, cle, false, compter, nulle(), nulle());
    }
}

// The index of a tree rebuild must give, for every layer key, the rows, the
// result and the diagnostics of a walk through the whole file.
void comparerIndex(const std::string& chemin) {
    constexpr std::size_t kCalques = 12;
    FichierAnnotations indexe(chemin, kCalques, nulle()), parcouru(chemin, 0, nulle());
    for (std::size_t i = 0; i < kCalques; ++i) {
        const std::string cle = std::to_string(i) + ":*";
        std::vector<std::string> rangsIndex, rangsParcours;
        std::ostringstream sortieIndex, sortieParcours;
        const std::string a = indexe.lireAnnot(
            cle, [&](const std::string& t) { rangsIndex.push_back(t); }, sortieIndex, nulle());
        const std::string b = parcouru.lireAnnot(
            cle, [&](const std::string& t) { rangsParcours.push_back(t); }, sortieParcours,
            nulle());
        if (a != b || rangsIndex != rangsParcours || sortieIndex.str() != sortieParcours.str())
            std::abort();
    }
}

// The same bytes as a picture, within small bounds: the header checks and the
// loaders of the five formats read what the input gives.
void decoderImageFuzz(const std::string& chemin) {
    Decodage d;
    GdkPixbuf* image =
        decoderImage(chemin, d, 1 << 16, 1024, BornesDecodage{std::uint64_t{1} << 20});
    if ((image != nullptr) != (d.refus == RefusImage::Aucun)) std::abort();
    if (image) g_object_unref(image);
}

// The same bytes as the codes of a text, laid out with the painters' fonts:
// every line accounted for, sizes finite.
void mettreEnPageFuzz(std::string_view codes) {
    MesureurCairo mesureur;
    StyleCaracteres base;
    for (bool mtext : {true, false}) {
        const std::vector<Morceau> morceaux = lireCodes(codes, mtext, base);
        const MiseEnPage mp = mettreEnPage(morceaux, mtext, mtext ? 40 : 0, 1.5, 1, mesureur);
        if (mp.lignes < 1 || !std::isfinite(mp.largeur) || !std::isfinite(mp.hauteur)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    const std::string_view octets(reinterpret_cast<const char*>(donnees), taille);
    ResultatLecture enMemoire;
    std::size_t entites = 0;
    {
        DXFHandler handler(nulle());
        enMemoire = lireTexteDXF(octets, "fuzz.dxf", handler);
        entites = handler.entitesRecues();
        if (enMemoire.utilisable()) {
            peindre(handler, 1.0, true, Peintre::kTraceMax, false);
            peindre(handler, 0.25, false, 512, true);
        }
    }
    const std::string& chemin = ecrireFichier(octets);
    {
        // The same bytes from a file, into the earlier viewer's handler,
        // which ignores images: the outcome must be the same, but for a
        // drawing of images alone, of which that handler reads nothing.
        DXFHandler::Options sansImages;
        sansImages.images = false;
        DXFHandler handler(nulle(), sansImages);
        const ResultatLecture depuisFichier = lireDXF(chemin, handler);
        const bool imagesSeules =
            depuisFichier.cause == ResultatLecture::RienLu && enMemoire.utilisable() && entites > 0;
        if (!imagesSeules &&
            (depuisFichier.issue != enMemoire.issue || depuisFichier.cause != enMemoire.cause))
            std::abort();
    }
    lireAnnotations(chemin);
    comparerIndex(chemin);
    decoderImageFuzz(chemin);
    mettreEnPageFuzz(octets);
    return 0;
}
