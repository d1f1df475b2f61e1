#include "ui/reglages.h"

#include <glibmm/miscutils.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

std::string cheminReglages() {
    return Glib::build_filename(Glib::get_user_config_dir(), "tarsin", "reglages");
}

Reglages lireReglages() {
    Reglages r;
    std::ifstream f(cheminReglages());
    std::string ligne;
    // A few short lines at most: a larger file is not ours.
    for (int n = 0; n < 64 && std::getline(f, ligne) && ligne.size() < 256; ++n) {
        const auto egal = ligne.find('=');
        if (egal == std::string::npos) continue;
        const std::string cle = ligne.substr(0, egal), valeur = ligne.substr(egal + 1);
        const int nombre = std::atoi(valeur.c_str());
        if (cle == "fond") r.fondNoir = valeur == "noir";
        if (cle == "largeur" && nombre > 0 && nombre < 100000) r.largeur = nombre;
        if (cle == "hauteur" && nombre > 0 && nombre < 100000) r.hauteur = nombre;
        if (cle == "colonne" && nombre > 0 && nombre < 100000) r.colonne = nombre;
    }
    return r;
}

bool ecrireReglages(const Reglages& r) {
    const std::string chemin = cheminReglages();
    std::error_code e;
    std::filesystem::create_directories(std::filesystem::path(chemin).parent_path(), e);
    std::ofstream f(chemin, std::ios::trunc);
    f << "fond=" << (r.fondNoir ? "noir" : "blanc") << "\n";
    if (r.largeur > 0 && r.hauteur > 0)
        f << "largeur=" << r.largeur << "\nhauteur=" << r.hauteur << "\n";
    if (r.colonne > 0) f << "colonne=" << r.colonne << "\n";
    return static_cast<bool>(f.flush());
}
