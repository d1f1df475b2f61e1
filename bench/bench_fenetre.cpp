// The drawing area in a window, on the 1M-entity synthetic drawing at
// 2000 x 2000 (run under an X server of that size, e.g. xvfb-run -s "-screen
// 0 2100x2100x24"), all in one run:
//   repeinte   a full repaint (from the request to the picture ready);
//   expose     an expose of the whole area with the view unchanged (the
//              picture copied), against the full repaint: target < 1 %;
//   boucle     the longest time the main loop is kept from its events while
//              a repaint runs: target < 50 ms;
//   molette    from a wheel step to the first changed picture on screen (the
//              previous picture moved and scaled): target < 100 ms;
//   memoire    the peak memory of the process with the drawing open and
//              painted, against that of importing it alone (measured by
//              bench-import-memoire in a process of its own).
// Environment: TARSIN_BENCH_DIR (cached drawings, default /tmp),
// TARSIN_BENCH_N (entities, default 1000000).
#include <gtkmm/main.h>
#include <gtkmm/window.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "boucle.h"
#include "generer_dxf.h"
#include "import/lecture.h"
#include "ui/dxfarea.h"

namespace {

long picKio(const std::string& champ) {
    std::ifstream f("/proc/self/status");
    std::string l;
    while (std::getline(f, l))
        if (l.rfind(champ, 0) == 0) return std::atol(l.c_str() + champ.size());
    return 0;
}

// The peak memory of importing `chemin` alone, in a process of its own.
long picImport(const std::string& chemin, const char* programme) {
    const std::string outil =
        std::string(programme).substr(0, std::string(programme).rfind('/') + 1) +
        "bench-import-memoire";
    const std::string commande =
        "/usr/bin/time -f %M '" + outil + "' complet '" + chemin + "' 2>&1 >/dev/null | tail -1";
    FILE* p = popen(commande.c_str(), "r");
    if (!p) return 0;
    long kio = 0;
    if (std::fscanf(p, "%ld", &kio) != 1) kio = 0;
    pclose(p);
    return kio;
}

}  // namespace

int main(int argc, char** argv) {
    Gtk::Main kit(argc, argv);
    const std::string chemin = fichierDXFDuBanc();
    std::ofstream rien;
    rien.setstate(std::ios::badbit);
    LectureDessin lu = lireDessin(chemin, rien);
    if (!lu.dessin) {
        std::fprintf(stderr, "bench_fenetre : %s illisible\n", chemin.c_str());
        return 1;
    }

    Gtk::Window fenetre;
    DXFArea area(rien);  // the full viewer's area, which takes the wheel
    area.setDessin(lu.dessin);
    Vue vue;
    vue.echelle = 2.0;  // the drawing fills 2000 x 2000
    area.setVue(vue);
    area.set_size_request(2000, 2000);
    fenetre.add(area);
    fenetre.show_all();
    auto pret = [&] { return !area.peintureEnCours(); };
    tourner([] { return false; }, 0.5);
    tourner(pret, 600);  // the first picture

    // A full repaint, the main loop turning meanwhile.
    auto debut = Horloge::now();
    area.reDessiner();
    tourner([&] { return area.peintureEnCours(); }, 5);
    const double boucle = tourner(pret, 600);
    const double repeinte = ms(Horloge::now() - debut);
    tourner([] { return false; }, 0.3);

    // An expose of the whole area, the picture unchanged.
    double copie = 1e9;
    for (int i = 0; i < 20; ++i) {
        area.queue_draw();
        debut = Horloge::now();
        gdk_window_process_updates(area.get_window()->gobj(), TRUE);
        gdk_flush();
        copie = std::min(copie, ms(Horloge::now() - debut));
    }

    // A wheel step: the first changed picture is the expose that follows it.
    GdkEvent molette{};
    molette.scroll.type = GDK_SCROLL;
    molette.scroll.direction = GDK_SCROLL_UP;
    molette.scroll.window = area.get_window()->gobj();
    molette.scroll.x = 700;
    molette.scroll.y = 900;
    bool expose = false;
    sigc::connection vu = area.signal_expose_event().connect(
        [&](GdkEventExpose*) {
            expose = true;
            return false;
        },
        false);
    debut = Horloge::now();
    area.event(&molette);
    tourner([&] { return expose; }, 10);
    gdk_flush();
    const double latence = expose ? ms(Horloge::now() - debut) : 1e9;
    vu.disconnect();
    tourner(pret, 600);

    const long pic = picKio("VmHWM:");
    const long import = picImport(chemin, argv[0]);

    std::printf("dessin : %s (fenetre 2000 x 2000)\n", chemin.c_str());
    std::printf("repeinte complete  %9.1f ms\n", repeinte);
    std::printf("expose, vue inchangee %6.1f ms = %.3f %% de la repeinte (cible < 1 %%) %s\n",
                copie, 100 * copie / repeinte, copie < repeinte / 100 ? "tenue" : "MANQUEE");
    std::printf("boucle retenue au plus %6.1f ms pendant la repeinte (cible < 50 ms) %s\n", boucle,
                boucle < 50 ? "tenue" : "MANQUEE");
    std::printf("molette -> image changee %6.1f ms (cible < 100 ms) %s\n", latence,
                latence < 100 ? "tenue" : "MANQUEE");
    if (import > 0)
        std::printf("pic memoire fenetre %.1f Mio, import seul %.1f Mio : rapport %.2f\n",
                    pic / 1024.0, import / 1024.0, static_cast<double>(pic) / import);
    return 0;
}
