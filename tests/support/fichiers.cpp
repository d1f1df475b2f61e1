#include "support/fichiers.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

Execution executer(const std::vector<std::string>& arguments, const std::string& dossier,
                   const std::vector<std::string>& environnement, int secondes) {
    DossierTemporaire tmp;
    const std::string fSortie = tmp.chemin() + "/out", fErreurs = tmp.chemin() + "/err";
    pid_t pid = fork();
    if (pid == 0) {
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
    Execution r;
    int statut = 0;
    for (int i = 0; i < secondes * 20; ++i) {
        if (waitpid(pid, &statut, WNOHANG) == pid) {
            r.statut = WIFEXITED(statut) ? WEXITSTATUS(statut) : 128 + WTERMSIG(statut);
            break;
        }
        usleep(50000);
    }
    if (r.statut == -1) {
        kill(pid, SIGKILL);
        waitpid(pid, &statut, 0);
    }
    r.sortie = lireFichier(fSortie);
    r.erreurs = lireFichier(fErreurs);
    return r;
}

std::string programme(const std::string& nom) { return std::string(TARSIN_BIN_DIR) + "/" + nom; }
std::string source(const std::string& relatif) {
    return std::string(TARSIN_SOURCE_DIR) + "/" + relatif;
}
