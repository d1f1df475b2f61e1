// A file written under a temporary name beside its final path, then renamed
// onto it once complete: whoever reads the final path never sees a partial
// file, and a failure leaves no new file there (a file that was already
// there stays as it was).
//
// The final path is never opened: only a regular file, or nothing, may be
// there. A directory, a named pipe, a device, a socket or a symbolic link
// (even one pointing to a regular file, even dangling) is refused, so that
// writing can neither block on a pipe nor go through a link to a file
// elsewhere.
#pragma once

#include <csignal>
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
    // in the same folder, created exclusively, with the mode of the regular
    // file it replaces, or else 0644 less the umask. False with the reason
    // ("c'est un lien symbolique", ...) otherwise.
    bool ouvrir(const std::string& chemin, std::string& raison);
    FILE* flux() const { return flux_; }
    // Closes the file and gives it its final name; false with the reason,
    // and the temporary file removed, otherwise.
    bool valider(std::string& raison);

  private:
    FILE* flux_ = nullptr;
    std::string provisoire_;
    std::string final_;
};

// Removes the temporary file being written, if any. Async-signal-safe: for
// the handlers that end the program.
void supprimerFichierProvisoire();

// Makes the signals that end the program (SIGTERM, SIGINT, SIGHUP, SIGQUIT,
// SIGXCPU, SIGXFSZ, and SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL) remove the
// temporary file being written first, then do what they did before (the
// handler installed earlier, or the default action).
void supprimerFichierProvisoireSurSignal();

// Hands a signal caught by a handler that was installed over `precedente`
// back to it (or to the default action), from that handler.
void relayerSignal(int signal, const siginfo_t* info, const struct sigaction& precedente);
