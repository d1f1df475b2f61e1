#include "fichiers/ouverture.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

Descripteur::~Descripteur() {
    if (fd_ >= 0) ::close(fd_);
}

Descripteur& Descripteur::operator=(Descripteur&& autre) noexcept {
    if (this != &autre) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = autre.liberer();
    }
    return *this;
}

Descripteur ouvrirOrdinaire(const std::string& chemin, Acces& etat, struct stat* st) {
    struct stat local;
    struct stat& s = st ? *st : local;
    // Non-blocking, so that a named pipe with no writer opens at once; the
    // type is checked before a single byte is read.
    Descripteur fd(::open(chemin.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valide()) {
        // A socket cannot be opened at all: still say what it is.
        const bool special = ::stat(chemin.c_str(), &s) == 0 && !S_ISREG(s.st_mode);
        etat = special ? Acces::PasOrdinaire : Acces::Impossible;
        return Descripteur();
    }
    if (::fstat(fd.get(), &s) != 0) {
        etat = Acces::ErreurLecture;
        return Descripteur();
    }
    if (!S_ISREG(s.st_mode)) {
        etat = Acces::PasOrdinaire;
        return Descripteur();
    }
    etat = Acces::Ouvert;
    return fd;
}

long lireMorceau(int fd, char* donnees, std::size_t n) {
    for (;;) {
        const ssize_t lu = ::read(fd, donnees, n);
        if (lu >= 0) return static_cast<long>(lu);
        if (errno != EINTR) return -1;
    }
}

Acces lireFichierOrdinaire(const std::string& chemin, std::size_t tailleMax, std::string& contenu) {
    contenu.clear();
    Acces etat;
    struct stat st;
    Descripteur fd = ouvrirOrdinaire(chemin, etat, &st);
    if (!fd.valide()) return etat;
    if (static_cast<std::size_t>(st.st_size) > tailleMax) return Acces::TropVolumineux;
    // The announced size is a hint; one byte more lets the end be met, or
    // a file that grew past the limit be seen.
    contenu.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t taille = 0;
    for (;;) {
        if (taille == contenu.size()) {
            if (taille > tailleMax) {
                contenu.clear();
                return Acces::TropVolumineux;
            }
            contenu.resize(std::min(2 * taille + 4096, tailleMax + 1));
        }
        const long n = lireMorceau(fd.get(), &contenu[taille], contenu.size() - taille);
        if (n < 0) {
            contenu.clear();
            return Acces::ErreurLecture;
        }
        if (n == 0) break;
        taille += static_cast<std::size_t>(n);
    }
    if (taille > tailleMax) {
        contenu.clear();
        return Acces::TropVolumineux;
    }
    contenu.resize(taille);
    return Acces::Ouvert;
}

Descripteur creerOrdinaire(const std::string& chemin, mode_t mode) {
    Descripteur fd(::open(
        chemin.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode));
    if (!fd.valide()) return fd;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) return Descripteur();
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return Descripteur();
    }
    // Emptied only now that it is known to be a regular file.
    const int drapeaux = ::fcntl(fd.get(), F_GETFL);
    if (::ftruncate(fd.get(), 0) != 0 || drapeaux < 0 ||
        ::fcntl(fd.get(), F_SETFL, drapeaux & ~O_NONBLOCK) != 0)
        return Descripteur();
    return fd;
}

std::size_t coupureUtf8(std::string_view ligne, std::size_t max) {
    if (ligne.size() <= max) return ligne.size();
    auto suite = [&](std::size_t i) {
        return (static_cast<unsigned char>(ligne[i]) & 0xC0) == 0x80;
    };
    // ligne[max] is the first byte left out: when it continues a character,
    // that character (at most four bytes) goes too.
    std::size_t n = max;
    while (n > 0 && max - n < 3 && suite(n)) --n;
    return suite(n) ? max : n;
}
