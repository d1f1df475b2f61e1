// The characters of DXF texts, as UTF-8.
//
// Files before AC1021 (AutoCAD 2007) hold their texts in the code page that
// their header names ($DWGCODEPAGE, ANSI_1252 when it names none); later
// files hold UTF-8. A file without $ACADVER is taken as UTF-8 when its text
// is valid UTF-8, in its code page otherwise. Inside a text, "\U+XXXX" names
// a Unicode character, "\M+nXXXX" a double-byte character of code page n
// (1 932, 2 950, 3 949, 4 Johab, 5 936) and "%%nnn" a character of the
// drawing's code page by its decimal code. Bytes that cannot be decoded, and
// characters that cairo refuses (controls, surrogates, noncharacters),
// become U+FFFD.
#pragma once

#include <map>
#include <string>
#include <string_view>

class Decodeur {
  public:
    Decodeur() = default;
    ~Decodeur();
    Decodeur(const Decodeur&) = delete;
    Decodeur& operator=(const Decodeur&) = delete;

    // From the header: $ACADVER ("AC1015") and $DWGCODEPAGE ("ANSI_1252").
    void setVersion(const std::string& version) { version_ = version; }
    void setPageDeCode(const std::string& page) { page_ = nomIconv(page); }

    // The text as UTF-8, the character codes above resolved. The formatting
    // codes (%%d, %%u, MTEXT's \P, \H...) stay; a character produced by a
    // code that would read as one of them is escaped ("%%%", and in MTEXT
    // "\\", "\{", "\}").
    std::string decoder(std::string_view octets, bool mtext);

    // The iconv name of a DXF code page name ("ANSI_1252" -> "CP1252");
    // "CP1252" for an unknown name.
    static std::string nomIconv(std::string_view page);

  private:
    enum class Origine { Utf8, PageDeCode, Inconnue };
    Origine origine() const;
    // Bytes of `page` as UTF-8 (undecodable bytes as U+FFFD).
    std::string convertir(std::string_view octets, const std::string& page);
    // The character that byte `octet` is in the drawing's code page (a
    // double-byte page counts as 1252 for single bytes).
    std::string caractere(unsigned octet);

    std::string version_;
    std::string page_ = "CP1252";
    std::map<std::string, void*> convertisseurs_;  // GIConv by iconv name
};
