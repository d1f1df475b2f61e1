#include "demarrage/icone.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char* const kIcone = "icon.gif";

}  // namespace

std::string cheminProgramme() {
    std::error_code ec;
    const fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

std::vector<std::string> emplacementsIcone(const std::string& programme) {
    std::vector<std::string> chemins{kIcone};
    if (programme.empty()) return chemins;
    const fs::path dossier = fs::path(programme).parent_path();
    chemins.push_back((dossier / TARSIN_DONNEES_RELATIVES / kIcone).lexically_normal().string());
    std::error_code ec;
    if (fs::equivalent(dossier, TARSIN_DOSSIER_CONSTRUCTION, ec))
        chemins.push_back(TARSIN_ICONE_SOURCES);
    return chemins;
}

std::string cheminIcone(const std::string& programme) {
    for (const std::string& chemin : emplacementsIcone(programme)) {
        std::error_code ec;
        if (fs::is_regular_file(chemin, ec)) return chemin;
    }
    return kIcone;
}
