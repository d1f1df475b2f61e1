#include "model/caracteres.h"

#include <glib.h>

namespace {

const char* const kRemplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

bool caracterePeignable(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    if (c >= 0xFDD0 && c <= 0xFDEF) return false;
    if ((c & 0xFFFE) == 0xFFFE) return false;
    return c <= 0x10FFFF;
}

std::string reparerUtf8(std::string_view s) {
    std::string r;
    r.reserve(s.size());
    while (!s.empty()) {
        const gchar* fin = nullptr;
        g_utf8_validate(s.data(), static_cast<gssize>(s.size()), &fin);
        const std::size_t bon = static_cast<std::size_t>(fin - s.data());
        r.append(s.data(), bon);
        if (bon == s.size()) break;
        r += kRemplacement;
        s.remove_prefix(bon + 1);
    }
    return r;
}

bool estPeignable(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c >= 0x7F) goto lent;
    return true;
lent:
    if (!g_utf8_validate(s.data(), static_cast<gssize>(s.size()), nullptr)) return false;
    for (const char* p = s.data(); p < s.data() + s.size(); p = g_utf8_next_char(p))
        if (!caracterePeignable(g_utf8_get_char(p))) return false;
    return true;
}

std::string textePeignable(std::string_view s) {
    if (estPeignable(s)) return std::string(s);
    const std::string u = reparerUtf8(s);
    std::string r;
    r.reserve(u.size());
    for (const char* p = u.c_str(); p < u.c_str() + u.size(); p = g_utf8_next_char(p)) {
        const gunichar c = g_utf8_get_char(p);
        if (c == '\t') {
            r += ' ';
        } else if (!caracterePeignable(c)) {
            r += kRemplacement;
        } else {
            char tampon[6];
            r.append(tampon, static_cast<std::size_t>(g_unichar_to_utf8(c, tampon)));
        }
    }
    return r;
}
