#include "fichiers/fichier_provisoire.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <iterator>

namespace {

// The temporary file being written, for supprimerFichierProvisoire(): the
// path is copied before the flag is raised, the flag lowered before the path
// changes. The file may be written by another thread than the one a signal
// is handled on: the flag orders the path for it (a lock-free atomic, safe
// in a signal handler).
char cheminEnCours[PATH_MAX];
std::atomic<int> enCours{0};
static_assert(std::atomic<int>::is_always_lock_free);

void retenir(const std::string& chemin) {
    if (chemin.size() >= sizeof cheminEnCours) return;
    std::memcpy(cheminEnCours, chemin.c_str(), chemin.size() + 1);
    enCours.store(1, std::memory_order_release);
}

// Why nothing may be written at `chemin` (lstat: a link is not followed),
// or empty; `st` receives what lstat says, `existe` whether there is
// anything.
std::string obstacle(const std::string& chemin, struct stat& st, bool& existe) {
    existe = lstat(chemin.c_str(), &st) == 0;
    if (!existe) return errno == ENOENT ? "" : std::strerror(errno);
    if (S_ISLNK(st.st_mode)) return "c'est un lien symbolique";
    if (S_ISDIR(st.st_mode)) return "c'est un dossier";
    if (!S_ISREG(st.st_mode)) return "ce n'est pas un fichier ordinaire";
    return "";
}

// Creates ".NAME.XXXXXX" beside `chemin`, exclusively and without following
// a link, with `mode` less the umask; its descriptor, or -1 with errno.
int creerProvisoire(const std::string& chemin, mode_t mode, std::string& provisoire) {
    const std::size_t barre = chemin.rfind('/');
    const std::string dossier = barre == std::string::npos ? "" : chemin.substr(0, barre + 1);
    const std::string nom = barre == std::string::npos ? chemin : chemin.substr(barre + 1);
    static const char kLettres[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    auto graine = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ (getpid() * 2654435761ULL));
    for (int essai = 0; essai < 100; ++essai) {
        std::string suffixe(6, 'x');
        for (char& c : suffixe) {
            graine = graine * 6364136223846793005ULL + 1442695040888963407ULL;
            c = kLettres[(graine >> 33) % (std::size(kLettres) - 1)];
        }
        provisoire = dossier + "." + nom + "." + suffixe;
        const int fd =
            open(provisoire.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

constexpr int kSignaux[] = {SIGTERM, SIGINT, SIGHUP,  SIGQUIT, SIGXCPU, SIGXFSZ,
                            SIGSEGV, SIGBUS, SIGABRT, SIGFPE,  SIGILL};
struct sigaction precedentes[std::size(kSignaux)];

void surSignal(int signal, siginfo_t* info, void*) {
    supprimerFichierProvisoire();
    for (std::size_t i = 0; i < std::size(kSignaux); ++i)
        if (kSignaux[i] == signal) relayerSignal(signal, info, precedentes[i]);
}

}  // namespace

void supprimerFichierProvisoire() {
    if (enCours.load(std::memory_order_acquire)) unlink(cheminEnCours);
}

void relayerSignal(int signal, const siginfo_t* info, const struct sigaction& precedente) {
    sigaction(signal, &precedente, nullptr);
    // A fault of the program's own is raised again by the instruction that
    // made it, once this handler returns; any other signal is sent anew.
    const bool faute =
        signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE || signal == SIGILL;
    if (!faute || !info || info->si_code <= 0) raise(signal);
}

void supprimerFichierProvisoireSurSignal() {
    struct sigaction action {};
    action.sa_sigaction = surSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignaux); ++i) {
        struct sigaction ancienne {};
        sigaction(kSignaux[i], nullptr, &ancienne);
        // A signal ignored from the start (nohup) stays ignored.
        if (!(ancienne.sa_flags & SA_SIGINFO) && ancienne.sa_handler == SIG_IGN) continue;
        // Installed twice, the handler would relay to itself.
        if ((ancienne.sa_flags & SA_SIGINFO) && ancienne.sa_sigaction == surSignal) continue;
        precedentes[i] = ancienne;
        sigaction(kSignaux[i], &action, nullptr);
    }
}

FichierProvisoire::~FichierProvisoire() {
    if (!flux_) return;
    std::fclose(flux_);
    unlink(provisoire_.c_str());
    enCours = 0;
}

bool FichierProvisoire::ouvrir(const std::string& chemin, std::string& raison) {
    final_ = chemin;
    struct stat st;
    bool existe = false;
    raison = obstacle(chemin, st, existe);
    if (!raison.empty()) return false;
    const int fd = creerProvisoire(chemin, 0644, provisoire_);
    if (fd < 0) {
        raison = std::strerror(errno);
        return false;
    }
    retenir(provisoire_);
    // A file replaced keeps its permissions.
    if (existe) fchmod(fd, st.st_mode & 0777);
    flux_ = fdopen(fd, "wb");
    if (!flux_) {
        raison = std::strerror(errno);
        close(fd);
        unlink(provisoire_.c_str());
        enCours = 0;
        return false;
    }
    return true;
}

bool FichierProvisoire::valider(std::string& raison) {
    errno = 0;
    bool ok = std::fflush(flux_) == 0 && !std::ferror(flux_);
    if (!ok) raison = std::strerror(errno ? errno : EIO);
    errno = 0;
    if (std::fclose(flux_) != 0 && ok) {
        ok = false;
        raison = std::strerror(errno ? errno : EIO);
    }
    flux_ = nullptr;
    // What came to be at the final path meanwhile is checked again: a rename
    // replaces a link or a pipe itself, but no directory.
    struct stat st;
    bool existe = false;
    if (ok && !(raison = obstacle(final_, st, existe)).empty()) ok = false;
    if (ok && std::rename(provisoire_.c_str(), final_.c_str()) != 0) {
        ok = false;
        raison = std::strerror(errno);
    }
    if (!ok) unlink(provisoire_.c_str());
    enCours = 0;
    return ok;
}
