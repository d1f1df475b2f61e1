// Reading one DXF file into an import handler.
//
// Every read goes through the guard (garde.h) before dxflib sees a byte: a
// path that is not a regular file, an empty file, a file that is not DXF or
// that dxflib cannot read without losing its place is refused with a message;
// counts that announce more elements than the file holds are brought down to
// what it holds; values too long are cut, with a warning; the locale and the
// exceptions of dxflib stay inside. A file whose records hold entities of
// which nothing reaches the handler is a failure, not an empty drawing.
#pragma once

#include <atomic>
#include <algorithm>
#include <cstddef>
#include <iostream>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

class Dessin;
class DXFHandler;

// What an import takes beyond the file.
struct OptionsImport {
    // The earlier viewer ignores IMAGE entities and image definitions:
    // no trace line and nothing in the model.
    bool images = true;
};

struct ResultatLecture {
    enum Issue {
        Reussie,     // the whole file was read
        Incomplete,  // a readable first part was read; the file ends too early
        Echec,       // nothing usable: the handler's model must not be shown
    };
    // Why a read did not succeed (Aucune when it did).
    enum Cause {
        Aucune,
        Ouverture,        // the file cannot be opened (missing, no permission)
        Dossier,          // the path names a directory
        FichierSpecial,   // a device, a pipe, a socket
        TropVolumineux,   // larger than kTailleMaxDXF
        ErreurLecture,    // the system failed while reading it
        Vide,             // no byte at all
        PasDXF,           // no section anywhere: some other kind of file
        DXFBinaire,       // binary DXF, which dxflib does not read
        LigneTropLongue,  // a group code line longer than dxflib takes whole
        Tronque,          // it stops before its EOF marker (Incomplete)
        RienLu,           // it holds entities, and none of them could be read
        Memoire,          // memory ran out while reading
        ErreurInterne,    // dxflib failed in some other way
        Annulee,          // stopped by its annulation flag (SuiviLecture)
    };
    Issue issue = Echec;
    Cause cause = Aucune;
    // Empty when the whole file was read as it stands; otherwise a French
    // sentence for the user: why it failed, or a warning (a file cut short,
    // a value too long that was cut) when the drawing is usable.
    std::string message;

    bool utilisable() const { return issue != Echec; }
};

// Files above this size are refused: the whole file is held in memory while
// it is read, and the model takes several times its size.
constexpr std::size_t kTailleMaxDXF = std::size_t{1} << 30;

// A reading followed from another thread: how many bytes of the text dxflib
// has passed, of how many, and a flag that stops the reading soon after it
// is set (at dxflib's next piece of text, 64 KiB at most).
struct SuiviLecture {
    std::atomic<std::size_t> lus{0}, total{0};
    std::atomic<bool> annulation{false};
    // The share of the bytes read, 0 to 1.
    double part() const {
        const std::size_t t = total;
        return t ? std::min(1.0, static_cast<double>(lus) / static_cast<double>(t)) : 0;
    }
};

// The readings into a handler of one's own (tests, the reader below) need
// import/dxfhandler.h; the drawing alone needs nothing of dxflib.
// Reads the file at `chemin` through dxflib into `handler`, then writes out
// the handler's buffered trace; `suivi`, when given, follows it.
ResultatLecture lireDXF(const std::string& chemin, DXFHandler& handler,
                        SuiviLecture* suivi = nullptr);
// The same from a stream (tests, fuzzing); `nom` stands for the path in the
// messages.
ResultatLecture lireDXF(std::istream& flux, DXFHandler& handler, const std::string& nom = "<flux>");
// The same from a DXF text already in memory.
ResultatLecture lireTexteDXF(std::string_view texte, const std::string& nom, DXFHandler& handler);

// A drawing read from a file, with the outcome of the reading.
struct LectureDessin {
    ResultatLecture resultat;
    // Null when the outcome is not usable.
    std::shared_ptr<Dessin> dessin;
};
// Reads the file at `chemin` into a new drawing; the import trace goes to
// `trace`.
LectureDessin lireDessin(const std::string& chemin, std::ostream& trace = std::cout,
                         const OptionsImport& options = {}, SuiviLecture* suivi = nullptr);
