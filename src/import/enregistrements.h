// Records that dxflib does not hand over whole, read from their pairs
// (paires.h): the boundaries and the pattern of a hatch, the outline of a
// wipeout. Counts in the file are never trusted: what is read is what the
// pairs hold.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "import/paires.h"
#include "model/objects.h"

// The boundary paths (edges kept as the file gives them, curves whole) and
// the pattern lines of a HATCH record. The edges of a path are chained by
// their ends, whatever their order and direction in the file; a path of
// edges that holds several closed paths gives each. Returns how many paths
// did not close (their last edge joins their first by a segment).
int lireHachure(const std::vector<Paire>& paires, Hatch& hachure);

// The polygon a WIPEOUT record covers, in drawing units: its clip boundary
// (a rectangle or a polygon, in pixels of its picture) placed by its
// insertion point and its u and v vectors; the whole picture when it has
// none. Empty when the record says nothing usable.
std::vector<PointPlan> lireContourWipeout(const std::vector<Paire>& paires);

// What a MULTILEADER record says, read from its context data (the sections
// between 300 "CONTEXT_DATA{" and 301 "}", its leaders 302-303 and their
// lines 304-305) and the properties after it; handles (of blocks, styles,
// attribute definitions) as the file writes them. Colours are written as
// couleurComposee reads them.
struct LectureMultiLeader {
    std::vector<MultiLeader::Branche> branches;
    int genreLignes = 1;             // 170
    int couleurLignes = 0;           // 91
    bool palier = true;              // 291
    double tailleFleche = 0;         // 140, else 42
    std::string blocFleche;          // 342
    bool aTexte = false;             // 290
    std::string texte, style;        // 304, 340
    PointPlan positionTexte{0, 0};   // 12
    PointPlan directionTexte{0, 0};  // 13
    double rotationTexte = 0;        // 42, radians
    double largeurTexte = 0;         // 43
    double hauteurTexte = 0;         // 41
    double interligne = 1;           // 45
    int attachement = 1;             // 171
    int couleurTexte = 0;            // 90
    bool aBloc = false;              // 296
    std::string bloc;                // 341
    PointPlan positionBloc{0, 0};    // 15
    PointPlan echelleBloc{1, 1};     // 16
    double rotationBloc = 0;         // 46, radians
    int couleurBloc = 0;             // 93
    // The attributes of the block: the handle of their definition (330)
    // and their text (302).
    std::vector<std::pair<std::string, std::string>> attributs;
};
void lireMultiLeader(const std::vector<Paire>& paires, LectureMultiLeader& lecture);

// A colour as MULTILEADER writes it: its kind in the high byte (0xC0 by
// layer, 0xC1 by block, 0xC2 a true colour, 0xC3 a colour index), its value
// below. Sets the colour index (by block for what is not understood) and
// returns false, or sets the true colour and returns true.
bool couleurComposee(int valeur, int& indice, std::uint32_t& rvb);

// The value of the first pair of that code, or `defaut`.
double reelDe(const std::vector<Paire>& paires, int code, double defaut);
int entierDe(const std::vector<Paire>& paires, int code, int defaut);
