// Finding the texts of a drawing: TEXT, MTEXT, the attributes of
// insertions and the texts of dimensions, matched without regard to case
// and accents ("É" finds "e"), on every layer, the hidden ones too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "render/visite.h"

// A text as it reads, its formatting codes taken out ("%%c" is "Ø", MTEXT's
// "\P" a new line, a stack "1/2").
std::string texteLisible(const Text& t, bool mtext);

// A text folded for comparison: letters in lower case, accents and
// ligatures taken off ("Œuvre É" gives "oeuvre e"); what is not a letter
// stays as it is.
std::string replier(std::string_view utf8);

struct Trouvaille {
    RefEntite objet;                // the text, or the dimension
    std::vector<Porteur> porteurs;  // the insertions that carry it
    Matrice matrice;                // its block to the drawing
    std::string texte;              // as it reads
    const Layer* calque = nullptr;  // the layer it is seen on
    bool masque = false;            // on a hidden layer
    Boite boite;                    // where it lies in the drawing
};

struct ResultatRecherche {
    std::vector<Trouvaille> trouvailles;  // in the drawing's order
    std::size_t total = 0;                // found, those past `max` too
    // Whether the search stopped before the end of the drawing (kVisitesMax
    // objects met, insertions unfolded).
    bool arretee = false;
};

// Objects a search meets at most.
constexpr long kVisitesMax = 50'000'000;

// The texts that hold `cherche`, at most `max` of them kept; nothing for an
// empty string.
ResultatRecherche rechercher(const Dessin& dessin, const CalquesMasques* masques,
                             std::string_view cherche, std::size_t max = 100000);
