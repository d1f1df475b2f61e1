// Where the viewers find their window icon, wherever they are installed or
// started from.
#pragma once

#include <string>
#include <vector>

// The running program's path (/proc/self/exe); empty when it cannot be read.
std::string cheminProgramme();

// The places where the icon of `programme` (a program's path) is looked for,
// in this order: "icon.gif" in the working folder; icon.gif in the data folder
// of an installed program (<prefix>/share/tarsin beside <prefix>/bin); the
// source tree's samples/icon.gif when the program runs from the build folder
// it was built in.
std::vector<std::string> emplacementsIcone(const std::string& programme);

// The first of those places that holds a regular file; "icon.gif" when none
// does (its loading then fails and says so).
std::string cheminIcone(const std::string& programme = cheminProgramme());
