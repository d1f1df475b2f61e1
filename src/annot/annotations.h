// Reading the annotation files: plain text files of two-line records (a
// header line, then a text line) that hang annotations under the layers of a
// drawing. The readers know nothing of the toolkit: the window gives them a
// function that appends one annotation row under the row being filled.
#pragma once

#include <functional>
#include <iostream>
#include <string>

// Appends an annotation row titled with its argument.
using AjouterRang = std::function<void(const std::string& titre)>;

// The annotation file of a drawing: the drawing's path with its last four
// characters replaced by ".ann".
std::string cheminAnnotations(const std::string& cheminDessin);

// The full viewer's reader of the annotation file `fichier`.
//
// With a layer key "i:*" it appends a row (through `ajouterRang`) for every
// annotation header of layer i; with an annotation row's path "i:j" it
// returns the text of that annotation. Diagnostics go to `sortie`, errors to
// `erreurs`.
std::string lireAnnot(const std::string& fichier, const std::string& cle,
                      const AjouterRang& ajouterRang, std::ostream& sortie = std::cout,
                      std::ostream& erreurs = std::cerr);

// The earlier viewer's reader of "annotations.ann" (or `fichier`), in
// row-adding mode (`ajoutRangs` true) or text-returning mode.
std::string lireAnnotPlan(const std::string& fichier, const std::string& cle, bool ajoutRangs,
                          const AjouterRang& ajouterRang, std::ostream& sortie = std::cout,
                          std::ostream& erreurs = std::cerr);
