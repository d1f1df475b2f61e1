// The paper space's records, read from their pairs (dxflib hands over
// neither LAYOUT objects nor VIEWPORT entities).
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "import/paires.h"
#include "model/presentation.h"

// A VIEWPORT: its rectangle, view, twist, flags, id and clipping handle; the
// layers frozen in it are named through `calques` (LAYER handles to names;
// handles it does not know are left out).
void lireFenetreVue(const std::vector<Paire>& paires,
                    const std::unordered_map<std::string, std::string>& calques, FenetreVue& f);

// A LAYOUT: its name, tab order and paper from its plot settings; in
// `poigneeBloc` the handle of its block record (330 of its AcDbLayout part,
// "" when it names none).
void lirePresentation(const std::vector<Paire>& paires, Presentation& p, std::string& poigneeBloc);

// Whether a block name is that of model space, or of the paper space whose
// entities are in the ENTITIES section ("*Model_Space", "*Paper_Space",
// without regard to case).
bool estEspaceObjet(const std::string& nomBloc);
bool estEspacePapierActif(const std::string& nomBloc);
// Whether it is any paper-space block ("*Paper_Space", "*Paper_Space0"...).
bool estBlocPapier(const std::string& nomBloc);
