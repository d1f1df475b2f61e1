#include "fichiers/fichier_provisoire.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// The temporary file being written, for supprimerFichierProvisoire(): the
// path is copied before the flag is raised, the flag lowered before the path
// changes.
char cheminEnCours[PATH_MAX];
volatile std::sig_atomic_t enCours = 0;

void retenir(const std::string& chemin) {
    if (chemin.size() >= sizeof cheminEnCours) return;
    std::memcpy(cheminEnCours, chemin.c_str(), chemin.size() + 1);
    enCours = 1;
}

}  // namespace

void supprimerFichierProvisoire() {
    if (enCours) unlink(cheminEnCours);
}

FichierProvisoire::~FichierProvisoire() {
    if (!flux_) return;
    std::fclose(flux_);
    if (!provisoire_.empty()) {
        unlink(provisoire_.c_str());
        enCours = 0;
    }
}

bool FichierProvisoire::ouvrir(const std::string& chemin, std::string& raison) {
    final_ = chemin;
    struct stat st;
    const bool existe = stat(chemin.c_str(), &st) == 0;
    if (existe && !S_ISREG(st.st_mode)) {
        flux_ = std::fopen(chemin.c_str(), "wb");
        if (!flux_) raison = std::strerror(errno);
        return flux_ != nullptr;
    }
    if (existe) {
        if (char* vrai = realpath(chemin.c_str(), nullptr)) {
            final_ = vrai;
            std::free(vrai);
        }
    }
    const std::filesystem::path p(final_);
    std::string modele = (p.parent_path() / ("." + p.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(modele.data());
    if (fd < 0) {
        raison = std::strerror(errno);
        return false;
    }
    provisoire_ = modele;
    retenir(provisoire_);
    mode_t mode = existe ? st.st_mode & 07777 : 0;
    if (!existe) {
        const mode_t masque = umask(0);
        umask(masque);
        mode = 0666 & ~masque;
    }
    fchmod(fd, mode);
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
    if (provisoire_.empty()) return ok;
    if (ok && std::rename(provisoire_.c_str(), final_.c_str()) != 0) {
        ok = false;
        raison = std::strerror(errno);
    }
    if (!ok) unlink(provisoire_.c_str());
    enCours = 0;
    return ok;
}
