// Reading one DXF file into an import handler.
#pragma once

#include <istream>
#include <string>

class DXFHandler;

struct ResultatLecture {
    enum Issue {
        Reussie,     // the whole file was read
        Incomplete,  // a readable first part was read; the file ends too early
        Echec,       // nothing usable: the handler's model must not be shown
    };
    Issue issue = Echec;
    // Empty when the read succeeded; otherwise a French sentence for the user.
    std::string message;

    bool utilisable() const { return issue != Echec; }
};

// Reads the file at `chemin` through dxflib into `handler`, then writes out
// the handler's buffered trace.
ResultatLecture lireDXF(const std::string& chemin, DXFHandler& handler);
// The same from a stream (tests, fuzzing).
ResultatLecture lireDXF(std::istream& flux, DXFHandler& handler);
