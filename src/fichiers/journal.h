// The full viewer's log, "tarsin.log": everything the program writes to
// standard output (import and paint traces, annotation diagnostics). It goes
// into the working folder when that folder can be written, into the user's
// state folder otherwise, never through a symbolic link, and it stops
// growing at kJournalMax bytes.
#pragma once

#include <cstdint>
#include <iostream>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

#include "fichiers/ouverture.h"

// The largest log: a drawing of a million entities writes about 150 MB of
// import trace, and every repaint adds a line per object painted.
constexpr std::uint64_t kJournalMax = std::uint64_t{256} << 20;

// A stream buffer that writes into a file descriptor it owns, `limite` bytes
// at most. The byte that would go past the limit is replaced by one line
// saying that the log is cut; from then on writes are taken and dropped, so
// the program goes on as before. A failed write drops the rest the same way.
class TamponJournal : public std::streambuf {
  public:
    explicit TamponJournal(Descripteur fd, std::uint64_t limite = kJournalMax);
    ~TamponJournal() override;
    TamponJournal(const TamponJournal&) = delete;
    TamponJournal& operator=(const TamponJournal&) = delete;

    // True once the limit has been reached.
    bool tronque() const { return tronque_; }
    // The log file's descriptor.
    int descripteur() const { return fd_.get(); }
    // The line written at the limit.
    static const char* const kLigneTronque;

  protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

  private:
    // Writes what the buffer holds, as far as the limit allows.
    void vider();
    // Writes `n` bytes to the file; false when the system refuses.
    bool ecrire(const char* s, std::size_t n);

    Descripteur fd_;
    std::uint64_t limite_;
    std::uint64_t ecrits_ = 0;
    bool tronque_ = false;
    bool enPanne_ = false;
    char dernier_ = '\n';  // the last byte written
    std::vector<char> tampon_;
};

// The folder of the log when the working folder cannot be written:
// $XDG_STATE_HOME/tarsin when that variable holds an absolute path, else
// $HOME/.local/state/tarsin; empty when neither is known.
std::string dossierEtat();

// Opens "tarsin.log" in `dossier` (the working folder). When that folder may
// not be written, the log goes to dossierEtat() (created with mode 0700), and
// one line on `erreurs` says where. A symbolic link, a directory, a pipe or
// anything else that is not a regular file is never written into: a line on
// `erreurs` says why and the result is null, standard output staying where
// it is.
std::unique_ptr<TamponJournal> ouvrirJournal(std::ostream& erreurs,
                                             const std::string& dossier = ".");
