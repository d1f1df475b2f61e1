// The bounds of one run of tarsin-render, so that a drawing that takes too
// long or too much memory (a thumbnail asked by a file manager) ends it
// quickly, leaving no file behind.
#pragma once

#include <string>

// From here on, past `secondes` seconds (wall clock) or past `mio` mebibytes
// of address space more than the program holds now, the program stops: the
// temporary file being written is removed (fichier_provisoire.h), one line on
// standard error says why, and the exit status is 1. 0 sets no such bound.
// Libraries that do not survive an allocation refused (a crash in cairo's
// rasteriser or in fontconfig) end the program the same way when the
// address space is then exhausted. The signals that end the program remove
// the temporary file too. False with the reason when a bound cannot be set.
bool poserLimites(unsigned secondes, unsigned mio, std::string& raison);
