// The command-line options that all three programs share: --help and
// --version, answered before anything else starts (no display, no log), and
// the drawing that tarsin opens.
#pragma once

#include <iostream>
#include <optional>
#include <string>

// The version of the programs, as the build gives it ("1.0.0").
const char* versionTarsin();
// "<programme> <version>\n", the answer to --version.
std::string ligneVersion(const std::string& programme);

// The help texts of the two viewers.
extern const char* const kAideTarsin;
extern const char* const kAidePlan;

// When "--help", "-h" or "--version" stands among argv[1..argc-1] before any
// "--", writes `aide` or the version line of `programme` to `sortie` and
// returns the status the program ends with (0); otherwise nothing.
std::optional<int> repondreAideOuVersion(int argc, char** argv, const char* programme,
                                         const char* aide, std::ostream& sortie = std::cout);

// tarsin's drawing, among the arguments that the toolkit has left: the first
// one (past a "--"), or empty for none. When several are given, one line on
// `erreurs` says that only the first is opened.
std::string dessinDemande(int argc, char** argv, std::ostream& erreurs = std::cerr);
