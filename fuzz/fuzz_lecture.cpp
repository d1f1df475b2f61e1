// libFuzzer target over the whole road of a drawing: the guard and dxflib,
// the import handler and its model, the painters on a small image surface,
// and both annotation readers reading the same bytes as an annotation file.
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
#include <string>
#include <string_view>

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
    peintre.peindre(cr, *handler.getBlocRoot(), echelle, kCote, Zone{0, 0, kCote, kCote},
                    images ? std::list<std::string>{} : masques);
}

void lireAnnotations(std::string_view octets) {
    const std::string& chemin = fichierAnnotations();
    {
        std::ofstream f(chemin, std::ios::binary | std::ios::trunc);
        f.write(octets.data(), static_cast<std::streamsize>(octets.size()));
    }
    std::size_t rangs = 0;
    auto compter = [&rangs](const std::string&) { ++rangs; };
    for (const char* cle : {"0:*", "1:0", "2:*"}) lireAnnot(chemin, cle, compter, nulle(), nulle());
    for (const char* cle : {"0|*", "*", "1:2"}) {
        lireAnnotPlan(chemin, cle, true, compter, nulle(), nulle());
        lireAnnotPlan(chemin, cle, false, compter, nulle(), nulle());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    const std::string_view octets(reinterpret_cast<const char*>(donnees), taille);
    {
        DXFHandler handler(nulle());
        const ResultatLecture r = lireTexteDXF(octets, "fuzz.dxf", handler);
        if (r.utilisable()) {
            peindre(handler, 1.0, true);
            peindre(handler, 0.25, false);
        }
    }
    {
        // The earlier viewer's handler ignores images.
        DXFHandler::Options sansImages;
        sansImages.images = false;
        DXFHandler handler(nulle(), sansImages);
        lireTexteDXF(octets, "fuzz.dxf", handler);
    }
    lireAnnotations(octets);
    return 0;
}
