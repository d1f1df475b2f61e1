#include "ecran.h"

#include <gtkmm/main.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/fichiers.h"

EcranVirtuel::EcranVirtuel() {
    int tube[2];
    if (pipe(tube) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        close(tube[0]);
        const std::string fd = std::to_string(tube[1]);
        int nul = open("/dev/null", O_WRONLY);
        dup2(nul, 1);
        dup2(nul, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1200x24",
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(tube[1]);
    std::string numero;
    char c;
    while (read(tube[0], &c, 1) == 1 && c != '\n') numero += c;
    close(tube[0]);
    if (numero.empty()) {
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return;
    }
    display_ = ":" + numero;
    setenv("DISPLAY", display_.c_str(), 1);
}

EcranVirtuel::~EcranVirtuel() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

std::vector<Gtk::Widget*> enfants(Gtk::Container& c) { return c.get_children(); }

void cliquerCase(Gtk::CellRendererToggle& renderer, const char* chemin) {
    g_signal_emit_by_name(renderer.gobj(), "toggled", chemin);
}

void laisserTourner(int millisecondes) {
    const auto fin = std::chrono::steady_clock::now() + std::chrono::milliseconds(millisecondes);
    while (std::chrono::steady_clock::now() < fin) {
        while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void attendrePeinture(DXFArea& d) {
    laisserTourner(100);
    for (int i = 0; i < 1200 && d.peintureEnCours(); ++i) laisserTourner(50);
    laisserTourner(100);
}

Couleur pixel(const Glib::RefPtr<Gdk::Pixbuf>& image, int x, int y) {
    const guint8* p =
        image->get_pixels() + y * image->get_rowstride() + x * image->get_n_channels();
    return {p[0], p[1], p[2]};
}

std::string commande(const std::string& ligne) {
    std::string sortie;
    FILE* f = popen(ligne.c_str(), "r");
    if (!f) return sortie;
    std::array<char, 4096> tampon;
    std::size_t n;
    while ((n = fread(tampon.data(), 1, tampon.size(), f)) > 0) sortie.append(tampon.data(), n);
    pclose(f);
    return sortie;
}

std::string attendreFenetre(const std::string& nom, int secondes) {
    for (int i = 0; i < secondes * 10; ++i) {
        std::string id =
            commande("xdotool search --onlyvisible --name '^" + nom + "$' 2>/dev/null");
        if (!id.empty()) return id.substr(0, id.find('\n'));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
}

Glib::RefPtr<Gdk::Pixbuf> captureEcran() {
    DossierTemporaire dossier;
    const std::string png = dossier.chemin() + "/ecran.png";
    commande("import -window root " + png);
    return Gdk::Pixbuf::create_from_file(png);
}
