// Small inputs that cost far more than their size, against ordinary ones of
// the same size, in one run:
//   MTEXT laid out (codes read, glyphs measured and placed by the fonts of
//   the painters, each run from a cold font cache as in a new process):
//   300,000 paragraphs, a million braces opened, 50,000 font names, each
//   against an ordinary text (words and paragraphs) of as many bytes;
//   a progressive JPEG of 2048 x 2048 pixels whose AC scan repeats 1,000
//   times, decoded as the drawings' pictures are, against the same JPEG
//   with that scan once.
//   drawings painted on an image of 1000 x 1000 pixels (Peintre, no trace):
//   1,000 lines through a point seen in a window of 2 x 2 units (each line
//   2 million pixels long) against the whole drawing fitted; a MINSERT of
//   2^31 x 2^31 copies fitted, and seen in 10 x 10 units, against one of
//   100 x 100 copies fitted; a SPLINE of 100,000 control points zig-zagging
//   across the view against the same spline flat, and how long its paint
//   takes to stop once its annulation flag is set 50 ms in;
//   a filled HATCH of 20,000 circles (arcs, then elliptic arcs), read, and
//   painted fitted and seen in 10 x 10 units, against one of 20,000
//   squares read and painted fitted; the bytes of the hatch against those
//   of its file.
// Each figure is the median of a few runs (TARSIN_BENCH_REPETITIONS,
// default 3), with the peak memory of one run (in a child process). A word
// given runs only the parts whose title holds it ("HATCH", "JPEG").
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "render/images.h"
#include "render/mise_en_page.h"
#include "render/peintre.h"
#include "render/polices.h"
#include "support/hostiles.h"

namespace {

struct Cout {
    double secondes;
    double mio;  // peak resident memory above the parent's
};

// A line of /proc/self/status, in KiB ("VmRSS:", "VmHWM:").
long statutKio(const char* nom) {
    std::ifstream statut("/proc/self/status");
    std::string ligne;
    while (std::getline(statut, ligne))
        if (ligne.rfind(nom, 0) == 0) return std::atol(ligne.c_str() + std::strlen(nom));
    return 0;
}

Cout mesurer(const std::function<void()>& travail) {
    int repetitions = 3;
    if (const char* r = std::getenv("TARSIN_BENCH_REPETITIONS")) repetitions = std::atoi(r);
    std::vector<double> temps;
    for (int i = 0; i < std::max(repetitions, 1); ++i) {
        const auto debut = std::chrono::steady_clock::now();
        travail();
        temps.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count());
    }
    std::sort(temps.begin(), temps.end());
    // The peak of one run, in a child whose peak starts from what it holds
    // (clear_refs 5 resets it).
    int tube[2];
    if (pipe(tube) != 0) std::abort();
    const pid_t enfant = fork();
    if (enfant == 0) {
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        const long avant = statutKio("VmRSS:");
        travail();
        const long pic = statutKio("VmHWM:") - avant;
        if (write(tube[1], &pic, sizeof pic) != sizeof pic) _exit(1);
        _exit(0);
    }
    long pic = 0;
    if (read(tube[0], &pic, sizeof pic) != sizeof pic) pic = -1;
    close(tube[0]);
    close(tube[1]);
    waitpid(enfant, nullptr, 0);
    return {temps[temps.size() / 2], pic / 1024.0};
}

void mettreEnPageFroid(const std::string& codes) {
    libererPolicesTextes();
    MesureurCairo mesureur;
    StyleCaracteres base;
    base.hauteur = 2.5;
    // As the painter lays a text out.
    const MiseEnPage mp = mettreEnPage(codes, base, true, 0, 1, 0, mesureur);
    if (mp.lignes < 0) std::abort();
}

std::shared_ptr<const Dessin> lire(const std::string& texte) {
    std::ostringstream trace;
    DXFHandler handler(trace);
    std::istringstream flux(texte);
    if (!lireDXF(flux, handler).utilisable()) std::abort();
    return handler.getDessin();
}

// Paints a drawing on an image of 1000 x 1000 pixels: the rectangle
// (x0, y0, x1, y1) of the drawing, or the whole drawing fitted when it is
// empty.
void peindreVue(const Dessin& dessin, const Boite& fenetre,
                const std::atomic<bool>* annulation = nullptr) {
    constexpr int kCote = 1000;
    auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_RGB24, kCote, kCote);
    auto cr = Cairo::Context::create(surface);
    const Vue vue = fenetre.vide() ? ajusterDessin(dessin, kCote, kCote, 10)
                                   : ajuster(fenetre, kCote, kCote, 0);
    Peintre peintre;
    peintre.setAnnulation(annulation);
    peintre.peindre(cr, dessin, vue, kCote, Zone{0, 0, kCote, kCote}, {});
}

// Seconds from the annulation flag set, 50 ms into a paint, to its end.
double delaiAnnulation(const Dessin& dessin) {
    std::atomic<bool> annulation{false};
    std::chrono::steady_clock::time_point marque;
    std::thread drapeau([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        marque = std::chrono::steady_clock::now();
        annulation = true;
    });
    peindreVue(dessin, Boite{}, &annulation);
    const auto fin = std::chrono::steady_clock::now();
    drapeau.join();
    return std::max(0.0, std::chrono::duration<double>(fin - marque).count());
}

void comparer(const char* nom, const Cout& hostile, const Cout& ordinaire) {
    std::printf(
        "%-22s %9.3f s %8.1f Mio | ordinaire %9.3f s %8.1f Mio | x%.2f temps, x%.2f memoire\n", nom,
        hostile.secondes, hostile.mio, ordinaire.secondes, ordinaire.mio,
        hostile.secondes / ordinaire.secondes,
        ordinaire.mio > 0 ? hostile.mio / ordinaire.mio : 0.0);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // With a word, only the parts whose title holds it.
    const std::string filtre = argc > 1 ? argv[1] : "";
    auto partie = [&](const char* titre) {
        if (std::string(titre).find(filtre) == std::string::npos) return false;
        std::printf("== %s\n", titre);
        return true;
    };
    struct Cas {
        const char* nom;
        std::string codes;
    };
    const Cas cas[] = {
        {"300000 paragraphes", hostiles::mtextParagraphes(300'000)},
        {"1000000 accolades", hostiles::mtextAccolades(1'000'000)},
        {"50000 polices", hostiles::mtextPolices(50'000)},
    };
    if (partie("MTEXT mis en page (froid), contre un texte ordinaire de meme taille"))
        for (const Cas& c : cas) {
            const std::string ordinaire = hostiles::mtextOrdinaire(c.codes.size());
            const Cout h = mesurer([&] { mettreEnPageFroid(c.codes); });
            const Cout o = mesurer([&] { mettreEnPageFroid(ordinaire); });
            comparer(c.nom, h, o);
        }

    if (partie("Dessins peints sur 1000 x 1000 pixels, contre le dessin ajuste")) {
        const auto lignes = lire(hostiles::lignesParUnPoint(1000, 4010));
        const auto tirets = lire(hostiles::lignesParUnPoint(1000, 4010, "CACHE"));
        const Boite zoom{-1, -1, 1, 1};
        comparer("1000 lignes zoomees", mesurer([&] { peindreVue(*lignes, zoom); }),
                 mesurer([&] { peindreVue(*lignes, Boite{}); }));
        comparer("1000 tirets zoomes", mesurer([&] { peindreVue(*tirets, zoom); }),
                 mesurer([&] { peindreVue(*tirets, Boite{}); }));
        const auto geant = lire(hostiles::minsert(2147483647, 2147483647, 1));
        const auto cent = lire(hostiles::minsert(100, 100, 1));
        const Cout ordinaire = mesurer([&] { peindreVue(*cent, Boite{}); });
        comparer("MINSERT 2^31 ajuste", mesurer([&] { peindreVue(*geant, Boite{}); }), ordinaire);
        const auto zigzag = lire(hostiles::splineZigZag(100'000));
        const auto plate = lire(hostiles::splineZigZag(100'000, 0));
        comparer("SPLINE zig-zag 100000", mesurer([&] { peindreVue(*zigzag, Boite{}); }),
                 mesurer([&] { peindreVue(*plate, Boite{}); }));
        std::printf("SPLINE zig-zag 100000: arretee %.3f s apres le drapeau d'annulation\n",
                    delaiAnnulation(*zigzag));
        comparer("MINSERT 2^31 zoome", mesurer([&] {
                     peindreVue(*geant, Boite{0, 0, 10, 10});
                 }),
                 ordinaire);
    }

    if (partie("HATCH de 20000 cercles, contre 20000 carres (import, puis peinture)")) {
        const std::string carres = hostiles::hachureCercles(20'000, 0);
        const auto ordinaire = lire(carres);
        const Cout importCarres = mesurer([&] { lire(carres); });
        const Cout peintureCarres = mesurer([&] { peindreVue(*ordinaire, Boite{}); });
        auto octets = [](const Dessin& d) {
            std::size_t n = 0;
            for (const Hatch* h : d.getBlocRoot().liste<Hatch>()) n += h->octets();
            return n;
        };
        for (int genre : {0, 2, 3}) {
            const std::string texte = hostiles::hachureCercles(20'000, genre);
            const auto dessin = lire(texte);
            std::printf("%-22s fichier %9zu octets, hachure %9zu octets (x%.2f)\n",
                        genre == 0   ? "carres"
                        : genre == 2 ? "arcs"
                                     : "arcs d'ellipse",
                        texte.size(), octets(*dessin),
                        static_cast<double>(octets(*dessin)) / static_cast<double>(texte.size()));
            if (genre == 0) continue;
            comparer(genre == 2 ? "import 20000 arcs" : "import 20000 ellipses",
                     mesurer([&] { lire(texte); }), importCarres);
            comparer(genre == 2 ? "peinture 20000 arcs" : "peinture 20000 ellipses",
                     mesurer([&] { peindreVue(*dessin, Boite{}); }), peintureCarres);
            // Seen in 10 x 10 units: 16 circles of 100 pixels.
            comparer(genre == 2 ? "zoom sur 20000 arcs" : "zoom sur 20000 ellipses", mesurer([&] {
                         peindreVue(*dessin, Boite{0, 0, 10, 10});
                     }),
                     peintureCarres);
        }
    }

    if (partie("JPEG progressif 2048 x 2048, 1000 scans repetes, contre 1 scan")) {
        const std::string dossier =
            std::getenv("TARSIN_BENCH_DIR") ? std::getenv("TARSIN_BENCH_DIR") : "/tmp";
        const std::string hostile = dossier + "/tarsin-bench-scans.jpg";
        const std::string simple = dossier + "/tarsin-bench-simple.jpg";
        std::ofstream(hostile, std::ios::binary) << hostiles::jpegProgressif(2048, 2048, 1000);
        std::ofstream(simple, std::ios::binary) << hostiles::jpegProgressif(2048, 2048, 1);
        auto decoder = [](const std::string& chemin) {
            Decodage d;
            GdkPixbuf* p = decoderImage(chemin, d, CacheImages::kPixelsMax, CacheImages::kCoteMax);
            if (p) g_object_unref(p);
        };
        comparer("JPEG 1000 scans", mesurer([&] { decoder(hostile); }),
                 mesurer([&] { decoder(simple); }));
        std::remove(hostile.c_str());
        std::remove(simple.c_str());
    }
    libererPolices();
    return 0;
}
