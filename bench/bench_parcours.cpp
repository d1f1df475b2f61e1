// What the paint trace and the hidden layers cost a repaint, in one run, on
// a 2000 x 2000 image surface painted on the calling thread:
//   insertions_trace      50,000 insertions of a 20-line block (a grid of
//                         250 x 200), 25 of them in view: a repaint with its
//                         paint trace written (to /dev/null), as the window
//                         does while its log takes it;
//   insertions_sans_trace the same repaint with no trace wanted;
//   insertions_25         the same picture of a drawing that holds only the
//                         25 insertions in view: what the 49,975 others
//                         cost is the difference;
//   insertions_rien       the walk of the same view into a backend that
//                         paints nothing: the walk's share of the repaint;
//   calques_1             20,000 lines on 10,000 layers, with 10,000 more
//                         layers that hold nothing, one of them hidden;
//   calques_10000         the same with those 10,000 layers hidden.
// At the end it prints the ratios against the targets: trace <= 3 x sans
// trace, sans trace <= 1.2 x the 25 alone, calques_10000 <= 1.1 x
// calques_1.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <cairomm/context.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <limits>
#include <list>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "import/dxfhandler.h"
#include "model/etendue.h"
#include "model/trace.h"
#include "render/parcours.h"
#include "render/peintre.h"
#include "surface_banc.h"

namespace {

constexpr int kCote = 2000;

std::string paire(int code, const std::string& valeur) {
    return std::to_string(code) + "\n" + valeur + "\n";
}
std::string nombre(double v) {
    std::ostringstream o;
    o << v;
    return o.str();
}
std::string ligne(double x1, double y1, double x2, double y2, const std::string& calque = "0") {
    return paire(0, "LINE") + paire(8, calque) + paire(10, nombre(x1)) + paire(20, nombre(y1)) +
           paire(11, nombre(x2)) + paire(21, nombre(y2));
}

std::shared_ptr<const Dessin> lire(const std::string& texte) {
    std::ofstream rien;
    rien.setstate(std::ios::badbit);
    DXFHandler handler(rien);
    if (!lireTexteDXF(texte, "bench", handler).utilisable()) {
        std::fprintf(stderr, "bench_parcours : dessin illisible\n");
        std::exit(1);
    }
    std::shared_ptr<const Dessin> d = handler.getDessin();
    etendue(*d);
    return d;
}

// Insertions of a block of 20 lines within 10 x 10 units, 20 units apart:
// 250 columns by 200 rows, or the 5 x 5 of them in view.
std::shared_ptr<const Dessin> grille(bool vueSeule) {
    std::string bloc;
    for (int i = 0; i < 20; ++i) bloc += ligne(0, i * 0.5, 10, 10 - i * 0.5);
    std::string entites;
    for (int r = 0; r < 200; ++r) {
        for (int c = 0; c < 250; ++c) {
            if (vueSeule && !(c >= 50 && c < 55 && r >= 50 && r < 55)) continue;
            entites += paire(0, "INSERT") + paire(8, "0") + paire(2, "B") +
                       paire(10, nombre(c * 20)) + paire(20, nombre(r * 20));
        }
    }
    return lire(paire(0, "SECTION") + paire(2, "BLOCKS") + paire(0, "BLOCK") + paire(8, "0") +
                paire(2, "B") + paire(70, "0") + paire(10, "0") + paire(20, "0") + bloc +
                paire(0, "ENDBLK") + paire(0, "ENDSEC") + paire(0, "SECTION") +
                paire(2, "ENTITIES") + entites + paire(0, "ENDSEC") + paire(0, "EOF"));
}
const Dessin& insertions() {
    static std::shared_ptr<const Dessin> d = grille(false);
    return *d;
}
const Dessin& insertionsEnVue() {
    static std::shared_ptr<const Dessin> d = grille(true);
    return *d;
}

// 20,000 lines on layers C0..C9999, and layers V0..V9999 that hold nothing.
const Dessin& calques() {
    static std::shared_ptr<const Dessin> d = [] {
        std::string table = paire(0, "TABLE") + paire(2, "LAYER");
        for (int i = 0; i < 10000; ++i)
            for (const char* p : {"C", "V"})
                table += paire(0, "LAYER") + paire(2, p + std::to_string(i)) + paire(70, "0") +
                         paire(62, std::to_string(1 + i % 250)) + paire(6, "CONTINUOUS");
        table += paire(0, "ENDTAB");
        std::string entites;
        for (int i = 0; i < 20000; ++i)
            entites += ligne(i % 1000, i / 20.0, i % 1000 + 30, i / 20.0 + 5,
                             "C" + std::to_string(i % 10000));
        return lire(paire(0, "SECTION") + paire(2, "TABLES") + table + paire(0, "ENDSEC") +
                    paire(0, "SECTION") + paire(2, "ENTITIES") + entites + paire(0, "ENDSEC") +
                    paire(0, "EOF"));
    }();
    return *d;
}

using Surface = SurfaceBanc<kCote>;

std::map<std::string, double> meilleurs;

// Processor time of this process: the machine is shared, and the repaints
// measured here run on the calling thread alone.
double cpu() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void garder(const char* nom, double secondes) {
    auto& m = meilleurs.try_emplace(nom, std::numeric_limits<double>::infinity()).first->second;
    m = std::min(m, secondes);
}

// 25 insertions in view: 5 x 5 cells of 20 units at 20 pixels a unit, the
// blocks of columns and rows 50 to 54.
Vue vueInsertions() {
    Vue v;
    v.echelle = 20;
    v.x = 995;
    v.y = 995;
    return v;
}

void repeindre(benchmark::State& etat, const char* nom, const Dessin& d, const Vue& vue,
               const std::list<std::string>& masques, bool trace) {
    Surface s;
    std::ofstream nul("/dev/null");
    Trace t(nul);
    Peintre peintre(OptionsPeinture{});
    if (trace) peintre.setTrace(t);
    peintre.setFils(1);
    for (auto _ : etat) {
        const double debut = cpu();
        peintre.peindre(s.cr, d, vue, kCote, Zone{0, 0, kCote, kCote}, masques);
        garder(nom, cpu() - debut);
    }
}

class RenduNul : public Rendu {
  public:
    void segment(double, double, double, double, const Trait&) override {}
    void arc(const Matrice&, double, double, double, double, double, const Trait&) override {}
    void pixel(double, double, const CouleurRVB&) override {}
    void polyligne(const PointPlan*, std::size_t, bool, const Trait&) override {}
    void remplir(const PointPlan*, const std::size_t*, std::size_t, const CouleurRVB&,
                 RegleRemplissage) override {}
    // The walk alone: texts are not laid out.
    Mesureur* mesureur() override { return nullptr; }
    void texte(const Matrice&, const TextePlace&) override {}
    void image(const Matrice&, const Image&, const CouleurRVB&) override {}
};

void BM_InsertionsTrace(benchmark::State& e) {
    repeindre(e, "insertions_trace", insertions(), vueInsertions(), {}, true);
}
void BM_InsertionsSansTrace(benchmark::State& e) {
    repeindre(e, "insertions_sans_trace", insertions(), vueInsertions(), {}, false);
}
void BM_Insertions25(benchmark::State& e) {
    repeindre(e, "insertions_25", insertionsEnVue(), vueInsertions(), {}, false);
}
void BM_InsertionsRien(benchmark::State& etat) {
    const Dessin& d = insertions();
    Parcours p;
    p.setZone(-2, -2, kCote + 2, kCote + 2);
    RenduNul rien;
    for (auto _ : etat) {
        const double debut = cpu();
        p.parcourir(d, vueInsertions().matrice(kCote), rien);
        garder("insertions_rien", cpu() - debut);
    }
}

Vue vueCalques() {
    Vue v;
    v.echelle = 1.9;
    return v;
}
void BM_Calques1(benchmark::State& e) {
    repeindre(e, "calques_1", calques(), vueCalques(), {"V0"}, false);
}
void BM_Calques10000(benchmark::State& e) {
    std::list<std::string> masques;
    for (int i = 0; i < 10000; ++i) masques.push_back("V" + std::to_string(i));
    repeindre(e, "calques_10000", calques(), vueCalques(), masques, false);
}

}  // namespace

BENCHMARK(BM_InsertionsTrace)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_InsertionsSansTrace)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK(BM_Insertions25)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK(BM_InsertionsRien)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK(BM_Calques1)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_Calques10000)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto ratio = [](const char* a, const char* b, double cible) {
        if (!meilleurs.count(a) || !meilleurs.count(b)) return;
        std::printf("%-22s / %-22s = %6.2f  (cible <= %.1f) ; %.2f ms / %.2f ms\n", a, b,
                    meilleurs[a] / meilleurs[b], cible, meilleurs[a] * 1e3, meilleurs[b] * 1e3);
    };
    std::printf("\nMeilleurs temps de processeur, rapports :\n");
    ratio("insertions_trace", "insertions_sans_trace", 3);
    ratio("insertions_sans_trace", "insertions_25", 1.2);
    ratio("insertions_rien", "insertions_sans_trace", 1);
    ratio("calques_10000", "calques_1", 1.1);
    return 0;
}
