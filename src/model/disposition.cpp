#include "model/disposition.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kLargeurGlyphe = 0.75;  // of the height, on average
constexpr double kDescente = 1.0 / 3;    // of the height

bool fini(double v) { return std::isfinite(v); }

// Mirrors of the generation flags (71): 2 backwards, 4 upside down.
Matrice miroirs(int drapeaux) {
    return Matrice::echelle((drapeaux & 2) ? -1 : 1, (drapeaux & 4) ? -1 : 1);
}

// Width factor then oblique angle: capitals lean by the oblique angle
// whatever the width factor.
Matrice forme(double facteurLargeur, double oblique) {
    const double t = fini(oblique) && std::fabs(oblique) < 1.5 ? std::tan(oblique) : 0;
    return Matrice{1, 0, t, 1, 0, 0}.apres(Matrice::echelle(facteurLargeur, 1));
}

// The lines of an MTEXT as its layout sets them, estimated in glyphs: its
// paragraphs wrapped between words to `cadre` glyphs (no wrapping for 0), a
// word wider than that standing alone on its line, beyond it; formatting
// codes take no room, a character of several bytes one glyph.
void lignesEstimees(const std::string& s, double cadre, double& plusLongue, double& lignes) {
    double ligne = 0, espaces = 0, mot = 0;
    auto finMot = [&] {
        if (mot == 0) return;
        if (cadre > 0 && ligne > 0 && ligne + espaces + mot > cadre) {
            plusLongue = std::max(plusLongue, ligne);
            ++lignes;
            ligne = mot;
        } else {
            ligne += espaces + mot;
        }
        espaces = mot = 0;
    };
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            const char code = s[++i];
            if (code == 'P' || code == 'N') {
                finMot();
                plusLongue = std::max(plusLongue, ligne);
                ++lignes;
                ligne = espaces = 0;
            } else if (code != 0 && std::strchr("ACcFfHQTWp", code)) {
                i = std::min(s.find(';', i), s.size());
            } else if (!std::strchr("LlOoKkS", code)) {
                ++mot;  // \\, \{, \}, \~: one character
            }
        } else if (c == ' ') {
            finMot();
            ++espaces;
        } else if (c != '{' && c != '}' && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++mot;
        }
    }
    finMot();
    plusLongue = std::max(plusLongue, ligne);
    ++lignes;
}

}  // namespace

Matrice placerTexte(double x, double y, double taille, const DispositionTexte& d, double largeur,
                    double descente) {
    const double facteur = d.facteurLargeur > 0 && fini(d.facteurLargeur) ? d.facteurLargeur : 1;
    const bool secondPoint = fini(d.x2) && fini(d.y2);
    // Aligned (3) and fitted (5): the baseline from the first point to the
    // second; aligned keeps the proportions, fitted the height.
    if ((d.alignH == 3 || d.alignH == 5) && secondPoint) {
        const double dx = d.x2 - x, dy = d.y2 - y;
        const double longueur = std::hypot(dx, dy);
        if (longueur > 0 && largeur > 0) {
            const double sx = longueur / largeur;
            const double sy = d.alignH == 3 ? sx / facteur : 1;
            return Matrice::translation(x, y)
                .apres(Matrice::rotation(std::atan2(dy, dx)))
                .apres(miroirs(d.drapeaux))
                .apres(forme(1, d.oblique))
                .apres(Matrice::echelle(sx, sy));
        }
    }
    double rx = 0, ry = 0;
    switch (d.alignH) {
        case 1:
        case 4:
            rx = largeur / 2;
            break;
        case 2:
            rx = largeur;
            break;
        default:
            break;
    }
    if (d.alignH == 4) {
        ry = taille / 2;  // middle: the centre of the capitals
    } else {
        switch (d.alignV) {
            case 1:
                ry = -descente;
                break;
            case 2:
                ry = taille / 2;
                break;
            case 3:
                ry = taille;
                break;
            default:
                break;
        }
    }
    // Left-baseline texts lie on their first point; the others on the
    // second, or on the first when the file gives no second.
    const bool gauche = d.alignH == 0 && d.alignV == 0;
    const double px = !gauche && secondPoint ? d.x2 : x;
    const double py = !gauche && secondPoint ? d.y2 : y;
    return Matrice::translation(px, py)
        .apres(Matrice::rotation(fini(d.angle) ? d.angle : 0))
        .apres(miroirs(d.drapeaux))
        .apres(forme(facteur, d.oblique))
        .apres(Matrice::translation(-rx, -ry));
}

Matrice placerMText(double x, double y, const DispositionTexte& d, double largeur, double hauteur) {
    const int a = std::clamp(d.attachement, 1, 9);
    const int colonne = (a - 1) % 3, rang = (a - 1) / 3;
    const double rx = largeur * colonne / 2, ry = -hauteur * rang / 2;
    return Matrice::translation(x, y)
        .apres(Matrice::rotation(fini(d.angle) ? d.angle : 0))
        .apres(Matrice::translation(-rx, -ry));
}

Matrice placementEstime(const Text& t, double& largeur, double& hauteur) {
    const double h = std::fabs(t.getTaille());
    const DispositionTexte& d = t.getDisposition();
    const std::string& s = t.texteRef();
    if (!d.isMultiligne()) {
        largeur = kLargeurGlyphe * h * static_cast<double>(s.size());
        hauteur = h;
        return placerTexte(t.getX(), t.getY(), h, d, largeur, kDescente * h);
    }
    const double glyphe = kLargeurGlyphe * h;
    double plusLongue = 0, lignes = 0;
    lignesEstimees(s, glyphe > 0 && d.largeurCadre > 0 ? d.largeurCadre / glyphe : 0, plusLongue,
                   lignes);
    largeur = glyphe * plusLongue;
    hauteur = h + (lignes - 1) * pasDeLigne(h, d.interligne);
    return placerMText(t.getX(), t.getY(), d, d.largeurCadre > 0 ? d.largeurCadre : largeur,
                       hauteur);
}

Boite boiteLocaleEstimee(const Text& t, Matrice& placement) {
    const double h = std::fabs(t.getTaille());
    double largeur, hauteur;
    placement = placementEstime(t, largeur, hauteur);
    Boite locale;
    const DispositionTexte& d = t.getDisposition();
    if (d.isMultiligne()) {
        // Each line lies left, centred or right in the box; wider than the
        // box, it reaches beyond it.
        const double cadre = d.largeurCadre > 0 ? d.largeurCadre : largeur;
        const double x0 = (cadre - largeur) * ((std::clamp(d.attachement, 1, 9) - 1) % 3) / 2;
        locale.ajouter(x0, 0);
        locale.ajouter(x0 + largeur, -hauteur - kDescente * h);
    } else {
        locale.ajouter(0, -kDescente * h);
        locale.ajouter(largeur, h);
    }
    return locale;
}

Boite boiteEstimee(const Text& t) {
    Matrice m;
    return boiteLocaleEstimee(t, m).transformee(m);
}
