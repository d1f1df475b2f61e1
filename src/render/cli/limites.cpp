#include "render/cli/limites.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>
#include <iterator>
#include <new>
#include <vector>

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

[[noreturn]] void abandonner(const char* message) {
    supprimerFichierProvisoire();
    ecrireMessage(message);
    _exit(1);
}

void surAlarme(int) { abandonner(messageTemps); }

// The memory bound: past `seuil` bytes of address space the program stops.
// The system refuses allocations only some way further (`kMarge`): a watch
// that looks every few milliseconds sees the bound passed first, so that
// libraries that do not survive an allocation refused are seldom given one
// (cairo's rasteriser then jumps through a stale jump buffer, with every
// signal blocked, which no handler can catch).
unsigned long long seuil = 0;
constexpr unsigned long long kMarge = 64ULL << 20;

// The address space the program holds now, in bytes (0 when unknown);
// async-signal-safe, allocates nothing.
unsigned long long espaceActuel() {
    const int fd = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    char texte[64];
    const ssize_t n = read(fd, texte, sizeof texte - 1);
    close(fd);
    unsigned long long pages = 0;
    for (ssize_t i = 0; i < n && texte[i] >= '0' && texte[i] <= '9'; ++i)
        pages = pages * 10 + static_cast<unsigned>(texte[i] - '0');
    return pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
}

bool espaceEpuise() { return seuil > 0 && espaceActuel() >= seuil; }

void surveillerMemoire() {
    const struct timespec pause { 0, 2'000'000 };
    for (;;) {
        if (espaceEpuise()) abandonner(messageMemoire);
        nanosleep(&pause, nullptr);
    }
}

constexpr int kFautes[] = {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL};
struct sigaction fautesPrecedentes[std::size(kFautes)];

// A crash under the memory bound: the bound, said as such, when memory is
// what ran out; anything else goes on as it would have.
void surFaute(int signal, siginfo_t* info, void*) {
    if (espaceEpuise()) abandonner(messageMemoire);
    for (std::size_t i = 0; i < std::size(kFautes); ++i)
        if (kFautes[i] == signal) relayerSignal(signal, info, fautesPrecedentes[i]);
}

std::terminate_handler terminaisonPrecedente = nullptr;

// An allocation refused past the memory bound, thrown out of the painters
// (or a thread that could not be started for want of memory).
void surTerminaison() {
    if (const std::exception_ptr e = std::current_exception()) {
        try {
            std::rethrow_exception(e);
        } catch (const std::bad_alloc&) {
            abandonner(messageMemoire);
        } catch (...) {
        }
    }
    if (espaceEpuise()) abandonner(messageMemoire);
    supprimerFichierProvisoire();
    if (terminaisonPrecedente) terminaisonPrecedente();
    std::abort();
}

// The handlers run on a stack of their own: a fault may come from a stack
// that is full.
void pileDeSecours() {
    static std::vector<char> pile(std::size_t{64} << 10);
    stack_t s{};
    s.ss_sp = pile.data();
    s.ss_size = pile.size();
    sigaltstack(&s, nullptr);
}

}  // namespace

bool poserLimites(unsigned secondes, unsigned mio, std::string& raison) {
    pileDeSecours();
    supprimerFichierProvisoireSurSignal();
    if (mio > 0) {
        std::snprintf(messageMemoire, sizeof messageMemoire,
                      "tarsin-render : memoire epuisee (limite de %u Mio) : dessin abandonne.\n",
                      mio);
        struct rlimit limite;
        if (getrlimit(RLIMIT_AS, &limite) != 0) {
            raison = std::strerror(errno);
            return false;
        }
        const unsigned long long borne = static_cast<unsigned long long>(mio) << 20;
        seuil = espaceActuel() + borne;
        const rlim_t voulu = seuil + std::max(kMarge, borne / 4);
        if (limite.rlim_max == RLIM_INFINITY || voulu < limite.rlim_max) limite.rlim_max = voulu;
        limite.rlim_cur = limite.rlim_max;
        if (setrlimit(RLIMIT_AS, &limite) != 0) {
            raison = std::strerror(errno);
            return false;
        }
        terminaisonPrecedente = std::set_terminate(surTerminaison);
        struct sigaction action {};
        action.sa_sigaction = surFaute;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kFautes); ++i)
            sigaction(kFautes[i], &action, &fautesPrecedentes[i]);
        try {
            std::thread(surveillerMemoire).detach();
        } catch (const std::system_error& e) {
            raison = e.what();
            return false;
        }
    }
    if (secondes > 0) {
        std::snprintf(messageTemps, sizeof messageTemps,
                      "tarsin-render : arret apres %u s : dessin abandonne.\n", secondes);
        struct sigaction action {};
        action.sa_handler = surAlarme;
        action.sa_flags = SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(SIGALRM, &action, nullptr);
        alarm(secondes);
    }
    return true;
}
