#include "support/fichiers.h"

#include <cairo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

DossierTemporaire::DossierTemporaire() {
    char modele[] = "/tmp/tarsin-test-XXXXXX";
    if (!mkdtemp(modele)) throw std::runtime_error("mkdtemp");
    chemin_ = modele;
}

DossierTemporaire::~DossierTemporaire() {
    std::error_code ec;
    fs::remove_all(chemin_, ec);
}

std::string DossierTemporaire::ecrire(const std::string& nom, const std::string& contenu) const {
    std::string p = chemin_ + "/" + nom;
    std::ofstream f(p, std::ios::binary);
    f << contenu;
    return p;
}

std::string lireFichier(const std::string& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    std::ostringstream o;
    o << f.rdbuf();
    return o.str();
}

Lancement::Lancement(const std::vector<std::string>& arguments, const std::string& dossier,
                     const std::vector<std::string>& environnement) {
    const std::string fSortie = sorties_.chemin() + "/out", fErreurs = sorties_.chemin() + "/err";
    pid_ = fork();
    if (pid_ == 0) {
        if (chdir(dossier.c_str()) != 0) _exit(126);
        int in = open("/dev/null", O_RDONLY);
        int out = open(fSortie.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(fErreurs.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (const auto& e : environnement) putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv;
        for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
}

Lancement::~Lancement() {
    if (pid_ > 0) attendre(0);
}

Execution Lancement::attendre(int secondes) {
    Execution r;
    int statut = 0;
    for (int i = 0; pid_ > 0 && i <= secondes * 20; ++i) {
        if (waitpid(pid_, &statut, WNOHANG) == pid_) {
            r.statut = WIFEXITED(statut) ? WEXITSTATUS(statut) : 128 + WTERMSIG(statut);
            pid_ = -1;
            break;
        }
        if (i < secondes * 20) usleep(50000);
    }
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &statut, 0);
        pid_ = -1;
    }
    r.sortie = lireFichier(sorties_.chemin() + "/out");
    r.erreurs = lireFichier(sorties_.chemin() + "/err");
    return r;
}

Execution executer(const std::vector<std::string>& arguments, const std::string& dossier,
                   const std::vector<std::string>& environnement, int secondes) {
    return Lancement(arguments, dossier, environnement).attendre(secondes);
}

Execution installer(const std::string& prefixe) {
    return executer({TARSIN_CMAKE, "--install", TARSIN_BIN_DIR, "--prefix", prefixe});
}

Png lirePng(const std::string& chemin) {
    Png r;
    cairo_surface_t* s = cairo_image_surface_create_from_png(chemin.c_str());
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        r.largeur = cairo_image_surface_get_width(s);
        r.hauteur = cairo_image_surface_get_height(s);
        cairo_surface_flush(s);
        const unsigned char* d = cairo_image_surface_get_data(s);
        const int pas = cairo_image_surface_get_stride(s);
        for (int y = 0; y < r.hauteur; ++y)
            for (int x = 0; x < r.largeur; ++x)
                r.encres +=
                    (reinterpret_cast<const std::uint32_t*>(d + y * pas)[x] & 0xFFFFFF) != 0xFFFFFF;
    }
    cairo_surface_destroy(s);
    return r;
}

std::string programme(const std::string& nom) { return std::string(TARSIN_BIN_DIR) + "/" + nom; }
std::string source(const std::string& relatif) {
    return std::string(TARSIN_SOURCE_DIR) + "/" + relatif;
}

std::string outil(const std::string& nom) {
    for (const char* dossier : {"/usr/bin/", "/usr/sbin/", "/bin/"})
        if (access((dossier + nom).c_str(), X_OK) == 0) return dossier + nom;
    return {};
}
