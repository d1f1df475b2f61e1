// Buffered trace lines.
//
// The import and the painters write one trace line per record or object. A
// system call per line would cost more than the work traced, so lines are
// gathered here and handed to the output stream in large pieces: when the
// buffer fills, when vider() is called (at the end of an import or a
// repaint), when the Trace is destroyed, and, best effort, when the process
// dies from a fatal signal (see installerVidageSurSignal): then the buffer
// goes with write(2) to the file descriptor behind its stream, when the
// program declared one (declarerDescripteur).
//
// Numbers are written as the C++ stream's default format writes them (six
// significant digits, like %g) whatever the process locale.
#pragma once

#include <algorithm>
#include <cstddef>
#include <iostream>
#include <string>
#include <string_view>

class Trace {
  public:
    explicit Trace(std::ostream& sortie = std::cout);
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    Trace& operator<<(std::string_view s) {
        tampon_.append(s.data(), s.size());
        return *this;
    }
    Trace& operator<<(const char* s) { return *this << std::string_view(s); }
    Trace& operator<<(const std::string& s) { return *this << std::string_view(s); }
    Trace& operator<<(char c) {
        tampon_.push_back(c);
        return *this;
    }
    Trace& operator<<(double v);
    Trace& operator<<(int v);
    Trace& operator<<(long v);
    Trace& operator<<(unsigned v) { return *this << static_cast<long>(v); }

    // Ends the current line; spills the buffer to the stream when it is full.
    void finLigne() {
        tampon_.push_back('\n');
        if (limite_ && ecrits_ + tampon_.size() > limite_) couper();
        debutLigne_ = tampon_.size();
        if (tampon_.size() >= kSeuil) vider();
    }
    // The indentation of nested blocks: `n` tab characters, at most
    // kTabulationsMax; deeper, kTabulationsMax tabs and the depth in brackets.
    static constexpr int kTabulationsMax = 64;
    void tabulations(int n) { ajouterTabulations(tampon_, n); }
    static void ajouterTabulations(std::string& s, int n);
    // A number as std::ostream's default format writes it: %g with six
    // significant digits ("1.23457e+06", "-0", "0.5"), with a point as
    // decimal separator whatever the locale.
    static void ajouterNombre(std::string& s, double v);

    // Appends whole lines (each ending with a line feed), as if each were
    // written and ended in turn.
    void lignes(std::string_view texte);

    // From now on at most `octets` bytes of lines are written (0: no bound):
    // the line that would go past them and everything after is dropped, and
    // the line `message` follows the last line kept, once. Counting starts
    // anew at each call.
    void limiter(std::size_t octets, std::string message);
    // Whether the bound was reached since the last call of limiter.
    bool coupee() const { return coupee_; }

    // Hands everything buffered to the stream and flushes it.
    void vider();

    std::ostream& sortie() { return *sortie_; }

    // Installs handlers of SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT that
    // write out the buffers of the live traces before the process dies, and
    // declares standard output and standard error as they stand (their
    // stream buffers, descriptors 1 and 2) unless already declared. The
    // handlers only read the traces' buffers and write(2) them.
    static void installerVidageSurSignal();
    // The file descriptor that the bytes sent to the stream buffer `tampon`
    // end in: where a trace writing into it is written out on a fatal
    // signal. Declared before the traces are made, at most kDescripteursMax.
    static void declarerDescripteur(const std::streambuf* tampon, int fd);
    static constexpr int kDescripteursMax = 8;

  private:
    static constexpr std::size_t kSeuil = 1 << 16;
    void couper();

    std::ostream* sortie_;
    std::string tampon_;
    std::size_t limite_ = 0, ecrits_ = 0, debutLigne_ = 0;
    bool coupee_ = false;
    std::string messageCoupure_;
    // Where the buffer goes on a fatal signal (-1: nowhere), and the slot
    // of the live traces' table this one holds (-1: none free).
    int descripteur_ = -1;
    int place_ = -1;
    friend void ecrireTracesVivantes();
};
