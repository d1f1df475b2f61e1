// The earlier viewer's command line: its usage text and the reading of the
// drawing that it names.
#pragma once

#include <iostream>
#include <memory>

class DXFHandler;

// Writes the usage text to `sortie`.
void usage(std::ostream& sortie = std::cout);

// Reads the DXF file at `path` into a new handler (images ignored) and
// returns it; the handler holds an empty model when the file cannot be read.
// Progress goes to `sortie`, failures to `erreurs`.
std::unique_ptr<DXFHandler> testReading(const char* path, std::ostream& sortie = std::cout,
                                        std::ostream& erreurs = std::cerr);
