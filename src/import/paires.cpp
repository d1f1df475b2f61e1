#include "import/paires.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>

int entierDxflib(const char* d, const char* f) {
    if (const void* nul = std::memchr(d, '\0', static_cast<std::size_t>(f - d)))
        f = static_cast<const char*>(nul);
    while (d < f && (*d == ' ' || (*d >= '\t' && *d <= '\r'))) ++d;
    bool negatif = false;
    if (d < f && (*d == '+' || *d == '-')) negatif = *d++ == '-';
    const unsigned long limite =
        negatif ? static_cast<unsigned long>(LONG_MAX) + 1 : static_cast<unsigned long>(LONG_MAX);
    unsigned long v = 0;
    for (; d < f && *d >= '0' && *d <= '9'; ++d) {
        const unsigned chiffre = static_cast<unsigned>(*d - '0');
        v = v > (limite - chiffre) / 10 ? limite : v * 10 + chiffre;
    }
    // Two's complement wrap, as the narrowing does on every target we build for.
    const long l = negatif ? static_cast<long>(0UL - v) : static_cast<long>(v);
    return static_cast<int>(static_cast<unsigned int>(static_cast<unsigned long>(l)));
}

std::string_view valeurDxflib(const char* d, const char* f) {
    if (const void* nul = std::memchr(d, '\0', static_cast<std::size_t>(f - d)))
        f = static_cast<const char*>(nul);
    while (f > d && f[-1] == '\r') --f;
    return std::string_view(d, static_cast<std::size_t>(f - d));
}

double reelDxflib(std::string_view v) {
    std::size_t i = 0;
    while (i < v.size() && (v[i] == ' ' || (v[i] >= '\t' && v[i] <= '\r'))) ++i;
    if (i < v.size() && v[i] == '+') ++i;
    char chiffres[64];
    std::size_t n = 0;
    for (; i < v.size() && n < sizeof chiffres; ++i) chiffres[n++] = v[i] == ',' ? '.' : v[i];
    double r = 0;
    const auto [fin, erreur] = std::from_chars(chiffres, chiffres + n, r);
    (void)fin;
    if (erreur == std::errc::result_out_of_range) return 0;
    return erreur == std::errc() ? r : 0;
}

const char* CurseurPaires::ligne(const char* p, const char*& finLigne) const {
    const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(fin_ - p));
    finLigne = lf ? static_cast<const char*>(lf) : fin_;
    return lf ? finLigne + 1 : fin_;
}

bool CurseurPaires::suivante(PaireBrute& paire) {
    if (p_ >= fin_) return false;
    paire.code = p_;
    paire.ligne = ++ligne_;
    paire.valeur = ligne(p_, paire.finCode);
    paire.entiere = paire.finCode != fin_;
    paire.finValeur = fin_;
    if (!paire.entiere) {
        p_ = fin_;
        return true;
    }
    p_ = paire.valeur < fin_ ? ligne(paire.valeur, paire.finValeur) : fin_;
    ++ligne_;
    return true;
}

void PairesEnregistrement::commencer(const std::string& genre) {
    genre_ = genre;
    codes_.clear();
    fins_.clear();
    valeurs_.clear();
    vues_ = false;
}

void PairesEnregistrement::ajouter(int code, const std::string& valeur) {
    codes_.push_back(code);
    valeurs_ += valeur;
    fins_.push_back(valeurs_.size());
}

const std::vector<Paire>& PairesEnregistrement::paires() {
    if (vues_) return paires_;
    paires_.clear();
    paires_.reserve(codes_.size());
    std::size_t debut = 0;
    for (std::size_t i = 0; i < codes_.size(); ++i) {
        paires_.push_back({codes_[i], std::string_view(valeurs_).substr(debut, fins_[i] - debut)});
        debut = fins_[i];
    }
    vues_ = true;
    return paires_;
}
