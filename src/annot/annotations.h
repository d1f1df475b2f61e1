// Reading the annotation files: plain text files of two-line records (a
// header line, then a text line) that hang annotations under the layers of a
// drawing. The readers know nothing of the toolkit: the window gives them a
// function that appends one annotation row under the row being filled.
//
// An annotation file lies beside a drawing that may come from anywhere: it
// is read only when it is a regular file (opened without blocking, so a
// named pipe or a device never holds the program), of at most
// kTailleMaxAnnotations bytes, and its lines are cut to
// kLigneMaxAnnotations bytes, so that the toolkit never gets more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

// Appends an annotation row titled with its argument.
using AjouterRang = std::function<void(const std::string& titre)>;

constexpr std::size_t kTailleMaxAnnotations = std::size_t{16} << 20;
// A title or a text of 64 KiB is already far more than a row or the text
// view shows; a line of 100 MB makes the toolkit abort.
constexpr std::size_t kLigneMaxAnnotations = std::size_t{64} << 10;

// The annotation file of a drawing: the drawing's path with its last four
// characters replaced by ".ann".
std::string cheminAnnotations(const std::string& cheminDessin);

// The lines of an annotation file, read once within the bounds above. A
// line ends at a line feed, which is not part of it; a carriage return
// before it stays; the last line needs no line feed. A longer line keeps its
// first kLigneMaxAnnotations bytes (fewer when that would cut a UTF-8
// character in two) and loses the rest, and the lines after it stay as they
// are.
class LignesAnnotations {
  public:
    // Reads `fichier`. A file over kTailleMaxAnnotations bytes says so on
    // `erreurs`; whatever is refused reads as a file that cannot be opened.
    LignesAnnotations(const std::string& fichier, std::ostream& erreurs);
    LignesAnnotations(const LignesAnnotations&) = delete;
    LignesAnnotations& operator=(const LignesAnnotations&) = delete;

    bool lu() const { return lu_; }
    std::size_t nombre() const { return debuts_.empty() ? 0 : debuts_.size() - 1; }
    std::string_view operator[](std::size_t i) const {
        return std::string_view(texte_).substr(debuts_[i], debuts_[i + 1] - debuts_[i] - 1);
    }

  private:
    // The lines as kept, each followed by a line feed, and where each starts
    // (then where the text ends): four bytes a line, even for a file of
    // empty lines.
    std::string texte_;
    std::vector<std::uint32_t> debuts_;
    bool lu_ = false;
};

// The full viewer's annotation file, read once for a whole rebuild of the
// layer tree and indexed by layer number: the annotations of every layer
// cost, together, one reading of the file plus what they return. Results,
// rows and diagnostics are those of a reading of the whole file per call.
class FichierAnnotations {
  public:
    // Rows handed out by one object, at most: beyond either bound the rows
    // are no longer made (one line on the error stream says so), the results
    // and diagnostics staying the same. Each line of the file may title a row
    // under every layer whose number it holds.
    static constexpr std::size_t kRangsMax = 1'000'000;
    static constexpr std::size_t kOctetsTitresMax = std::size_t{64} << 20;

    // Reads `fichier` (nothing when the path is empty) and indexes the keys
    // "0:*" to "n-1:*" for `nombreCalques` layers n.
    FichierAnnotations(const std::string& fichier, std::size_t nombreCalques,
                       std::ostream& erreurs = std::cerr);

    // With a layer key "i:*", appends a row (through `ajouterRang`) for every
    // annotation header of layer i; with an annotation row's path "i:j",
    // returns the text of that annotation. Diagnostics go to `sortie`,
    // errors to `erreurs`.
    std::string lireAnnot(const std::string& cle, const AjouterRang& ajouterRang,
                          std::ostream& sortie = std::cout, std::ostream& erreurs = std::cerr);

  private:
    // Where the rows of one call go, and where a bound reached is told.
    struct Ajout {
        const AjouterRang& ajouterRang;
        std::ostream& erreurs;
    };
    // The reading of one key by walking the lines, and by the index; `rangs`
    // counts the diagnostic lines to write.
    std::string parcourir(const std::string& cle, const Ajout& ajout, std::size_t& rangs);
    std::string parIndex(std::size_t calque, const std::string& cle, const Ajout& ajout,
                         std::size_t& rangs);
    void indexer(std::size_t nombreCalques);
    // Hands the row titled with `ligne` past its first `debut` characters.
    void ajouter(const Ajout& ajout, std::string_view ligne, std::size_t debut);

    std::string fichier_;
    LignesAnnotations lignes_;
    // For each layer number i, the lines holding "i:", in file order.
    std::vector<std::vector<std::uint32_t>> occurrences_;
    std::string piece_;  // of diagnostic lines, kept between calls
    std::size_t rangsDonnes_ = 0;
    std::size_t octetsDonnes_ = 0;
    bool borneAtteinte_ = false;
};

// The full viewer's reader of the annotation file `fichier`, reading the
// whole file for this one call (FichierAnnotations::lireAnnot).
std::string lireAnnot(const std::string& fichier, const std::string& cle,
                      const AjouterRang& ajouterRang, std::ostream& sortie = std::cout,
                      std::ostream& erreurs = std::cerr);

// The earlier viewer's reader of "annotations.ann" (or `fichier`), in
// row-adding mode (`ajoutRangs` true) or text-returning mode.
std::string lireAnnotPlan(const std::string& fichier, const std::string& cle, bool ajoutRangs,
                          const AjouterRang& ajouterRang, std::ostream& sortie = std::cout,
                          std::ostream& erreurs = std::cerr);
