// Cost of importing a large drawing, against two floors measured on the same
// file in the same run:
//   vide     dxflib parsing the file into an empty DL_CreationAdapter;
//   objets   the same, plus one heap object (a copy of the data record) per
//            record received, kept in a vector and freed at the end;
//   complet  our import: DXFHandler with its trace written to a file,
//            through lireDXF (the guard, then dxflib);
//   direct   the same handler fed by DL_Dxf::in(path) without lireDXF, which
//            tells the handler's share from the guard's.
//
// Built twice: as the Google Benchmark program `bench_import`, and with
// BENCH_IMPORT_MEMOIRE defined as `bench-import-memoire MODE FICHIER`, which
// imports once in one mode so that its peak memory can be read from outside.
#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "generer_dxf.h"
#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "model/etendue.h"

namespace {

// One heap object per record: a copy of the record as dxflib delivers it.
class AdaptateurObjets : public DL_CreationAdapter {
  public:
    std::size_t nombre() const { return objets_.size(); }

    void addLayer(const DL_LayerData& d) override { garder(d); }
    void addBlock(const DL_BlockData& d) override { garder(d); }
    void addPoint(const DL_PointData& d) override { garder(d); }
    void addLine(const DL_LineData& d) override { garder(d); }
    void addArc(const DL_ArcData& d) override { garder(d); }
    void addCircle(const DL_CircleData& d) override { garder(d); }
    void addPolyline(const DL_PolylineData& d) override { garder(d); }
    void addVertex(const DL_VertexData& d) override { garder(d); }
    void addInsert(const DL_InsertData& d) override { garder(d); }
    void addText(const DL_TextData& d) override { garder(d); }
    void addImage(const DL_ImageData& d) override { garder(d); }
    void linkImage(const DL_ImageDefData& d) override { garder(d); }

  private:
    struct Enregistrement {
        virtual ~Enregistrement() = default;
    };
    template <class T>
    struct Copie : Enregistrement {
        explicit Copie(const T& d) : donnees(d) {}
        T donnees;
    };
    template <class T>
    void garder(const T& d) {
        objets_.push_back(std::make_unique<Copie<T>>(d));
    }

    std::vector<std::unique_ptr<Enregistrement>> objets_;
};

enum class Mode { Vide, Objets, Complet, Direct };

const char* nomMode(Mode m) {
    switch (m) {
        case Mode::Vide:
            return "vide";
        case Mode::Objets:
            return "objets";
        case Mode::Complet:
            return "complet";
        case Mode::Direct:
            return "direct";
    }
    return "?";
}

// Imports `fichier` once in mode `m`; returns a count that proves the work
// was done (records kept, model objects built), or -1 on failure.
long importer(Mode m, const std::string& fichier, const std::string& trace) {
    switch (m) {
        case Mode::Vide: {
            DL_CreationAdapter adaptateur;
            DL_Dxf dxf;
            return dxf.in(fichier, &adaptateur) ? 0 : -1;
        }
        case Mode::Objets: {
            AdaptateurObjets adaptateur;
            DL_Dxf dxf;
            if (!dxf.in(fichier, &adaptateur)) return -1;
            return static_cast<long>(adaptateur.nombre());
        }
        case Mode::Complet: {
            std::ofstream sortie(trace, std::ios::binary | std::ios::trunc);
            if (!sortie) return -1;
            DXFHandler handler(sortie);
            if (!lireDXF(fichier, handler).utilisable()) return -1;
            return static_cast<long>(handler.nombreObjets());
        }
        case Mode::Direct: {
            std::ofstream sortie(trace, std::ios::binary | std::ios::trunc);
            if (!sortie) return -1;
            DXFHandler handler(sortie);
            DL_Dxf dxf;
            if (!dxf.in(fichier, &handler)) return -1;
            handler.viderTrace();
            return static_cast<long>(handler.nombreObjets());
        }
    }
    return -1;
}

std::string cheminTrace() { return "/tmp/tarsin-bench-trace-" + std::to_string(getpid()) + ".txt"; }

}  // namespace

#ifdef BENCH_IMPORT_MEMOIRE

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr,
                     "usage: bench-import-memoire vide|objets|complet|direct FICHIER.dxf\n");
        return 2;
    }
    Mode m;
    if (std::strcmp(argv[1], "vide") == 0)
        m = Mode::Vide;
    else if (std::strcmp(argv[1], "objets") == 0)
        m = Mode::Objets;
    else if (std::strcmp(argv[1], "complet") == 0)
        m = Mode::Complet;
    else if (std::strcmp(argv[1], "direct") == 0)
        m = Mode::Direct;
    else {
        std::fprintf(stderr, "mode inconnu : %s\n", argv[1]);
        return 2;
    }
    const std::string trace = cheminTrace();
    const long n = importer(m, argv[2], trace);
    std::remove(trace.c_str());
    if (n < 0) {
        std::fprintf(stderr, "%s n'a pas pu etre lu.\n", argv[2]);
        return 1;
    }
    std::printf("%s: %ld\n", nomMode(m), n);
    return 0;
}

#else

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <utility>

namespace {

constexpr long kTailles[] = {100000, 1000000};

std::string nomTaille(long n) {
    return n % 1000000 == 0 ? std::to_string(n / 1000000) + "M" : std::to_string(n / 1000) + "k";
}

std::string dossierFichiers() {
    const char* d = std::getenv("TARSIN_BENCH_DIR");
    return d && *d ? d : "/tmp";
}

// The drawing of `n` entities, generated on first use (or reused from an
// earlier run) and read through once so that every mode finds it cached.
const std::string& fichier(long n) {
    static std::map<long, std::string> fichiers;
    auto it = fichiers.find(n);
    if (it != fichiers.end()) return it->second;
    std::string chemin = fichierDXFSynthetique(dossierFichiers(), n);
    if (!chemin.empty()) {
        if (std::FILE* f = std::fopen(chemin.c_str(), "rb")) {
            std::vector<char> tampon(1 << 20);
            while (std::fread(tampon.data(), 1, tampon.size(), f) == tampon.size()) {
            }
            std::fclose(f);
        }
    }
    return fichiers.emplace(n, std::move(chemin)).first->second;
}

// Wall-clock and processor seconds of every timed import, by file size and
// mode. Other jobs on the machine stretch the first much more than the
// second, so the ratios are given on both.
struct Mesure {
    double mur;
    double cpu;
};
std::map<std::pair<long, Mode>, std::vector<Mesure>> mesures;

double mediane(const std::vector<Mesure>& mesures, double Mesure::*champ) {
    std::vector<double> v;
    for (const Mesure& m : mesures) v.push_back(m.*champ);
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

double secondesProcesseur() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

constexpr Mode kModes[] = {Mode::Vide, Mode::Objets, Mode::Complet, Mode::Direct};

void BM_Import(benchmark::State& state, long n, Mode m) {
    const std::string& chemin = fichier(n);
    if (chemin.empty()) {
        state.SkipWithError("the synthetic drawing could not be written");
        return;
    }
    const std::string trace = cheminTrace();
    auto& temps = mesures[{n, m}];
    long resultat = 0;
    for (auto _ : state) {
        const double cpu = secondesProcesseur();
        const auto debut = std::chrono::steady_clock::now();
        resultat = importer(m, chemin, trace);
        const std::chrono::duration<double> duree = std::chrono::steady_clock::now() - debut;
        state.SetIterationTime(duree.count());
        temps.push_back({duree.count(), secondesProcesseur() - cpu});
        if (resultat < 0) {
            state.SkipWithError("the import failed");
            break;
        }
    }
    std::remove(trace.c_str());
    state.counters["mur_s"] = mediane(temps, &Mesure::mur);
    state.counters["cpu_s"] = mediane(temps, &Mesure::cpu);
    if (m != Mode::Vide) state.counters["compte"] = static_cast<double>(resultat);
    const auto& plancher = mesures[{n, Mode::Vide}];
    if (m != Mode::Vide && !plancher.empty()) {
        state.counters["x_vide_cpu"] =
            mediane(temps, &Mesure::cpu) / mediane(plancher, &Mesure::cpu);
        state.counters["x_vide_mur"] =
            mediane(temps, &Mesure::mur) / mediane(plancher, &Mesure::mur);
    }
}

// The extents of a drawing already read, computed anew each time (every
// definition's cached box forgotten first): what fitting a view costs.
std::map<long, std::vector<Mesure>> etendues;

void BM_Etendue(benchmark::State& state, long n) {
    std::ofstream rien;
    rien.setstate(std::ios::badbit);
    const LectureDessin lu = lireDessin(fichier(n), rien);
    if (!lu.dessin) {
        state.SkipWithError("the import failed");
        return;
    }
    for (auto _ : state) {
        for (const Block& b : lu.dessin->objets<Block>()) b.cacheEtendue = {};
        const double cpu = secondesProcesseur();
        const auto debut = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(etendue(*lu.dessin).x0);
        const std::chrono::duration<double> duree = std::chrono::steady_clock::now() - debut;
        state.SetIterationTime(duree.count());
        etendues[n].push_back({duree.count(), secondesProcesseur() - cpu});
    }
}

void enregistrer() {
    for (long n : kTailles) {
        for (Mode m : kModes) {
            const std::string nom = "import/" + nomTaille(n) + "/" + nomMode(m);
            benchmark::RegisterBenchmark(nom.c_str(), BM_Import, n, m)
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime()
                ->Iterations(n >= 1000000 ? 3 : 5);
        }
        benchmark::RegisterBenchmark(("etendue/" + nomTaille(n)).c_str(), BM_Etendue, n)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(5);
    }
}

// The medians of the whole run and their ratios to the empty-adapter floor.
void resume() {
    std::printf("\nResume (medianes de la passe, secondes ; rapports a vide)\n");
    std::printf("%-5s %-4s %8s %8s %8s %8s %7s %7s %7s\n", "", "", "vide", "objets", "complet",
                "direct", "b/a", "c/a", "d/a");
    for (long n : kTailles) {
        for (double Mesure::*champ : {&Mesure::cpu, &Mesure::mur}) {
            double t[4];
            for (Mode m : kModes) t[static_cast<int>(m)] = mediane(mesures[{n, m}], champ);
            if (t[0] <= 0) continue;
            const bool cpu = champ == &Mesure::cpu;
            std::printf("%-5s %-4s %8.3f %8.3f %8.3f %8.3f %7.2f %7.2f %7.2f", nomTaille(n).c_str(),
                        cpu ? "cpu" : "mur", t[0], t[1], t[2], t[3], t[1] / t[0], t[2] / t[0],
                        t[3] / t[0]);
            if (n == 1000000 && t[2] > 0)
                std::printf("  cible c/a <= 1.5 : %s", t[2] / t[0] <= 1.5 ? "tenue" : "MANQUEE");
            std::printf("\n");
        }
        const double complet = mediane(mesures[{n, Mode::Complet}], &Mesure::cpu);
        const double e = mediane(etendues[n], &Mesure::cpu);
        if (complet > 0 && e > 0)
            std::printf("%-5s etendue %.3f s cpu = %.3f de l'import complet\n",
                        nomTaille(n).c_str(), e, e / complet);
    }
}

}  // namespace

int main(int argc, char** argv) {
    enregistrer();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    resume();
    return 0;
}

#endif
