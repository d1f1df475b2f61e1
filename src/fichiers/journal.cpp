#include "fichiers/journal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kTailleTampon = std::size_t{1} << 16;
const char* const kNomJournal = "tarsin.log";
const char* const kSortieGardee = " : la sortie reste sur la sortie standard.";

// Creates `dossier` and the folders above it that are missing, with mode
// 0700; true when it exists as a folder in the end.
bool creerDossiers(const std::string& dossier) {
    for (std::size_t p = 1; p <= dossier.size(); ++p) {
        if (p < dossier.size() && dossier[p] != '/') continue;
        const std::string partie = dossier.substr(0, p);
        if (::mkdir(partie.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return ::stat(dossier.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

const char* const TamponJournal::kLigneTronque =
    "... journal tronque : il a atteint sa taille limite, la suite n'est pas ecrite ...\n";

TamponJournal::TamponJournal(Descripteur fd, std::uint64_t limite)
    : fd_(std::move(fd)), limite_(limite), tampon_(kTailleTampon) {
    setp(tampon_.data(), tampon_.data() + tampon_.size());
}

TamponJournal::~TamponJournal() { vider(); }

bool TamponJournal::ecrire(const char* s, std::size_t n) {
    while (n > 0) {
        const ssize_t e = ::write(fd_.get(), s, n);
        if (e < 0 && errno == EINTR) continue;
        if (e <= 0) return false;
        s += e;
        n -= static_cast<std::size_t>(e);
    }
    return true;
}

void TamponJournal::vider() {
    const auto n = static_cast<std::size_t>(pptr() - pbase());
    setp(tampon_.data(), tampon_.data() + tampon_.size());
    if (n == 0 || tronque_ || enPanne_) return;
    const std::size_t permis =
        static_cast<std::size_t>(std::min<std::uint64_t>(n, limite_ - ecrits_));
    if (permis > 0) {
        if (!ecrire(tampon_.data(), permis)) {
            enPanne_ = true;
            return;
        }
        ecrits_ += permis;
        dernier_ = tampon_[permis - 1];
    }
    if (permis < n) {
        tronque_ = true;
        if (dernier_ != '\n') ecrire("\n", 1);
        ecrire(kLigneTronque, std::strlen(kLigneTronque));
    }
}

TamponJournal::int_type TamponJournal::overflow(int_type c) {
    vider();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize TamponJournal::xsputn(const char* s, std::streamsize n) {
    // Past the limit, nothing is even copied: some diagnostics repeat one
    // line a very great number of times.
    if (tronque_ || enPanne_) return n;
    std::streamsize reste = n;
    while (reste > 0) {
        if (pptr() == epptr()) vider();
        if (tronque_ || enPanne_) return n;
        const auto k = std::min<std::streamsize>(reste, epptr() - pptr());
        std::memcpy(pptr(), s, static_cast<std::size_t>(k));
        pbump(static_cast<int>(k));
        s += k;
        reste -= k;
    }
    return n;
}

int TamponJournal::sync() {
    vider();
    return 0;
}

std::string dossierEtat() {
    const char* etat = std::getenv("XDG_STATE_HOME");
    if (etat && etat[0] == '/') return std::string(etat) + "/tarsin";
    const char* maison = std::getenv("HOME");
    if (maison && maison[0] == '/') return std::string(maison) + "/.local/state/tarsin";
    return "";
}

std::unique_ptr<TamponJournal> ouvrirJournal(std::ostream& erreurs, const std::string& dossier) {
    Descripteur fd = creerOrdinaire(dossier + "/" + kNomJournal);
    if (fd.valide()) return std::make_unique<TamponJournal>(std::move(fd));
    const int cause = errno;
    if (cause == ELOOP) {
        erreurs << kNomJournal << " est un lien symbolique, qui n'est pas suivi" << kSortieGardee
                << std::endl;
        return nullptr;
    }
    if (cause != EACCES && cause != EPERM && cause != EROFS) {
        erreurs << kNomJournal << " n'a pas pu etre cree" << kSortieGardee << std::endl;
        return nullptr;
    }
    // The working folder may not be written (a program started from a
    // menu, in a folder of the system): the user's state folder.
    const std::string ailleurs = dossierEtat();
    const std::string chemin = ailleurs + "/" + kNomJournal;
    if (!ailleurs.empty() && creerDossiers(ailleurs)) fd = creerOrdinaire(chemin);
    if (!fd.valide()) {
        erreurs << kNomJournal << " n'a pas pu etre cree, ni dans le dossier courant"
                << (ailleurs.empty() ? std::string() : ", ni dans " + ailleurs) << kSortieGardee
                << std::endl;
        return nullptr;
    }
    erreurs << "Le dossier courant n'est pas inscriptible : le journal est ecrit dans " << chemin
            << "." << std::endl;
    return std::make_unique<TamponJournal>(std::move(fd));
}
