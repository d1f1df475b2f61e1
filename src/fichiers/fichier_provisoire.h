// A file written under a temporary name beside its final path, then renamed
// onto it once complete: whoever reads the final path never sees a partial
// file, and a failure leaves no new file there (a file that was already
// there stays as it was).
#pragma once

#include <cstdio>
#include <string>

class FichierProvisoire {
  public:
    FichierProvisoire() = default;
    // Removes the temporary file unless valider() succeeded.
    ~FichierProvisoire();
    FichierProvisoire(const FichierProvisoire&) = delete;
    FichierProvisoire& operator=(const FichierProvisoire&) = delete;

    // Creates the temporary file for the final path `chemin`: a hidden file
    // in the same folder, with the mode of the file it replaces (else the
    // umask's). Through a link, the file it points to is replaced, not the
    // link; a path naming something that is not a regular file (a device, a
    // pipe) is written in place. False with the reason otherwise.
    bool ouvrir(const std::string& chemin, std::string& raison);
    FILE* flux() const { return flux_; }
    // Closes the file and gives it its final name; false with the reason,
    // and the temporary file removed, otherwise.
    bool valider(std::string& raison);

  private:
    FILE* flux_ = nullptr;
    std::string provisoire_;  // empty when written in place
    std::string final_;
};

// Removes the temporary file being written, if any. Async-signal-safe: for
// the handlers that end the program.
void supprimerFichierProvisoire();
