// What a file's name says of it.
#pragma once

#include <cstring>
#include <string>

// Whether `nom` ends with `extension` (".dxf", ".png"...), letters compared
// without regard to case (ASCII).
inline bool finitParExtension(const std::string& nom, const char* extension) {
    const std::size_t n = std::strlen(extension);
    if (nom.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = nom[nom.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != extension[i]) return false;
    }
    return true;
}
