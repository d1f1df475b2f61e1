#include "annot/annotations.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "fichiers/ouverture.h"

namespace {

const char* const pasDAnnotation = "pas d'annotation rentree !";
const char* const fichierIllisible = "Impossible d'ouvrir le fichier d'annotations!";

bool commencePar(std::string_view ligne, std::string_view cle) {
    return ligne.size() >= cle.size() && ligne.compare(0, cle.size(), cle) == 0;
}

// What follows the first `debut` characters of `ligne`, empty when the line
// ends before.
std::string_view apres(std::string_view ligne, std::size_t debut) {
    return debut < ligne.size() ? ligne.substr(debut) : std::string_view();
}

// True for a layer key "i:*" as the tree rebuild writes it (i in decimal,
// without leading zeros), with i in `calque`.
bool cleDeCalque(const std::string& cle, std::size_t& calque) {
    const std::size_t chiffres = cle.size() < 3 ? 0 : cle.size() - 2;
    if (chiffres == 0 || chiffres > 9 || cle.compare(chiffres, 2, ":*") != 0) return false;
    if (cle[0] == '0' && chiffres > 1) return false;
    calque = 0;
    for (std::size_t i = 0; i < chiffres; ++i) {
        if (cle[i] < '0' || cle[i] > '9') return false;
        calque = calque * 10 + static_cast<std::size_t>(cle[i] - '0');
    }
    return true;
}

// Writes `ligne` `fois` times, in large pieces built in `piece` (kept from
// one call to the next): a layer's pass over a file of n lines writes up to
// n diagnostic lines.
void repeter(std::ostream& sortie, const std::string& ligne, std::size_t fois, std::string& piece) {
    if (fois == 0 || ligne.empty()) return;
    const std::size_t parPiece =
        std::min(fois, std::max<std::size_t>(1, (std::size_t{1} << 16) / ligne.size()));
    piece.assign(ligne);
    while (piece.size() < parPiece * ligne.size())
        piece.append(piece, 0, std::min(piece.size(), parPiece * ligne.size() - piece.size()));
    while (fois > 0 && sortie) {
        const std::size_t n = std::min(fois, parPiece);
        sortie.write(piece.data(), static_cast<std::streamsize>(n * ligne.size()));
        fois -= n;
    }
}

}  // namespace

std::string cheminAnnotations(const std::string& cheminDessin) {
    if (cheminDessin.size() < 4) return cheminDessin + ".ann";
    return cheminDessin.substr(0, cheminDessin.size() - 4) + ".ann";
}

LignesAnnotations::LignesAnnotations(const std::string& fichier, std::ostream& erreurs) {
    if (fichier.empty()) return;
    const Acces acces = lireFichierOrdinaire(fichier, kTailleMaxAnnotations, texte_);
    if (acces == Acces::TropVolumineux)
        erreurs << "Le fichier d'annotations " << fichier << " depasse "
                << (kTailleMaxAnnotations >> 20) << " Mo : il n'est pas lu.\n"
                << std::flush;
    if (acces != Acces::Ouvert) return;
    lu_ = true;
    // The lines, cut where they must be, are gathered at the front of the
    // text in place, each with its line feed.
    const std::size_t taille = texte_.size();
    std::size_t lu = 0, ecrit = 0;
    while (lu < taille) {
        std::size_t fin = texte_.find('\n', lu);
        if (fin == std::string::npos) fin = taille;
        const std::size_t garde =
            coupureUtf8(std::string_view(texte_).substr(lu, fin - lu), kLigneMaxAnnotations);
        debuts_.push_back(static_cast<std::uint32_t>(ecrit));
        std::memmove(&texte_[0] + ecrit, texte_.data() + lu, garde);
        ecrit += garde;
        // Only a last line without its line feed may want one more byte.
        if (ecrit < taille)
            texte_[ecrit] = '\n';
        else
            texte_.push_back('\n');
        ++ecrit;
        lu = fin + 1;
    }
    texte_.resize(ecrit);
    debuts_.push_back(static_cast<std::uint32_t>(ecrit));
}

FichierAnnotations::FichierAnnotations(const std::string& fichier, std::size_t nombreCalques,
                                       std::ostream& erreurs)
    : fichier_(fichier), lignes_(fichier, erreurs) {
    indexer(nombreCalques);
}

void FichierAnnotations::indexer(std::size_t nombreCalques) {
    if (!lignes_.lu() || nombreCalques == 0) return;
    occurrences_.resize(nombreCalques);
    const std::size_t chiffresMax = std::to_string(nombreCalques - 1).size();
    for (std::size_t j = 0; j < lignes_.nombre(); ++j) {
        const std::string_view ligne = lignes_[j];
        // "i:" lies in the line wherever a ':' follows the digits of i (the
        // digits read with a leading zero give a number already met).
        for (std::size_t c = ligne.find(':'); c != std::string_view::npos;
             c = ligne.find(':', c + 1)) {
            std::size_t valeur = 0, unite = 1;
            for (std::size_t d = 1; d <= chiffresMax && d <= c; ++d, unite *= 10) {
                const char chiffre = ligne[c - d];
                if (chiffre < '0' || chiffre > '9') break;
                valeur += static_cast<std::size_t>(chiffre - '0') * unite;
                if (valeur >= nombreCalques) continue;
                auto& liste = occurrences_[valeur];
                if (liste.empty() || liste.back() != j)
                    liste.push_back(static_cast<std::uint32_t>(j));
            }
        }
    }
}

std::string FichierAnnotations::lireAnnot(const std::string& cle, const AjouterRang& ajouterRang,
                                          std::ostream& sortie, std::ostream& erreurs) {
    if (fichier_.empty()) return "pas de fichier d'annotation!";
    sortie << "fichier d'annot :" << fichier_ << '\n' << std::flush;
    if (!lignes_.lu()) {
        erreurs << fichierIllisible << '\n' << std::flush;
        return pasDAnnotation;
    }
    // Every line examined in a layer's pass that does not begin with the key
    // writes one line; they are counted, then written together.
    std::size_t rangs = 0;
    std::size_t calque = 0;
    const Ajout ajout{ajouterRang, erreurs};
    const std::string resultat = cleDeCalque(cle, calque) && calque < occurrences_.size()
                                     ? parIndex(calque, cle, ajout, rangs)
                                     : parcourir(cle, ajout, rangs);
    repeter(sortie, "le rang" + cle + "\n", rangs, piece_);
    if (rangs > 0) sortie.flush();
    return resultat;
}

// The rule itself, line by line from the start of the file: a line that
// begins with the key gives the text (the next line) and ends the reading;
// otherwise, for a layer key (one with a '*'), a line holding the key's stem
// (the key without its last character) is a header: its row is titled with
// the line minus its first (key length + 1) characters, and the next line is
// its text, passed over.
std::string FichierAnnotations::parcourir(const std::string& cle, const Ajout& ajout,
                                          std::size_t& rangs) {
    std::string resultat = pasDAnnotation;
    const std::size_t h = cle.size();
    const bool etoile = cle.find('*') != std::string::npos;
    const std::string_view souche = std::string_view(cle).substr(0, h > 0 ? h - 1 : 0);
    const std::size_t n = lignes_.nombre();
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view ligne = lignes_[i];
        if (commencePar(ligne, cle)) return i + 1 < n ? std::string(lignes_[i + 1]) : std::string();
        if (!etoile) continue;
        ++rangs;
        if (ligne.find(souche) != std::string_view::npos) {
            ajouter(ajout, ligne, h + 1);
            ++i;
            resultat.clear();
        }
    }
    return resultat;
}

// The same walk for the layer key "i:*", jumping from one line holding "i:"
// to the next: the lines between hold no "i:", so none begins with the key
// and each only counts.
std::string FichierAnnotations::parIndex(std::size_t calque, const std::string& cle,
                                         const Ajout& ajout, std::size_t& rangs) {
    std::string resultat = pasDAnnotation;
    const std::size_t n = lignes_.nombre();
    std::size_t p = 0;  // the next line to examine
    for (const std::uint32_t q : occurrences_[calque]) {
        if (q < p) continue;  // the text line of the header before
        rangs += q - p;
        const std::string_view ligne = lignes_[q];
        if (commencePar(ligne, cle)) return q + 1 < n ? std::string(lignes_[q + 1]) : std::string();
        ++rangs;
        ajouter(ajout, ligne, cle.size() + 1);
        resultat.clear();
        p = q + 2;
    }
    if (p < n) rangs += n - p;
    return resultat;
}

void FichierAnnotations::ajouter(const Ajout& ajout, std::string_view ligne, std::size_t debut) {
    if (!ajout.ajouterRang || borneAtteinte_) return;
    const std::string_view titre = apres(ligne, debut);
    if (rangsDonnes_ >= kRangsMax || titre.size() > kOctetsTitresMax - octetsDonnes_) {
        borneAtteinte_ = true;
        ajout.erreurs << "Fichier d'annotations " << fichier_ << " : plus de " << kRangsMax
                      << " annotations ou de " << (kOctetsTitresMax >> 20)
                      << " Mo de titres, les suivantes ne sont pas montrees.\n"
                      << std::flush;
        return;
    }
    ++rangsDonnes_;
    octetsDonnes_ += titre.size();
    ajout.ajouterRang(std::string(titre));
}

std::string lireAnnot(const std::string& fichier, const std::string& cle,
                      const AjouterRang& ajouterRang, std::ostream& sortie, std::ostream& erreurs) {
    FichierAnnotations annotations(fichier, 0, erreurs);
    return annotations.lireAnnot(cle, ajouterRang, sortie, erreurs);
}

std::string lireAnnotPlan(const std::string& fichier, const std::string& cle, bool ajoutRangs,
                          const AjouterRang& ajouterRang, std::ostream& sortie,
                          std::ostream& erreurs) {
    std::string resultat = pasDAnnotation;
    const LignesAnnotations lignes(fichier, erreurs);
    if (!lignes.lu()) {
        erreurs << fichierIllisible << '\n' << std::flush;
        return resultat;
    }
    const std::size_t n = lignes.nombre();
    std::size_t i = 0;
    // The next line of the file, taken; empty past the last one.
    auto ligneSuivante = [&]() { return i < n ? std::string(lignes[i++]) : std::string(); };

    while (i < n) {
        const std::string_view ligne = lignes[i++];
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
                        if (ajouterRang) ajouterRang(std::string(apres(ligne, p + 2)));
                    } catch (const std::bad_alloc&) {
                        erreurs << "Memoire insuffisante pour charger l'annotation\n" << std::flush;
                        std::exit(1);
                    }
                    ligneSuivante();
                } else {
                    resultat = ligneSuivante();
                }
            }
            if (p + 1 == cle.size()) complete = !(joker && entete);
        }
        if (complete) break;
    }
    return resultat;
}
