// The code/value pairs of a DXF text, read as dxflib reads them from a
// stream. dxflib hands its callbacks only some fields of each record; the
// import reads the others (true colours, widths of polyline vertices, hatch
// boundaries and patterns, the block of a dimension, wipeouts...) from the
// pairs of the record dxflib has just finished, in the text dxflib reads,
// without reading the file a second time.
#pragma once

#include <algorithm>
#include <cstddef>
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

// Appends the pairs of `texte` from `debut` (the start of a group code line)
// up to the next pair of code 0 or 9, which starts the next record, or to
// the end of the text.
void lirePaires(std::string_view texte, std::size_t debut, std::vector<Paire>& paires);

// The value on the line that ends where `position` starts: the kind of the
// record whose pairs start there.
std::string_view valeurAvant(std::string_view texte, std::size_t position);

// What the import handler sees of the text dxflib is reading.
class SourcePaires {
  public:
    virtual ~SourcePaires() = default;
    // The whole text.
    virtual std::string_view texte() const = 0;
    // How much of it dxflib has read.
    virtual std::size_t position() const = 0;
    // The text from `position` on must stay readable; what lies before may
    // be given back.
    virtual void garderDepuis(std::size_t position) = 0;
};

// A creation interface that also reads pairs of the text: told where the
// text is for the time of a reading (null after it).
class LecteurPaires {
  public:
    virtual void setSource(SourcePaires* source) = 0;

  protected:
    ~LecteurPaires() = default;
};
