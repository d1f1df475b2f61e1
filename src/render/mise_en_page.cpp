#include "render/mise_en_page.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <functional>

#include "model/disposition.h"

namespace {

constexpr double kDegre = kPi / 180;
// Stacked fractions: their figures at this part of the height, the bar
// half-way up the capitals, each figure this part of the height from it.
constexpr double kPile = 0.7;
constexpr double kEcartPile = 0.15;
// Rules, in heights of the capitals from the baseline, and their thickness.
constexpr double kSouligne = -0.2, kSurligne = 1.2, kBarre = 0.5, kEpaisseur = 0.06;

bool fini(double v) { return std::isfinite(v); }

// The value of a code up to its ';' (or the end), from `i`; `i` ends past it.
std::string_view parametre(std::string_view s, std::size_t& i) {
    const std::size_t fin = s.find(';', i);
    const std::size_t f = fin == std::string_view::npos ? s.size() : fin;
    std::string_view v = s.substr(i, f - i);
    i = fin == std::string_view::npos ? s.size() : fin + 1;
    return v;
}

double nombre(std::string_view v, bool& ok) {
    std::string t(v);
    std::replace(t.begin(), t.end(), ',', '.');
    char* fin = nullptr;
    const double d = std::strtod(t.c_str(), &fin);
    ok = fin != t.c_str() && fini(d);
    return d;
}

// "1.5" sets a value, "1.5x" multiplies it.
void facteur(std::string_view v, double& valeur) {
    const bool relatif = !v.empty() && (v.back() == 'x' || v.back() == 'X');
    if (relatif) v.remove_suffix(1);
    bool ok;
    const double d = nombre(v, ok);
    if (!ok || !(d > 0) || d > 1e6) return;
    valeur = relatif ? valeur * d : d;
}

// Reads codes into runs, handed to `sortie` one by one.
class Lecteur {
  public:
    Lecteur(bool mtext, const StyleCaracteres& base, std::function<void(Morceau&&)> sortie)
        : mtext_(mtext), style_(base), sortie_(std::move(sortie)) {}

    void lire(std::string_view s) {
        std::size_t i = 0;
        while (i < s.size()) {
            const char c = s[i];
            if (c == '%' && s.compare(i, 2, "%%") == 0) {
                i = pourcent(s, i + 2);
            } else if (mtext_ && c == '\\' && i + 1 < s.size()) {
                i = code(s, i + 1);
            } else if (mtext_ && c == '\\') {
                ++i;
            } else if (mtext_ && c == '{') {
                finir();
                if (pile_.size() < kAccoladesMax)
                    pile_.push_back(style_);
                else
                    ++auDela_;
                ++i;
            } else if (mtext_ && c == '}') {
                finir();
                if (auDela_ > 0) {
                    --auDela_;
                } else if (!pile_.empty()) {
                    style_ = pile_.back();
                    pile_.pop_back();
                }
                ++i;
            } else {
                texte_ += c;
                ++i;
            }
        }
        finir();
    }

  private:
    void finir() {
        if (texte_.empty()) return;
        Morceau m;
        m.style = style_;
        m.texte = std::move(texte_);
        sortie_(std::move(m));
        texte_.clear();
    }
    void basculer(bool& drapeau, bool valeur) {
        finir();
        drapeau = valeur;
    }

    std::size_t pourcent(std::string_view s, std::size_t i) {
        if (i >= s.size()) return i;
        switch (s[i]) {
            case 'c':
            case 'C':
                texte_ += "\xE2\x8C\x80";  // U+2300 diameter sign
                break;
            case 'd':
            case 'D':
                texte_ += "\xC2\xB0";
                break;
            case 'p':
            case 'P':
                texte_ += "\xC2\xB1";
                break;
            case '%':
                texte_ += '%';
                break;
            case 'u':
            case 'U':
                basculer(style_.souligne, !style_.souligne);
                break;
            case 'o':
            case 'O':
                basculer(style_.surligne, !style_.surligne);
                break;
            case 'k':
            case 'K':
                basculer(style_.barre, !style_.barre);
                break;
            default:
                break;  // not a code that is understood: removed
        }
        return i + 1;
    }

    std::size_t code(std::string_view s, std::size_t i) {
        const char c = s[i++];
        switch (c) {
            case 'P':
            case 'N':
                finir();
                sortie_(Morceau{Morceau::Paragraphe, style_, {}, {}, 0});
                break;
            case '\\':
            case '{':
            case '}':
                texte_ += c;
                break;
            case '~':
                texte_ += "\xC2\xA0";  // no-break space
                break;
            case 'L':
            case 'l':
                basculer(style_.souligne, c == 'L');
                break;
            case 'O':
            case 'o':
                basculer(style_.surligne, c == 'O');
                break;
            case 'K':
            case 'k':
                basculer(style_.barre, c == 'K');
                break;
            case 'H':
            case 'W':
            case 'T': {
                const std::string_view v = parametre(s, i);
                finir();
                facteur(v, c == 'H'   ? style_.hauteur
                           : c == 'W' ? style_.largeur
                                      : style_.espacement);
                break;
            }
            case 'Q': {
                bool ok;
                const double q = nombre(parametre(s, i), ok);
                finir();
                if (ok && std::fabs(q) < 85) style_.oblique = q * kDegre;
                break;
            }
            case 'f':
            case 'F':
                police(parametre(s, i));
                break;
            case 'C':
            case 'c': {
                bool ok;
                const double v = nombre(parametre(s, i), ok);
                finir();
                if (!ok || v < 0 || v > 0xFFFFFF) break;
                style_.aRvb = c == 'c';
                if (c == 'c')
                    style_.rvb = static_cast<std::uint32_t>(v);
                else
                    style_.couleur = static_cast<int>(v);
                break;
            }
            case 'S':
                empiler(parametre(s, i));
                break;
            case 'A':
            case 'p':
            case 'X':
                parametre(s, i);  // paragraph settings: not painted
                break;
            default:
                break;  // not a code that is understood: removed
        }
        return i;
    }

    // "\fArial|b1|i0|c0|p34;": the family, bold, italic.
    void police(std::string_view v) {
        finir();
        std::size_t barre = v.find('|');
        const std::string_view nom = v.substr(0, barre);
        if (!nom.empty()) style_.police.assign(nom);
        style_.gras = style_.italique = false;
        while (barre != std::string_view::npos) {
            const std::size_t suivante = v.find('|', barre + 1);
            const std::string_view option = v.substr(barre + 1, suivante - barre - 1);
            if (option.size() >= 2 && option[0] == 'b') style_.gras = option[1] != '0';
            if (option.size() >= 2 && option[0] == 'i') style_.italique = option[1] != '0';
            barre = suivante;
        }
    }

    // "\S1/2;": the separator is the first unescaped ^, / or #.
    void empiler(std::string_view v) {
        finir();
        Morceau m;
        m.genre = Morceau::Pile;
        m.style = style_;
        std::string* cible = &m.texte;
        for (std::size_t k = 0; k < v.size(); ++k) {
            if (v[k] == '\\' && k + 1 < v.size()) {
                *cible += v[++k];
            } else if (!m.separateur && (v[k] == '^' || v[k] == '/' || v[k] == '#')) {
                m.separateur = v[k];
                cible = &m.bas;
            } else {
                *cible += v[k];
            }
        }
        sortie_(std::move(m));
    }

    bool mtext_;
    StyleCaracteres style_;
    std::vector<StyleCaracteres> pile_;
    std::size_t auDela_ = 0;  // braces opened past kAccoladesMax, not closed yet
    std::string texte_;
    std::function<void(Morceau&&)> sortie_;
};

// A piece of a line: a word, spaces, or a stacked fraction.
struct Element {
    enum Genre { Mot, Espace, Pile } genre;
    const Morceau* morceau;
    Mesure haut, bas;  // bas for stacks only
    double emHaut = 1, emBas = 1;
    double largeur = 0;
    double x = 0;
    std::string_view texte;  // of a word or spaces, in its run's text
};

double emDe(double hauteur, const Mesure& m) {
    return hauteur / (m.capitales > 0 ? m.capitales : 0.7);
}

// Sets runs on lines as they come: each line is placed as soon as it ends,
// and only the runs that its words come from are kept meanwhile, so that a
// text of many paragraphs keeps a few numbers per line, not its runs.
class Composition {
  public:
    Composition(Mesureur& mesureur, bool multiligne, double largeurCadre, double interligne,
                int colonne, const CouleursTexte& couleurs)
        : mesureur_(mesureur),
          couleurs_(couleurs),
          multiligne_(multiligne),
          cadre_(largeurCadre > 0 && fini(largeurCadre) ? largeurCadre : 0),
          interligne_(interligne),
          colonne_(colonne) {}

    void ajouter(Morceau&& morceau) {
        // The run of the words being placed stays last (deque: its place
        // stays too); those before go with the line that ends.
        morceaux_.push_back(std::move(morceau));
        const Morceau& m = morceaux_.back();
        hauteurCourante_ = m.style.hauteur;
        if (m.genre == Morceau::Paragraphe) {
            finirLigne(hauteurCourante_);
            return;
        }
        if (m.genre == Morceau::Pile) {
            Element e{Element::Pile, &m, {}, {}, 1, 1, 0, 0, {}};
            const double h = m.style.hauteur * kPile;
            mesureur_.mesurer(m.style, m.texte, e.haut);
            mesureur_.mesurer(m.style, m.bas, e.bas);
            e.emHaut = emDe(h, e.haut);
            e.emBas = emDe(h, e.bas);
            e.largeur =
                std::max(e.haut.avance * e.emHaut, e.bas.avance * e.emBas) * m.style.largeur;
            placer(std::move(e), motOuvert_);
            return;
        }
        // Words and runs of spaces (the no-break space is part of a word).
        const std::string& t = m.texte;
        std::size_t debut = 0;
        while (debut < t.size()) {
            const bool espace = t[debut] == ' ';
            std::size_t fin = debut;
            while (fin < t.size() && (t[fin] == ' ') == espace) ++fin;
            const std::string_view morceau = std::string_view(t).substr(debut, fin - debut);
            Element e{espace ? Element::Espace : Element::Mot, &m, {}, {}, 1, 1, 0, 0, morceau};
            mesureur_.mesurer(m.style, morceau, e.haut);
            e.emHaut = emDe(m.style.hauteur, e.haut);
            e.largeur = e.haut.avance * e.emHaut * m.style.largeur * m.style.espacement;
            placer(std::move(e), debut == 0 ? motOuvert_ : false);
            debut = fin;
        }
    }

    MiseEnPage terminer() {
        finirLigne(hauteurCourante_);
        r_.largeur = cadre_ > 0 ? cadre_ : largeurMax_;
        r_.hauteur = multiligne_ ? -y_ : premiereHauteur_;
        // Lines placed right or centred, now that the widest is known.
        for (std::size_t n = 0; n < debuts_.size() && colonne_ > 0; ++n) {
            const Debut& d = debuts_[n];
            const Debut fin = n + 1 < debuts_.size() ? debuts_[n + 1] : finActuelle();
            const double decalage = (r_.largeur - d.largeur) * colonne_ / 2;
            for (std::size_t p = d.passage;
                 p < fin.passage || (p == fin.passage && p < r_.passages.size()); ++p) {
                auto& g = r_.passages[p].glyphes;
                const std::size_t de = p == d.passage ? d.glyphe : 0;
                const std::size_t a = p == fin.passage ? fin.glyphe : g.size();
                for (std::size_t k = de; k < a; ++k) g[k].x += decalage;
            }
            for (std::size_t f = d.filet; f < fin.filet; ++f) {
                r_.filets[f].x1 += decalage;
                r_.filets[f].x2 += decalage;
            }
        }
        return std::move(r_);
    }

  private:
    struct Ligne {
        std::vector<Element> elements;
        double largeur = 0;  // up to the end of the last element that is not a space
        double hauteur = 0;  // of the highest capitals
    };
    // Where a line's glyphs and rules start in the result, and its width.
    struct Debut {
        std::size_t passage, glyphe, filet;
        double largeur;
    };

    Debut finActuelle() const {
        const std::size_t p = r_.passages.empty() ? 0 : r_.passages.size() - 1;
        return {p, r_.passages.empty() ? 0 : r_.passages.back().glyphes.size(), r_.filets.size(),
                0};
    }

    // `suite`: the element continues the word before it (no break between).
    void placer(Element e, bool suite) {
        Ligne& l = ligne_;
        if (e.genre == Element::Espace) {
            motOuvert_ = false;
            if (l.elements.empty() && r_.lignes > 0 && coupee_) return;  // after a wrap
            e.x = x_;
            x_ += e.largeur;
            l.elements.push_back(std::move(e));
            return;
        }
        // A word that would leave the box goes to the next line, unless it
        // stands first on its line or continues a word already placed.
        if (cadre_ > 0 && !suite && l.largeur > 0 && x_ + e.largeur > cadre_ * (1 + 1e-9)) {
            finirLigne(l.hauteur);
            coupee_ = true;
        }
        e.x = x_;
        x_ += e.largeur;
        ligne_.largeur = x_;
        ligne_.hauteur = std::max(ligne_.hauteur, e.morceau->style.hauteur);
        ligne_.elements.push_back(std::move(e));
        motOuvert_ = true;
    }

    void finirLigne(double hauteurVide) {
        if (ligne_.hauteur <= 0) ligne_.hauteur = hauteurVide;
        // Spaces at the end of a line take no room.
        while (!ligne_.elements.empty() && ligne_.elements.back().genre == Element::Espace)
            ligne_.elements.pop_back();
        placerLigne(ligne_);
        ligne_ = Ligne{};
        // The runs of the words placed go, but the one being read.
        while (morceaux_.size() > 1) morceaux_.pop_front();
        x_ = 0;
        motOuvert_ = false;
        coupee_ = false;
    }

    // The colour code of a style: runs and rules of different codes stay
    // apart, even when the codes come to the same colour.
    struct Code {
        int couleur = -1;
        std::uint32_t rvb = 0;
        bool aRvb = false;
        Code() = default;
        explicit Code(const StyleCaracteres& s) : couleur(s.couleur), rvb(s.rvb), aRvb(s.aRvb) {}
        bool operator==(const Code& c) const {
            return couleur == c.couleur && rvb == c.rvb && aRvb == c.aRvb;
        }
    };
    CouleurRVB couleur(const Code& c) const {
        return couleurCode(c.couleur, c.aRvb, c.rvb, couleurs_);
    }

    void regle(MiseEnPage& r, const StyleCaracteres& s, double x1, double x2, double y) {
        const Code code(s);
        // One rule across the runs of one line.
        if (!r.filets.empty()) {
            Filet& p = r.filets.back();
            if (p.y1 == y && p.y2 == y && std::fabs(p.x2 - x1) < 1e-9 && codeFilet_ == code) {
                p.x2 = x2;
                return;
            }
        }
        r.filets.push_back(Filet{x1, y, x2, y, kEpaisseur * s.hauteur, couleur(code)});
        codeFilet_ = code;
    }

    void glyphes(MiseEnPage& r, const Morceau& m, const Mesure& mesure, double em, double x,
                 double y, std::string_view texte) {
        const StyleCaracteres& s = m.style;
        if (mesure.glyphes.empty() || !mesure.police) return;
        const Code code(s);
        Passage* p = r.passages.empty() ? nullptr : &r.passages.back();
        if (!p || p->police != mesure.police || p->em != em || p->largeur != s.largeur ||
            p->oblique != s.oblique || !(codePassage_ == code)) {
            r.passages.push_back(
                Passage{mesure.police, em, s.largeur, s.oblique, couleur(code), {}, {}});
            p = &r.passages.back();
            codePassage_ = code;
        }
        p->texte += texte;
        const double pas = em * s.largeur * s.espacement;
        for (const GlypheMesure& g : mesure.glyphes)
            p->glyphes.push_back({g.index, x + g.x * pas, y});
    }

    // Places a line that has ended, from x = 0 (or as the box asks, when
    // there is one): its glyphs, its rules, the depth of its descenders.
    void placerLigne(const Ligne& l) {
        MiseEnPage& r = r_;
        if (multiligne_) y_ -= r.lignes == 0 ? l.hauteur : pasDeLigne(l.hauteur, interligne_);
        if (r.lignes == 0) premiereHauteur_ = l.hauteur;
        ++r.lignes;
        largeurMax_ = std::max(largeurMax_, l.largeur);
        Debut debut = finActuelle();
        debut.largeur = l.largeur;
        debuts_.push_back(debut);
        const double y = y_;
        r.descente = 0;
        for (const Element& e : l.elements) {
            const Morceau& m = *e.morceau;
            const StyleCaracteres& s = m.style;
            const double x = e.x;
            if (e.genre == Element::Pile) {
                const double barre = y + kBarre * s.hauteur;
                const double h = s.hauteur * kPile;
                const double hautY = barre + kEcartPile * s.hauteur;
                const double basY = barre - kEcartPile * s.hauteur - h;
                const double lh = e.haut.avance * e.emHaut * s.largeur;
                const double lb = e.bas.avance * e.emBas * s.largeur;
                glyphes(r, m, e.haut, e.emHaut, x + (e.largeur - lh) / 2, hautY, m.texte);
                glyphes(r, m, e.bas, e.emBas, x + (e.largeur - lb) / 2, basY, m.bas);
                if (m.separateur != '^') regle(r, s, x, x + e.largeur, barre);
                r.descente = std::max(r.descente, y - basY + e.bas.descente * e.emBas);
                continue;
            }
            glyphes(r, m, e.haut, e.emHaut, x, y, e.texte);
            r.descente = std::max(r.descente, e.haut.descente * e.emHaut);
            if (s.souligne) regle(r, s, x, x + e.largeur, y + kSouligne * s.hauteur);
            if (s.surligne) regle(r, s, x, x + e.largeur, y + kSurligne * s.hauteur);
            if (s.barre) regle(r, s, x, x + e.largeur, y + kBarre * s.hauteur);
        }
    }

    Mesureur& mesureur_;
    const CouleursTexte& couleurs_;
    // The codes of the last run and of the last rule.
    Code codePassage_, codeFilet_;
    bool multiligne_;
    double cadre_;
    double interligne_;
    int colonne_;
    std::deque<Morceau> morceaux_;
    MiseEnPage r_;
    std::vector<Debut> debuts_;
    Ligne ligne_;
    double hauteurCourante_ = 1;
    double largeurMax_ = 0, premiereHauteur_ = 0, y_ = 0;
    double x_ = 0;
    bool motOuvert_ = false;  // the last element placed is a word, not spaces
    bool coupee_ = false;     // the current line starts after a wrap
};

}  // namespace

std::vector<Morceau> lireCodes(std::string_view texte, bool mtext, const StyleCaracteres& base) {
    std::vector<Morceau> morceaux;
    Lecteur(mtext, base, [&morceaux](Morceau&& m) {
        morceaux.push_back(std::move(m));
    }).lire(texte);
    return morceaux;
}

MiseEnPage mettreEnPage(const std::vector<Morceau>& morceaux, bool multiligne, double largeurCadre,
                        double interligne, int colonne, Mesureur& mesureur,
                        const CouleursTexte& couleurs) {
    Composition c(mesureur, multiligne, multiligne ? largeurCadre : 0, interligne,
                  std::clamp(colonne, 0, 2), couleurs);
    for (const Morceau& m : morceaux) c.ajouter(Morceau(m));
    return c.terminer();
}

MiseEnPage mettreEnPage(std::string_view texte, const StyleCaracteres& base, bool multiligne,
                        double largeurCadre, double interligne, int colonne, Mesureur& mesureur,
                        const CouleursTexte& couleurs) {
    Composition c(mesureur, multiligne, multiligne ? largeurCadre : 0, interligne,
                  std::clamp(colonne, 0, 2), couleurs);
    Lecteur(multiligne, base, [&c](Morceau&& m) { c.ajouter(std::move(m)); }).lire(texte);
    return c.terminer();
}

bool mettreEnPlace(const Matrice& m, const TexteAPlacer& t, Mesureur& mesureur, MiseEnPage& mp,
                   Matrice& versDevice) {
    double dx = t.x, dy = t.y;
    m.appliquer(dx, dy);
    if (!fini(dx) || !fini(dy)) return false;
    const DispositionTexte& d = t.disposition;
    StyleCaracteres base;
    base.police = t.police;
    base.hauteur = t.taille;
    const bool multiligne = d.isMultiligne();
    const int colonne = multiligne ? (std::clamp(d.attachement, 1, 9) - 1) % 3 : 0;
    mp = mettreEnPage(t.texte, base, multiligne, d.largeurCadre, d.interligne, colonne, mesureur,
                      t.couleurs);
    if (mp.passages.empty() && mp.filets.empty()) return false;
    const Matrice local = multiligne ? placerMText(t.x, t.y, d, mp.largeur, mp.hauteur)
                                     : placerTexte(t.x, t.y, t.taille, d, mp.largeur, mp.descente);
    versDevice = m.apres(local);
    return fini(versDevice.xx) && fini(versDevice.yx) && fini(versDevice.xy) &&
           fini(versDevice.yy) && fini(versDevice.x0) && fini(versDevice.y0);
}
