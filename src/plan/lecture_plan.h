// The earlier viewer's command line: its usage text and the reading of the
// drawing that it names.
#pragma once

#include <iostream>
#include <memory>

#include "import/lecture.h"

// Exit statuses of tarsin-plan after reading its drawing.
constexpr int kStatutRefuse = 1;     // the file was refused: no window
constexpr int kStatutIncomplet = 3;  // only the first part of the file was read

// Writes the usage text to `sortie`.
void usage(std::ostream& sortie = std::cout);

// Reads the DXF file at `path` (images ignored) into a new drawing and
// returns it, with the outcome in `lu`: empty when the file could not be
// read, and not to be shown when `lu` is not usable. Progress goes to `sortie`; to `erreurs` go the
// line "<path> could not be opened." for a file that cannot be opened, and
// the outcome's own message for any other failure or an incomplete file.
std::shared_ptr<Dessin> testReading(const char* path, ResultatLecture& lu,
                                    std::ostream& sortie = std::cout,
                                    std::ostream& erreurs = std::cerr);
// The same, for callers that do not look at the outcome.
std::shared_ptr<Dessin> testReading(const char* path, std::ostream& sortie = std::cout,
                                    std::ostream& erreurs = std::cerr);

// True when tarsin-plan must stop at once, before its window: the file was
// refused for a reason other than not opening (an unopenable file leaves the
// viewer open on an empty drawing).
bool lectureAbandonnee(const ResultatLecture& lu);
// The exit status of tarsin-plan after that outcome: 0 when the file was read
// or could not be opened, kStatutRefuse or kStatutIncomplet otherwise.
int statutSortie(const ResultatLecture& lu);
