#include "render/vue.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cmath>
#include <string>

#include "model/etendue.h"

bool echelleValide(double& echelle) {
    if (!std::isfinite(echelle) || !(echelle > 0)) return false;
    echelle = std::clamp(echelle, kEchelleMin, kEchelleMax);
    return true;
}

bool lireEchelle(const char* texte, double& echelle) {
    if (!texte) return false;
    std::string s(texte);
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    // A comma is taken as the decimal separator too, as French users write it.
    if (auto v = s.find(','); v != std::string::npos && s.find('.') == std::string::npos)
        s[v] = '.';
    if (s.empty()) return false;
    double v = 0;
    auto [fin, erreur] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (erreur != std::errc() || fin != s.data() + s.size()) return false;
    if (!std::isfinite(v) || !(v >= kEchelleMin) || !(v <= kEchelleMax)) return false;
    echelle = v;
    return true;
}

bool Vue::zoomer(double facteur, double px, double py, double hauteur) {
    double nouvelle = echelle * facteur;
    if (!std::isfinite(nouvelle) || nouvelle < kEchelleMin || nouvelle > kEchelleMax) return false;
    changerEchelle(nouvelle, px, py, hauteur);
    return true;
}

void Vue::changerEchelle(double nouvelle, double px, double py, double hauteur) {
    if (!echelleValide(nouvelle)) return;
    double X = px, Y = py;
    versDessin(hauteur, X, Y);
    echelle = nouvelle;
    x = X - px / echelle;
    y = Y - (hauteur - py) / echelle;
}

Vue ajuster(const Boite& b, double largeur, double hauteur, double marge) {
    Vue v;
    if (b.vide() || !(largeur > 0) || !(hauteur > 0)) return v;
    const double l = std::max(1.0, largeur - 2 * marge), h = std::max(1.0, hauteur - 2 * marge);
    const double bl = b.largeur(), bh = b.hauteur();
    // A box without width or height (a lone point, a horizontal line) is
    // fitted along its other side only; a lone point keeps scale 1.
    double e = 1;
    if (bl > 0 && bh > 0)
        e = std::min(l / bl, h / bh);
    else if (bl > 0)
        e = l / bl;
    else if (bh > 0)
        e = h / bh;
    if (!echelleValide(e)) e = 1;
    v.echelle = e;
    v.x = (b.x0 + b.x1) / 2 - largeur / 2 / e;
    v.y = (b.y0 + b.y1) / 2 - hauteur / 2 / e;
    return v;
}

Vue ajusterDessin(const Dessin& dessin, double largeur, double hauteur, double marge) {
    Boite b = etendue(dessin);
    const int mode = dessin.getModePoints();
    bool points = false;
    for (const Block& bloc : dessin.objets<Block>())
        points = points || !bloc.liste<Point>().empty();
    // A dot, or no figure, stays within the box.
    if (!points || !(((mode & 7) >= 2 && (mode & 7) <= 4) || (mode & (32 | 64))))
        return ajuster(b, largeur, hauteur, marge);
    // Half a figure at each edge: in drawing units, or a share of the
    // view's height (5% for 0).
    const double taille = dessin.getTaillePoints();
    if (taille > 0 && std::isfinite(taille) && !b.vide()) {
        b.ajouter(b.x0 - taille / 2, b.y0 - taille / 2);
        b.ajouter(b.x1 + taille / 2, b.y1 + taille / 2);
    } else if (taille <= 0) {
        marge += std::min((taille == 0 ? 5 : -taille) / 100, 1.0) * hauteur / 2;
    }
    return ajuster(b, largeur, hauteur, marge);
}

Boite boiteVue(const Vue& v, double largeur, double hauteur) {
    Boite b;
    b.ajouter(v.x, v.y);
    b.ajouter(v.x + largeur / v.echelle, v.y + hauteur / v.echelle);
    return b;
}

double pasZoom(double e, bool avant) {
    constexpr double kPas = 0.25, kHaut = 4;
    double r;
    if (avant)
        r = e < kPas ? std::min(2 * e, kPas) : e < kHaut ? e + kPas : 2 * e;
    else
        r = e < 2 * kPas ? e / 2 : e <= kHaut ? e - kPas : std::max(e / 2, kHaut);
    return std::clamp(r, kEchelleMin, kEchelleMax);
}

namespace {

std::string virgule(std::string s) {
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

}  // namespace

std::string texteCoordonnees(double X, double Y, double echelle) {
    // One pixel is worth 1 / echelle units: the decimals down to that.
    const int decimales =
        std::clamp(static_cast<int>(std::ceil(std::log10(std::max(echelle, 1e-12)))), 0, 6);
    char texte[128];
    std::snprintf(texte, sizeof texte, "X : %.*f   Y : %.*f", decimales, X, decimales, Y);
    return virgule(texte);
}

std::string texteEchelle(double echelle) {
    char texte[64];
    std::snprintf(texte, sizeof texte, "\u00C9chelle : %.4g", echelle);
    return virgule(texte);
}
