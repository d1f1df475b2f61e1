// Opening the files that the programs do not choose themselves: a path named
// in a drawing, a file of the working folder, an annotation file beside a
// drawing. Such a path may name a named pipe (opening it for reading waits
// for a writer, reading it waits for data), a device that never ends
// (/dev/zero), a directory or a symbolic link. Every file here is opened
// without blocking and used only once fstat says it is a regular file.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <string_view>

// Closes a file descriptor when it goes out of scope.
class Descripteur {
  public:
    explicit Descripteur(int fd = -1) : fd_(fd) {}
    ~Descripteur();
    Descripteur(Descripteur&& autre) noexcept : fd_(autre.liberer()) {}
    Descripteur& operator=(Descripteur&& autre) noexcept;
    Descripteur(const Descripteur&) = delete;
    Descripteur& operator=(const Descripteur&) = delete;

    int get() const { return fd_; }
    bool valide() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int liberer() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

// What became of an opening or a reading.
enum class Acces {
    Ouvert,          // a regular file, opened (and read)
    Impossible,      // missing, no permission...
    PasOrdinaire,    // a directory, a pipe, a device, a socket
    TropVolumineux,  // more bytes than allowed
    ErreurLecture,   // the system failed while reading
};

// Opens the file at `chemin` for reading, without blocking and without
// making it the controlling terminal, and keeps it only if it is a regular
// file. `etat` says why not; `st`, when given, receives what fstat (or, for
// a path that cannot be opened, stat) says of it.
Descripteur ouvrirOrdinaire(const std::string& chemin, Acces& etat, struct stat* st = nullptr);

// Reads up to `n` bytes from `fd` into `donnees`, retrying when a signal
// interrupts; returns the bytes read (0 at the end), or -1 on an error.
long lireMorceau(int fd, char* donnees, std::size_t n);

// Reads the whole regular file at `chemin` into `contenu`, refusing it when
// it holds more than `tailleMax` bytes (whatever its announced size: some
// regular files, under /proc, announce none).
Acces lireFichierOrdinaire(const std::string& chemin, std::size_t tailleMax, std::string& contenu);

// Creates or opens the regular file at `chemin` for writing, emptied, never
// through a symbolic link (O_NOFOLLOW) and without blocking on a named pipe;
// the descriptor is back in blocking mode for the writes. -1 with errno set
// on failure: ELOOP for a link, EISDIR for a directory, ENXIO or EINVAL for
// something that is not a regular file.
Descripteur creerOrdinaire(const std::string& chemin, mode_t mode = 0644);

// How many bytes of `ligne` to keep so that it holds at most `max`: `max`,
// or fewer when the cut would fall inside a UTF-8 character (a text in
// another encoding is cut at `max`).
std::size_t coupureUtf8(std::string_view ligne, std::size_t max);
