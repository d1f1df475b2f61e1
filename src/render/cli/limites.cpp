#include "render/cli/limites.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <new>

#include "fichiers/fichier_provisoire.h"

namespace {

// The lines written when a bound is reached, made before: nothing may be
// allocated when time or memory has run out.
char messageTemps[160];
char messageMemoire[160];

void ecrireMessage(const char* message) {
    const std::size_t n = std::strlen(message);
    ssize_t ecrit = write(STDERR_FILENO, message, n);
    (void)ecrit;
}

void surSignal(int signal) {
    supprimerFichierProvisoire();
    if (signal == SIGALRM) {
        ecrireMessage(messageTemps);
        _exit(1);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::terminate_handler terminaisonPrecedente = nullptr;

// An allocation refused past the memory bound, thrown out of the painters.
void surTerminaison() {
    if (const std::exception_ptr e = std::current_exception()) {
        try {
            std::rethrow_exception(e);
        } catch (const std::bad_alloc&) {
            supprimerFichierProvisoire();
            ecrireMessage(messageMemoire);
            _exit(1);
        } catch (...) {
        }
    }
    supprimerFichierProvisoire();
    if (terminaisonPrecedente) terminaisonPrecedente();
    std::abort();
}

// The address space the program holds now, in bytes (0 when unknown).
unsigned long long espaceActuel() {
    std::ifstream statm("/proc/self/statm");
    unsigned long long pages = 0;
    statm >> pages;
    return pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
}

}  // namespace

bool poserLimites(unsigned secondes, unsigned mio, std::string& raison) {
    struct sigaction action {};
    action.sa_handler = surSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGALRM, SIGTERM, SIGINT, SIGHUP}) sigaction(s, &action, nullptr);

    if (mio > 0) {
        std::snprintf(messageMemoire, sizeof messageMemoire,
                      "tarsin-render : memoire epuisee (limite de %u Mio) : dessin abandonne.\n",
                      mio);
        struct rlimit limite;
        if (getrlimit(RLIMIT_AS, &limite) != 0) {
            raison = std::strerror(errno);
            return false;
        }
        const rlim_t voulu = espaceActuel() + static_cast<rlim_t>(mio) * 1024 * 1024;
        if (limite.rlim_max == RLIM_INFINITY || voulu < limite.rlim_max) limite.rlim_max = voulu;
        limite.rlim_cur = limite.rlim_max;
        if (setrlimit(RLIMIT_AS, &limite) != 0) {
            raison = std::strerror(errno);
            return false;
        }
        terminaisonPrecedente = std::set_terminate(surTerminaison);
    }
    if (secondes > 0) {
        std::snprintf(messageTemps, sizeof messageTemps,
                      "tarsin-render : arret apres %u s : dessin abandonne.\n", secondes);
        alarm(secondes);
    }
    return true;
}
