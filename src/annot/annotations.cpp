#include "annot/annotations.h"

#include <cstdlib>
#include <fstream>
#include <new>

namespace {

const char* const pasDAnnotation = "pas d'annotation rentree !";
const char* const fichierIllisible = "Impossible d'ouvrir le fichier d'annotations!";

// Reads one line, the line feed excluded; a carriage return before it stays
// in the line. False at the end of the file (or on a read error).
bool lireLigne(std::istream& flux, std::string& ligne) {
    return static_cast<bool>(std::getline(flux, ligne, '\n'));
}

// The line after a header; empty when the header is the file's last line.
std::string ligneSuivante(std::istream& flux) {
    std::string texte;
    if (!lireLigne(flux, texte)) texte.clear();
    return texte;
}

// What follows the first `debut` characters of `ligne`, empty when the line
// ends before.
std::string apres(const std::string& ligne, std::size_t debut) {
    return debut < ligne.size() ? ligne.substr(debut) : std::string();
}

void ajouter(const AjouterRang& ajouterRang, const std::string& titre) {
    if (ajouterRang) ajouterRang(titre);
}

}  // namespace

std::string cheminAnnotations(const std::string& cheminDessin) {
    if (cheminDessin.size() < 4) return cheminDessin + ".ann";
    return cheminDessin.substr(0, cheminDessin.size() - 4) + ".ann";
}

std::string lireAnnot(const std::string& fichier, const std::string& cle,
                      const AjouterRang& ajouterRang, std::ostream& sortie, std::ostream& erreurs) {
    std::string resultat = pasDAnnotation;
    if (fichier.empty()) return "pas de fichier d'annotation!";
    sortie << "fichier d'annot :" << fichier << '\n' << std::flush;

    std::ifstream flux(fichier, std::ios::binary);
    if (!flux) {
        erreurs << fichierIllisible << '\n' << std::flush;
        return resultat;
    }

    const std::size_t h = cle.size();
    const bool cleDeCalque = cle.find('*') != std::string::npos;
    // The key without its last character: "i:" for the layer key "i:*".
    const std::string souche = h > 0 ? cle.substr(0, h - 1) : std::string();

    std::string ligne;
    while (lireLigne(flux, ligne)) {
        if (ligne.compare(0, h, cle) == 0) {
            resultat = ligneSuivante(flux);
            break;
        }
        if (!cleDeCalque) continue;
        sortie << "le rang" << cle << '\n' << std::flush;
        if (ligne.find(souche) != std::string::npos) {
            ajouter(ajouterRang, apres(ligne, h + 1));
            ligneSuivante(flux);
            resultat.clear();
        }
    }
    return resultat;
}

std::string lireAnnotPlan(const std::string& fichier, const std::string& cle, bool ajoutRangs,
                          const AjouterRang& ajouterRang, std::ostream& sortie,
                          std::ostream& erreurs) {
    std::string resultat = pasDAnnotation;
    std::ifstream flux(fichier, std::ios::binary);
    if (!flux) {
        erreurs << fichierIllisible << '\n' << std::flush;
        return resultat;
    }

    std::string ligne;
    while (lireLigne(flux, ligne)) {
        sortie << ligne << '\n' << std::flush;

        // Position by position: '*' in the key matches any character, and
        // the end of the line too. A matching position followed by '|' in
        // the line is a header: the title follows the '|', the text is the
        // next line.
        bool complete = false;
        for (std::size_t p = 0; p < cle.size(); ++p) {
            const bool joker = cle[p] == '*';
            if (!joker && (p >= ligne.size() || ligne[p] != cle[p])) break;
            const bool entete = p + 1 < ligne.size() && ligne[p + 1] == '|';
            if (entete) {
                if (ajoutRangs) {
                    try {
                        ajouter(ajouterRang, apres(ligne, p + 2));
                    } catch (const std::bad_alloc&) {
                        erreurs << "Memoire insuffisante pour charger l'annotation\n" << std::flush;
                        std::exit(1);
                    }
                    ligneSuivante(flux);
                } else {
                    resultat = ligneSuivante(flux);
                }
            }
            if (p + 1 == cle.size()) complete = !(joker && entete);
        }
        if (complete) break;
    }
    return resultat;
}
