// Cost of painting texts: a drawing of 100k texts (half TEXT, placed with
// alignments, width factors and control codes; half MTEXT with paragraphs,
// heights, colours, stacked fractions and a wrapping box; heights of 2.5,
// 3.5 or 5 units, three quarters level, a tenth upright, the rest at any
// angle),
// against its floor: the same count of lines at the same places, as long
// as the texts. Both are read once and painted whole on a 2000x2000 ARGB
// surface by the Peintre (trace to a file), at three scales:
//   lisible   scale 2: capitals of 5 to 10 pixels, every text laid out;
//   moyen     scale 0.5: capitals of 1.25 to 2.5 pixels;
//   minuscule scale 0.1: texts under a pixel, painted as bars.
// At the end: milliseconds of each and the ratio texts / lines.
//
// Environment: TARSIN_BENCH_DIR (drawings, default /tmp), TARSIN_BENCH_N
// (texts, default 100000).
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <cairomm/context.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <list>
#include <map>
#include <memory>
#include <cmath>
#include <random>
#include <string>

#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "model/trace.h"
#include "render/peintre.h"

namespace {

constexpr int kCote = 2000;

std::string nombre(double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.3f", v);
    return t;
}

void paire(std::ostream& o, int code, const std::string& v) { o << code << '\n' << v << '\n'; }

// Writes the texts (`textes` true) or the lines in their places.
void ecrire(const std::string& chemin, long n, bool textes) {
    std::ofstream o(chemin, std::ios::trunc);
    std::mt19937 hasard(7);
    auto entre = [&](double a, double b) { return a + (b - a) * (hasard() / 4294967296.0); };
    static const char* const kMots[] = {"Regard", "Vanne",       "%%c200", "Mur porteur",
                                        "45%%d",  "Cote %%p0.5", "Salle",  "Escalier",
                                        "R+1",    "Niveau"};
    paire(o, 0, "SECTION");
    paire(o, 2, "ENTITIES");
    for (long i = 0; i < n; ++i) {
        // As drawings have them: a few heights and width factors, most texts
        // level, some upright, a few at any angle.
        static const double kHauteurs[] = {2.5, 3.5, 5};
        const double x = entre(0, 1000), y = entre(0, 1000), h = kHauteurs[hasard() % 3];
        const unsigned a = hasard() % 20;
        const double angle = a < 15 ? 0 : a < 17 ? 90 : entre(0, 360);
        const std::string couleur = std::to_string(1 + hasard() % 7);
        const bool mtext = i % 2 == 1;
        std::string t = kMots[hasard() % 10];
        if (mtext)
            t = t + " {\\C1;rouge} \\H0.7x;petit\\H1.4286x;\\P" + kMots[hasard() % 10] +
                " \\S1/2; fin de ligne un peu longue";
        // The lines: along the text, as long as it (glyphs of 0.75 height).
        const double longueur = 0.75 * h * static_cast<double>(mtext ? 24 : t.size());
        if (!textes) {
            paire(o, 0, "LINE");
            paire(o, 8, "0");
            paire(o, 62, couleur);
            paire(o, 10, nombre(x));
            paire(o, 20, nombre(y));
            paire(o, 11, nombre(x + longueur * std::cos(angle * 3.14159265 / 180)));
            paire(o, 21, nombre(y + longueur * std::sin(angle * 3.14159265 / 180)));
            continue;
        }
        paire(o, 0, mtext ? "MTEXT" : "TEXT");
        paire(o, 8, "0");
        paire(o, 62, couleur);
        paire(o, 10, nombre(x));
        paire(o, 20, nombre(y));
        paire(o, 40, nombre(h));
        paire(o, 50, nombre(angle));
        paire(o, 7, "STANDARD");
        if (mtext) {
            paire(o, 41, nombre(20 * h));
            paire(o, 71, std::to_string(1 + hasard() % 9));
        } else {
            paire(o, 41, hasard() % 4 == 0 ? "0.8" : "1");
            const int ah = static_cast<int>(hasard() % 3);
            paire(o, 72, std::to_string(ah));
            paire(o, 11, nombre(x));
            paire(o, 21, nombre(y));
            paire(o, 73, std::to_string(ah == 0 ? 0 : 1 + hasard() % 3));
        }
        paire(o, 1, t);
    }
    paire(o, 0, "ENDSEC");
    paire(o, 0, "EOF");
}

struct Dessins {
    std::ofstream rien;
    std::unique_ptr<DXFHandler> textes, lignes;
};

Dessins& dessins() {
    static Dessins d;
    if (d.textes) return d;
    const char* dossier = std::getenv("TARSIN_BENCH_DIR");
    const char* n = std::getenv("TARSIN_BENCH_N");
    const std::string base =
        std::string(dossier && *dossier ? dossier : "/tmp") + "/tarsin-textes-";
    const long nombreTextes = n && *n ? std::atol(n) : 100000;
    d.rien.setstate(std::ios::badbit);
    for (bool textes : {true, false}) {
        const std::string chemin =
            base + (textes ? "t" : "l") + std::to_string(nombreTextes) + ".dxf";
        ecrire(chemin, nombreTextes, textes);
        auto h = std::make_unique<DXFHandler>(d.rien);
        if (!lireDXF(chemin, *h).utilisable()) {
            std::fprintf(stderr, "bench_textes : %s illisible\n", chemin.c_str());
            std::exit(1);
        }
        (textes ? d.textes : d.lignes) = std::move(h);
    }
    return d;
}

std::map<std::string, double> secondes;  // best time of each benchmark

void peindre(benchmark::State& etat, const std::string& nom, bool textes, double echelle) {
    Dessins& d = dessins();
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kCote, kCote);
    {
        Cairo::RefPtr<Cairo::Context> cr(new Cairo::Context(cairo_create(s), true));
        std::ofstream fichier("/tmp/bench_textes_trace.txt", std::ios::trunc);
        Trace trace(fichier);
        Peintre peintre(trace);
        const Dessin& dessin = *(textes ? d.textes : d.lignes)->getDessin();
        for (auto _ : etat) {
            etat.PauseTiming();
            cairo_save(cr->cobj());
            cairo_set_source_rgb(cr->cobj(), 1, 1, 1);
            cairo_paint(cr->cobj());
            cairo_restore(cr->cobj());
            fichier.seekp(0);
            etat.ResumeTiming();
            const auto t0 = std::chrono::steady_clock::now();
            peintre.peindre(cr, dessin, echelle, kCote, Zone{0, 0, kCote, kCote}, {});
            cairo_surface_flush(s);
            const double t =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            auto it = secondes.find(nom);
            if (it == secondes.end() || t < it->second) secondes[nom] = t;
        }
        if (nom == "textes_lisible") cairo_surface_write_to_png(s, "/tmp/bench_textes.png");
    }
    cairo_surface_destroy(s);
}

void BM_TextesLisible(benchmark::State& e) { peindre(e, "textes_lisible", true, 2); }
void BM_LignesLisible(benchmark::State& e) { peindre(e, "lignes_lisible", false, 2); }
void BM_TextesMoyen(benchmark::State& e) { peindre(e, "textes_moyen", true, 0.5); }
void BM_LignesMoyen(benchmark::State& e) { peindre(e, "lignes_moyen", false, 0.5); }
void BM_TextesMinuscule(benchmark::State& e) { peindre(e, "textes_minuscule", true, 0.1); }
void BM_LignesMinuscule(benchmark::State& e) { peindre(e, "lignes_minuscule", false, 0.1); }

BENCHMARK(BM_TextesLisible)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_LignesLisible)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_TextesMoyen)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_LignesMoyen)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_TextesMinuscule)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_LignesMinuscule)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const char* echelle : {"lisible", "moyen", "minuscule"}) {
        const std::string t = std::string("textes_") + echelle,
                          l = std::string("lignes_") + echelle;
        if (!secondes.count(t) || !secondes.count(l)) continue;
        std::printf("%-10s textes %8.1f ms, lignes %8.1f ms : %.1f fois\n", echelle,
                    secondes[t] * 1e3, secondes[l] * 1e3, secondes[t] / secondes[l]);
    }
    libererPolices();
    return 0;
}
