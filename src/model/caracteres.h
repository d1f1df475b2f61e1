// Characters that can be painted: cairo refuses strings that are not UTF-8,
// and characters that are controls, surrogates or noncharacters, and then
// paints nothing more.
#pragma once

#include <string>
#include <string_view>

// Whether cairo draws this character (within Unicode, and not a control, a
// surrogate or a noncharacter).
bool caracterePeignable(char32_t c);
// `s` with every byte sequence that is not UTF-8 replaced by U+FFFD.
std::string reparerUtf8(std::string_view s);
// `s` as UTF-8 that cairo takes: invalid bytes and characters it refuses
// replaced by U+FFFD (a tab by a space).
std::string textePeignable(std::string_view s);
// Whether `s` is already such a text.
bool estPeignable(std::string_view s);
