#include "import/codage.h"

#include <glib.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "model/caracteres.h"

namespace {

const char* const kRemplacement = "\xEF\xBF\xBD";  // U+FFFD

void ajouterUtf8(std::string& s, char32_t c) {
    char tampon[6];
    const int n = g_unichar_to_utf8(static_cast<gunichar>(c), tampon);
    s.append(tampon, static_cast<std::size_t>(n));
}

bool ascii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

int hexa(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The value of the `n` hexadecimal digits at `p`, or -1.
long lireHexa(std::string_view s, std::size_t p, int n) {
    if (p + static_cast<std::size_t>(n) > s.size()) return -1;
    long v = 0;
    for (int i = 0; i < n; ++i) {
        const int h = hexa(s[p + static_cast<std::size_t>(i)]);
        if (h < 0) return -1;
        v = v * 16 + h;
    }
    return v;
}

const char* pageMultioctet(char n) {
    switch (n) {
        case '1':
            return "CP932";
        case '2':
            return "CP950";
        case '3':
            return "CP949";
        case '4':
            return "JOHAB";
        case '5':
            return "CP936";
        default:
            return nullptr;
    }
}

}  // namespace

Decodeur::~Decodeur() {
    for (auto& c : convertisseurs_)
        if (c.second) g_iconv_close(static_cast<GIConv>(c.second));
}

std::string Decodeur::nomIconv(std::string_view page) {
    std::string p;
    for (char c : page) p.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    auto numero = [&](std::size_t debut) {
        const std::string n = p.substr(debut);
        return !n.empty() && n.find_first_not_of("0123456789") == std::string::npos ? n : "";
    };
    if (p.rfind("ANSI_", 0) == 0 && !numero(5).empty()) return "CP" + numero(5);
    if (p.rfind("DOS", 0) == 0 && !numero(3).empty()) return "CP" + numero(3);
    if (p.rfind("ISO8859-", 0) == 0 && !numero(8).empty()) return "ISO-8859-" + numero(8);
    if (p == "MAC-ROMAN" || p == "MAC_ROMAN") return "MACINTOSH";
    if (p == "UTF-8" || p == "UTF8") return "UTF-8";
    return "CP1252";
}

Decodeur::Origine Decodeur::origine() const {
    if (version_.empty()) return Origine::Inconnue;
    // "AC1021" and later compare after the earlier ones.
    return version_ >= "AC1021" ? Origine::Utf8 : Origine::PageDeCode;
}

std::string Decodeur::convertir(std::string_view octets, const std::string& page) {
    if (page == "UTF-8") return reparerUtf8(octets);
    auto it = convertisseurs_.find(page);
    if (it == convertisseurs_.end()) {
        GIConv c = g_iconv_open("UTF-8", page.c_str());
        if (c == reinterpret_cast<GIConv>(-1) && page != "CP1252")
            c = g_iconv_open("UTF-8", "CP1252");
        it = convertisseurs_.emplace(page, c == reinterpret_cast<GIConv>(-1) ? nullptr : c).first;
    }
    GIConv c = static_cast<GIConv>(it->second);
    if (!c) return reparerUtf8(octets);
    std::string r;
    r.reserve(octets.size() * 2);
    g_iconv(c, nullptr, nullptr, nullptr, nullptr);  // initial state
    gchar* entree = const_cast<gchar*>(octets.data());
    gsize reste = octets.size();
    char tampon[256];
    while (reste > 0) {
        gchar* sortie = tampon;
        gsize place = sizeof tampon;
        const gsize n = g_iconv(c, &entree, &reste, &sortie, &place);
        r.append(tampon, static_cast<std::size_t>(sortie - tampon));
        if (n == static_cast<gsize>(-1) && errno != E2BIG) {
            // A byte that the code page does not decode, or a sequence cut
            // short: one replacement character, and on with the next byte.
            r += kRemplacement;
            ++entree;
            --reste;
            g_iconv(c, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return r;
}

std::string Decodeur::caractere(unsigned octet) {
    const char b = static_cast<char>(octet);
    if (octet < 0x80) return std::string(1, b);
    const bool multioctet =
        page_ == "CP932" || page_ == "CP936" || page_ == "CP949" || page_ == "CP950";
    return convertir(std::string_view(&b, 1), multioctet ? "CP1252" : page_);
}

std::string Decodeur::decoder(std::string_view octets, bool mtext) {
    // The bytes as UTF-8.
    std::string texte;
    const Origine o = origine();
    if (ascii(octets))
        texte.assign(octets);
    else if (o == Origine::Utf8 ||
             (o == Origine::Inconnue &&
              g_utf8_validate(octets.data(), static_cast<gssize>(octets.size()), nullptr)))
        texte = reparerUtf8(octets);
    else
        texte = convertir(octets, page_);

    // Character codes, and what cannot be painted.
    bool aTraiter = false;
    for (unsigned char c : texte)
        if (c == '\\' || c == '%' || c < 0x20 || c >= 0x80) aTraiter = true;
    if (!aTraiter) return texte;
    std::string r;
    r.reserve(texte.size());
    auto produire = [&](char32_t c) {
        if (c == '\t') c = ' ';
        if (!caracterePeignable(c)) {
            r += kRemplacement;
        } else if (c == '%') {
            r += "%%%";
        } else if (mtext && (c == '\\' || c == '{' || c == '}')) {
            r += '\\';
            r += static_cast<char>(c);
        } else {
            ajouterUtf8(r, c);
        }
    };
    auto produireTout = [&](const std::string& u) {
        for (const char* p = u.c_str(); *p; p = g_utf8_next_char(p)) produire(g_utf8_get_char(p));
    };
    const std::string_view s = texte;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s.compare(i, 3, "\\U+") == 0) {
            const long v = lireHexa(s, i + 3, 4);
            if (v >= 0) {
                produire(static_cast<char32_t>(v));
                i += 7;
                continue;
            }
        }
        if (s.compare(i, 3, "\\M+") == 0 && i + 3 < s.size()) {
            const char* page = pageMultioctet(s[i + 3]);
            const long v = lireHexa(s, i + 4, 4);
            if (page && v >= 0) {
                const char deux[2] = {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)};
                produireTout(convertir(std::string_view(deux, 2), page));
                i += 8;
                continue;
            }
        }
        if (mtext && s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\\') {
            r += "\\\\";
            i += 2;
            continue;
        }
        if (s.compare(i, 2, "%%") == 0) {
            if (i + 2 < s.size() && s[i + 2] == '%') {
                r += "%%%";
                i += 3;
                continue;
            }
            if (i + 4 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 2])) &&
                std::isdigit(static_cast<unsigned char>(s[i + 3])) &&
                std::isdigit(static_cast<unsigned char>(s[i + 4]))) {
                const unsigned code = static_cast<unsigned>((s[i + 2] - '0') * 100 +
                                                            (s[i + 3] - '0') * 10 + s[i + 4] - '0');
                produireTout(code < 256 ? caractere(code) : std::string(kRemplacement));
                i += 5;
                continue;
            }
            r += "%%";
            i += 2;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80 && c >= 0x20 && c != 0x7F) {
            r += static_cast<char>(c);
            ++i;
            continue;
        }
        produire(g_utf8_get_char(s.data() + i));
        i = static_cast<std::size_t>(g_utf8_next_char(s.data() + i) - s.data());
    }
    return r;
}
