#include "demarrage/options.h"

#include <cstring>
#include <vector>

const char* versionTarsin() { return TARSIN_VERSION; }

std::string ligneVersion(const std::string& programme) {
    return programme + " " + versionTarsin() + "\n";
}

const char* const kAideTarsin =
    "usage : tarsin [OPTION...] [DESSIN.dxf]\n"
    "Visionneuse de dessins DXF en deux dimensions.\n"
    "  -h, --help  affiche cette aide\n"
    "  --version   affiche la version\n"
    "Les options de GTK (--display, --sync...) sont acceptées. Les traces de lecture et\n"
    "de dessin vont dans tarsin.log, dans le dossier de travail (dans\n"
    "$XDG_STATE_HOME/tarsin quand il n'est pas inscriptible), 256 Mio au plus.\n";

const char* const kAidePlan =
    "usage : tarsin-plan DESSIN.dxf [ECHELLE]\n"
    "Visionneuse simple : montre DESSIN.dxf à ECHELLE pixels par unité du dessin (1 par "
    "défaut).\n"
    "  -h, --help  affiche cette aide\n"
    "  --version   affiche la version\n"
    "Les traces de lecture et de dessin vont sur la sortie standard.\n";

std::optional<int> repondreAideOuVersion(int argc, char** argv, const char* programme,
                                         const char* aide, std::ostream& sortie) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            sortie << aide << std::flush;
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            sortie << ligneVersion(programme) << std::flush;
            return 0;
        }
    }
    return std::nullopt;
}

std::string dessinDemande(int argc, char** argv, std::ostream& erreurs) {
    std::vector<std::string> dessins;
    bool marque = false;  // the first "--" only ends the options
    for (int i = 1; i < argc; ++i) {
        if (!marque && std::strcmp(argv[i], "--") == 0)
            marque = true;
        else
            dessins.emplace_back(argv[i]);
    }
    if (dessins.empty()) return {};
    if (dessins.size() > 1) {
        erreurs << "tarsin : plusieurs dessins donnes, seul le premier est ouvert : " << dessins[0]
                << " (ignores :";
        for (std::size_t i = 1; i < dessins.size(); ++i) erreurs << ' ' << dessins[i];
        erreurs << ")." << std::endl;
    }
    return dessins[0];
}
