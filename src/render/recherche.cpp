#include "render/recherche.h"

#include "model/disposition.h"
#include "render/mise_en_page.h"

std::string texteLisible(const Text& t, bool mtext) {
    std::string s;
    for (const Morceau& m : lireCodes(t.texteRef(), mtext, StyleCaracteres{})) {
        switch (m.genre) {
            case Morceau::Texte:
                s += m.texte;
                break;
            case Morceau::Paragraphe:
                s += '\n';
                break;
            case Morceau::Pile:
                s += m.texte;
                s += m.separateur == '^' ? ' ' : '/';
                s += m.bas;
                break;
        }
    }
    return s;
}

namespace {

// Appends the bare lower-case letters that a code point of Latin-1 or
// Latin Extended-A stands for; false for the others.
bool lettreNue(char32_t c, std::string& r) {
    // From U+00C0 to U+00FF ('*': not a letter).
    static const char* const latin1[64] = {
        "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
        "d", "n", "o", "o", "o", "o", "o",  "*", "o", "u", "u", "u", "u", "y", "th", "ss",
        "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
        "d", "n", "o", "o", "o", "o", "o",  "*", "o", "u", "u", "u", "u", "y", "th", "y"};
    // From U+0100 to U+017F ('?': kept as it is).
    static const char latinA[] =
        "aaaaaaccccccccdd??eeeeeeeeeegggggggghh??iiiiiiiii???jjkk?llllll????nnnnnn???oooooo??"
        "rrrrrrsssssssstttt??uuuuuuuuuuuuwwyyyzzzzzz?";
    const char* l = nullptr;
    if (c >= 0xC0 && c <= 0xFF) l = latin1[c - 0xC0];
    if (c == 0x152 || c == 0x153) l = "oe";
    if (c == 0x132 || c == 0x133) l = "ij";
    if (l) {
        if (*l == '*') return false;
        r += l;
        return true;
    }
    if (c >= 0x100 && c < 0x180 && latinA[c - 0x100] != '?') {
        r += latinA[c - 0x100];
        return true;
    }
    return false;
}

}  // namespace

std::string replier(std::string_view s) {
    std::string r;
    r.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char o = static_cast<unsigned char>(s[i]);
        if (o < 0x80) {
            r += static_cast<char>(o >= 'A' && o <= 'Z' ? o - 'A' + 'a' : o);
            ++i;
            continue;
        }
        // One code point of two bytes (Latin-1 and Latin Extended-A lie
        // there); longer ones are kept as they are.
        if ((o & 0xE0) == 0xC0 && i + 1 < s.size() &&
            (static_cast<unsigned char>(s[i + 1]) & 0xC0) == 0x80) {
            const char32_t c = (o & 0x1F) << 6 | (static_cast<unsigned char>(s[i + 1]) & 0x3F);
            if (!lettreNue(c, r)) r.append(s.substr(i, 2));
            i += 2;
            continue;
        }
        r += static_cast<char>(o);
        ++i;
    }
    return r;
}

ResultatRecherche rechercher(const Dessin& dessin, const CalquesMasques* masques,
                             std::string_view cherche, std::size_t max) {
    ResultatRecherche r;
    const std::string aiguille = replier(cherche);
    if (aiguille.empty()) return r;
    Visite visite(masques, true);
    visite.setBudget(kVisitesMax);
    visite.parcourir(dessin, nullptr, [&](const auto& e, const Matrice& m, bool masque) {
        using T = std::decay_t<decltype(e)>;
        if constexpr (std::is_base_of_v<Text, T>) {
            const Text& t = e;
            // What a text reads is never longer than its codes.
            if (t.texteRef().size() < aiguille.size()) return;
            std::string texte = texteLisible(t, std::is_same_v<T, MText>);
            if (replier(texte).find(aiguille) == std::string::npos) return;
            if (++r.total > max) return;
            Trouvaille f{RefEntite::de(e),
                         visite.getPorteurs(),
                         m,
                         std::move(texte),
                         visite.calqueVu(e),
                         masque,
                         boiteEstimee(t).transformee(m)};
            // A dimension's text stands for the dimension.
            for (std::size_t i = 0; i < f.porteurs.size(); ++i)
                if (f.porteurs[i].ref.est<Dimension>()) {
                    f.objet = f.porteurs[i].ref;
                    f.matrice = f.porteurs[i].matrice;
                    f.porteurs.resize(i);
                    break;
                }
            r.trouvailles.push_back(std::move(f));
        }
    });
    r.arretee = visite.isEpuise();
    return r;
}
