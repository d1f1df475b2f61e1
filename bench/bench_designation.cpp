// Designating and snapping on the synthetic drawing of 1M entities (or
// TARSIN_BENCH_N), in one run:
//   designer      the object under a point, 4 pixels around it, at the
//                 view that fits the drawing into 2000 x 2000 pixels;
//   accrocher     the snapped point, 8 pixels around;
//   index_seul    the floor: the root block's index asked for the same
//                 zone, nothing else.
// Each is timed over 1000 points spread over the drawing; the summary gives
// the median and the worst in ms (target: under 50 ms), and the ratio of
// their medians to the floor's. It also gives the time and memory of the
// extents and indexes against those of the import (target: under 10%).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

#include "generer_dxf.h"
#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "model/etendue.h"
#include "render/designation.h"

namespace {

using Horloge = std::chrono::steady_clock;

double ms(Horloge::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Resident memory of the process, in bytes.
double resident() {
    std::ifstream f("/proc/self/statm");
    double pages = 0, res = 0;
    f >> pages >> res;
    return res * 4096;
}

struct Mesures {
    std::shared_ptr<const Dessin> dessin;
    double importMs = 0, etendueMs = 0, importOctets = 0, indexOctets = 0;
    double echelle = 1;
    std::vector<PointPlan> points;
};

Mesures& mesures() {
    static Mesures m;
    if (m.dessin) return m;
    const std::string chemin = fichierDXFDuBanc();
    std::ofstream rien;
    rien.setstate(std::ios::badbit);
    const double avant = resident();
    auto t0 = Horloge::now();
    {
        DXFHandler handler(rien);
        if (!lireDXF(chemin, handler).utilisable()) {
            std::fprintf(stderr, "bench_designation : %s illisible\n", chemin.c_str());
            std::exit(1);
        }
        m.dessin = handler.getDessin();
    }
    m.importMs = ms(Horloge::now() - t0);
    m.importOctets = resident() - avant;
    // The import computed the extents and indexes as it ended: forgotten,
    // then computed again alone.
    for (const Block& bloc : m.dessin->objets<Block>()) bloc.cacheEtendue = {};
    t0 = Horloge::now();
    const Boite b = etendue(*m.dessin);
    etenduePeinte(m.dessin->getBlocRoot());
    m.etendueMs = ms(Horloge::now() - t0);
    for (const Block& bloc : m.dessin->objets<Block>())
        if (bloc.cacheEtendue.index) m.indexOctets += bloc.cacheEtendue.index->octets();
    m.echelle = 2000 / std::max(b.largeur(), b.hauteur());
    // A grid of 1000 points over the drawing's box, slightly shifted.
    for (int i = 0; i < 1000; ++i)
        m.points.push_back({b.x0 + b.largeur() * ((i % 40) + 0.37) / 40,
                            b.y0 + b.hauteur() * ((i / 40) + 0.61) / 25});
    return m;
}

// Times f over every point: median and worst, in ms.
template <class F>
void chronometrer(const char* nom, F&& f, std::vector<double>& medianes) {
    Mesures& m = mesures();
    std::vector<double> t;
    for (const PointPlan& p : m.points) {
        const auto t0 = Horloge::now();
        f(p);
        t.push_back(ms(Horloge::now() - t0));
    }
    std::sort(t.begin(), t.end());
    std::printf("%-12s médiane %.4f ms, pire %.4f ms\n", nom, t[t.size() / 2], t.back());
    medianes.push_back(t[t.size() / 2]);
}

void designer_(benchmark::State& etat) {
    Mesures& m = mesures();
    std::size_t i = 0;
    for (auto _ : etat)
        benchmark::DoNotOptimize(
            designer(*m.dessin, nullptr, m.points[i++ % m.points.size()], 4 / m.echelle));
}
BENCHMARK(designer_)->Unit(benchmark::kMicrosecond);

void accrocher_(benchmark::State& etat) {
    Mesures& m = mesures();
    std::size_t i = 0;
    Accroche a;
    for (auto _ : etat)
        benchmark::DoNotOptimize(accrocher(*m.dessin, nullptr, m.points[i++ % m.points.size()],
                                           8 / m.echelle, nullptr, a));
}
BENCHMARK(accrocher_)->Unit(benchmark::kMicrosecond);

void indexSeul(const PointPlan& p, double r, std::vector<std::uint32_t>& places) {
    Mesures& m = mesures();
    Boite zone;
    zone.ajouter(p.x - r, p.y - r);
    zone.ajouter(p.x + r, p.y + r);
    places.clear();
    if (const IndexSpatial* i = m.dessin->getBlocRoot().cacheEtendue.index.get())
        i->chercher(zone, places);
}

void index_seul(benchmark::State& etat) {
    Mesures& m = mesures();
    std::size_t i = 0;
    std::vector<std::uint32_t> places;
    for (auto _ : etat) {
        indexSeul(m.points[i++ % m.points.size()], 4 / m.echelle, places);
        benchmark::DoNotOptimize(places.data());
    }
}
BENCHMARK(index_seul)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Mesures& m = mesures();
    std::vector<double> medianes;
    std::vector<std::uint32_t> places;
    chronometrer(
        "index_seul", [&](const PointPlan& p) { indexSeul(p, 4 / m.echelle, places); }, medianes);
    chronometrer(
        "designer",
        [&](const PointPlan& p) {
            benchmark::DoNotOptimize(designer(*m.dessin, nullptr, p, 4 / m.echelle));
        },
        medianes);
    chronometrer(
        "accrocher",
        [&](const PointPlan& p) {
            Accroche a;
            benchmark::DoNotOptimize(accrocher(*m.dessin, nullptr, p, 8 / m.echelle, nullptr, a));
        },
        medianes);
    const double plancher = std::max(medianes[0], 1e-6);
    std::printf("ratios aux médianes : designer %.1f x l'index, accrocher %.1f x l'index\n",
                medianes[1] / plancher, medianes[2] / plancher);
    std::printf(
        "import %.0f ms, %.1f Mo ; étendues et index %.0f ms (%.1f %%), index %.1f Mo "
        "(%.1f %% de la mémoire de l'import)\n",
        m.importMs, m.importOctets / 1e6, m.etendueMs, 100 * m.etendueMs / m.importMs,
        m.indexOctets / 1e6, 100 * m.indexOctets / std::max(1.0, m.importOctets));
    benchmark::Shutdown();
    return 0;
}
