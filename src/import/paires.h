// The code/value pairs of a DXF text. The guard lexes them with its cursor
// as dxflib reads them; dxflib lexes them once more and hands each pair to
// the import handler, which keeps those of the record being read
// (`PairesEnregistrement`): dxflib's callbacks give only some fields of a
// record, and the import reads the others (true colours, widths of polyline
// vertices, hatch boundaries and patterns, the block of a dimension,
// wipeouts...) from the pairs of the record dxflib has just finished.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct Paire {
    int code;
    std::string_view valeur;
};

// An integer as dxflib reads it: strtol in base 10 under the C locale, on the
// text up to its first NUL, then narrowed to int.
int entierDxflib(const char* debut, const char* fin);
inline int entierDxflib(std::string_view v) { return entierDxflib(v.data(), v.data() + v.size()); }
// A value as dxflib keeps it: up to its first NUL, without the trailing
// carriage returns.
std::string_view valeurDxflib(const char* debut, const char* fin);
// A real as dxflib reads it (blanks first skipped, a comma taken for the
// point); 0 when the value is not a number.
double reelDxflib(std::string_view v);

// One pair as dxflib reads it from a stream: a group code line, then a value
// line. A code line ended by a line feed at the very end of the text still
// makes a pair, with an empty value; a code line without its line feed
// makes none (`entiere` false: the text ends there).
struct PaireBrute {
    const char* code;
    const char* finCode;  // without the line feed
    const char* valeur;
    const char* finValeur;  // without the line feed
    std::size_t ligne;      // of the code line, counted from 1
    bool entiere;
    int getCode() const { return entierDxflib(code, finCode); }
};

// The one reader of pairs, for the guard and the import alike: lexes the
// lines of `texte` from `debut` (the start of a group code line), pair by
// pair.
class CurseurPaires {
  public:
    explicit CurseurPaires(std::string_view texte, std::size_t debut = 0)
        : p_(texte.data() + std::min(debut, texte.size())), fin_(texte.data() + texte.size()) {}
    // The next pair; false at the end of the text.
    bool suivante(PaireBrute& paire);
    // Where the next pair starts.
    const char* position() const { return p_; }

  private:
    // The end of the line from `p` (without its line feed), and the start
    // of the next one (`fin_` when there is none).
    const char* ligne(const char* p, const char*& finLigne) const;

    const char* p_;
    const char* const fin_;
    std::size_t ligne_ = 0;
};

// The pairs of one record as dxflib hands them over, one at a time: their
// values are copied, for dxflib's do not outlive the next pair.
class PairesEnregistrement {
  public:
    // A new record of that kind (the value of its pair of code 0 or 9).
    void commencer(const std::string& genre);
    void ajouter(int code, const std::string& valeur);
    std::string_view genre() const { return genre_; }
    // The pairs after the one that started the record; the views last
    // until the record is started again.
    const std::vector<Paire>& paires();

  private:
    std::string genre_;
    std::vector<int> codes_;
    std::vector<std::size_t> fins_;  // of each value in valeurs_
    std::string valeurs_;
    std::vector<Paire> paires_;
    bool vues_ = false;
};
