// libFuzzer target over the whole road of a drawing: the guard and dxflib,
// the import handler and its model, the painters on a small image surface,
// and both annotation readers reading the same bytes as an annotation file
// (the full viewer's index checked against its walk through the file).
// The bytes are read from memory and from a file, with the same outcome.
//
// Build with -DTARSIN_FUZZ=ON and clang; run for instance
//   build-fuzz/fuzz/fuzz_lecture -dict=fuzz/dxf.dict NOUVEAUX fuzz/corpus
#include <cairomm/context.h>
#include <cairomm/surface.h>
#include <unistd.h>

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
#include "render/peintre.h"

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

void peindre(DXFHandler& handler, double echelle, bool images) {
    constexpr int kCote = 48;
    auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, kCote, kCote);
    auto cr = Cairo::Context::create(surface);
    Trace trace(nulle());
    OptionsPeinture options;
    options.images = images;
    Peintre peintre(trace, options);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    const std::string_view octets(reinterpret_cast<const char*>(donnees), taille);
    ResultatLecture enMemoire;
    {
        DXFHandler handler(nulle());
        enMemoire = lireTexteDXF(octets, "fuzz.dxf", handler);
        if (enMemoire.utilisable()) {
            peindre(handler, 1.0, true);
            peindre(handler, 0.25, false);
        }
    }
    const std::string& chemin = ecrireFichier(octets);
    {
        // The same bytes from a file, into the earlier viewer's handler,
        // which ignores images: the outcome must be the same.
        DXFHandler::Options sansImages;
        sansImages.images = false;
        DXFHandler handler(nulle(), sansImages);
        const ResultatLecture depuisFichier = lireDXF(chemin, handler);
        if (depuisFichier.issue != enMemoire.issue || depuisFichier.cause != enMemoire.cause)
            std::abort();
    }
    lireAnnotations(chemin);
    comparerIndex(chemin);
    return 0;
}
