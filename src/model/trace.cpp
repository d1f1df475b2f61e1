#include "model/trace.h"

#include <charconv>
#include <cmath>
#include <csignal>
#include <cstring>

#include <unistd.h>

#include <atomic>

void ecrireTracesVivantes();

namespace {

// The live traces that write to a declared descriptor, in slots taken and
// given back atomically: traces are made and destroyed on several threads,
// and the fatal-signal handler reads the table without a lock.
constexpr int kPlaces = 64;
std::atomic<Trace*> vivantes[kPlaces];

// Stream buffers and the descriptors their bytes end in; written before the
// traces that look them up are made.
struct Declaration {
    std::atomic<const std::streambuf*> tampon{nullptr};
    std::atomic<int> fd{-1};
};
Declaration declarations[Trace::kDescripteursMax];

int descripteurDe(const std::streambuf* tampon) {
    for (const Declaration& d : declarations)
        if (tampon && d.tampon.load() == tampon) return d.fd.load();
    return -1;
}

void surSignalFatal(int sig) {
    ecrireTracesVivantes();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

// Async-signal-safe: reads the live traces' buffers as they stand and
// writes them with write(2).
void ecrireTracesVivantes() {
    for (std::atomic<Trace*>& place : vivantes) {
        const Trace* t = place.load(std::memory_order_acquire);
        if (!t) continue;
        const char* octets = t->tampon_.data();
        std::size_t reste = t->tampon_.size();
        while (reste > 0) {
            const ssize_t n = ::write(t->descripteur_, octets, reste);
            if (n <= 0) break;
            octets += n;
            reste -= static_cast<std::size_t>(n);
        }
    }
}

Trace::Trace(std::ostream& sortie) : sortie_(&sortie) {
    tampon_.reserve(kSeuil + 4096);
    descripteur_ = descripteurDe(sortie.rdbuf());
    if (descripteur_ < 0) return;
    for (int i = 0; i < kPlaces && place_ < 0; ++i) {
        Trace* libre = nullptr;
        if (vivantes[i].compare_exchange_strong(libre, this, std::memory_order_acq_rel)) place_ = i;
    }
}

Trace::~Trace() {
    if (place_ >= 0) vivantes[place_].store(nullptr, std::memory_order_release);
    vider();
}

Trace& Trace::operator<<(double v) {
    ajouterNombre(tampon_, v);
    return *this;
}

namespace {

// The powers of ten that doubles hold exactly, as far as the short form needs.
constexpr double kPuissances[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// The general format with six significant digits, for the numbers it writes
// without exponent (1e-4 <= |v| < 1e6), made without the exact conversion:
// the six digits are the scaled value rounded to the nearest whole number,
// which the product's rounding error (under 1e-10) cannot change unless the
// value lies near a tie; those, and the others, are left to to_chars (false).
bool ajouterCourt(std::string& s, double v) {
    const double a = std::fabs(v);
    if (!(a >= 1e-4 && a < 1e6)) return false;
    int x = 5;  // the decimal exponent: 10^x <= a < 10^(x+1)
    while (x > 0 && a < kPuissances[x]) --x;
    if (a < 1) {
        // Each of these doubles lies just above its power of ten.
        const double inverses[] = {1e-1, 1e-2, 1e-3};
        x = -1;
        while (x > -4 && a < inverses[-x - 1]) --x;
    }
    const double echelle = a * kPuissances[5 - x];
    const double entier = std::floor(echelle);
    const double reste = echelle - entier;
    if (std::fabs(reste - 0.5) < 1e-6) return false;
    long m = static_cast<long>(entier) + (reste > 0.5 ? 1 : 0);
    if (m == 1000000) {
        m = 100000;
        if (++x > 5) return false;
    }
    char chiffres[6];
    for (int i = 5; i >= 0; --i, m /= 10) chiffres[i] = static_cast<char>('0' + m % 10);
    const int entiers = x >= 0 ? x + 1 : 0;  // digits before the point
    int fin = 6;                             // and after it, without trailing zeros
    while (fin > entiers && chiffres[fin - 1] == '0') --fin;
    char buf[16];
    char* p = buf;
    if (v < 0) *p++ = '-';
    if (entiers == 0) *p++ = '0';
    for (int i = 0; i < entiers; ++i) *p++ = chiffres[i];
    if (fin > entiers) {
        *p++ = '.';
        for (int i = 0; i < -x - 1; ++i) *p++ = '0';
        for (int i = entiers; i < fin; ++i) *p++ = chiffres[i];
    }
    s.append(buf, static_cast<std::size_t>(p - buf));
    return true;
}

}  // namespace

void Trace::ajouterNombre(std::string& s, double v) {
    char buf[64];
    // Whole numbers of at most six digits are written as integers by the
    // general format too: the common case, made short.
    if (v > -1e6 && v < 1e6 && v == static_cast<double>(static_cast<long>(v)) &&
        !(v == 0 && std::signbit(v))) {
        auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long>(v));
        s.append(buf, static_cast<std::size_t>(r.ptr - buf));
        return;
    }
    if (ajouterCourt(s, v)) return;
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
    s.append(buf, static_cast<std::size_t>(r.ptr - buf));
}

void Trace::ajouterTabulations(std::string& s, int n) {
    if (n <= 0) return;
    s.append(static_cast<std::size_t>(std::min(n, kTabulationsMax)), '\t');
    if (n > kTabulationsMax) {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, n);
        s += '[';
        s.append(buf, r.ptr);
        s += "] ";
    }
}

void Trace::lignes(std::string_view texte) {
    if (coupee_) return;
    if (!limite_ || ecrits_ + tampon_.size() + texte.size() <= limite_) {
        if (tampon_.empty() && texte.size() >= kSeuil) {
            // A large piece goes straight to the stream.
            sortie_->write(texte.data(), static_cast<std::streamsize>(texte.size()));
            ecrits_ += texte.size();
            return;
        }
        tampon_.append(texte.data(), texte.size());
        debutLigne_ = tampon_.size();
        if (tampon_.size() >= kSeuil) vider();
        return;
    }
    // Up to the bound, line by line.
    while (!texte.empty() && !coupee_) {
        const std::size_t fin = std::min(texte.find('\n'), texte.size());
        tampon_.append(texte.data(), fin);
        finLigne();
        texte.remove_prefix(std::min(fin + 1, texte.size()));
    }
}

Trace& Trace::operator<<(int v) { return *this << static_cast<long>(v); }

Trace& Trace::operator<<(long v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    tampon_.append(buf, r.ptr);
    return *this;
}

void Trace::vider() {
    if (!tampon_.empty()) {
        sortie_->write(tampon_.data(), static_cast<std::streamsize>(tampon_.size()));
        ecrits_ += tampon_.size();
        tampon_.clear();
    }
    debutLigne_ = 0;
    sortie_->flush();
}

void Trace::limiter(std::size_t octets, std::string message) {
    vider();
    limite_ = octets;
    ecrits_ = 0;
    coupee_ = false;
    messageCoupure_ = std::move(message);
}

void Trace::couper() {
    if (coupee_) {
        // Past the bound: nothing more is kept.
        tampon_.resize(debutLigne_);
        return;
    }
    coupee_ = true;
    tampon_.resize(debutLigne_);
    tampon_ += messageCoupure_;
    tampon_.push_back('\n');
    // The message counts as the last line within the bound.
    ecrits_ = limite_ > tampon_.size() ? limite_ - tampon_.size() : 0;
}

void Trace::declarerDescripteur(const std::streambuf* tampon, int fd) {
    if (!tampon || descripteurDe(tampon) >= 0) return;
    for (Declaration& d : declarations) {
        const std::streambuf* libre = nullptr;
        if (d.tampon.compare_exchange_strong(libre, tampon)) {
            d.fd = fd;
            return;
        }
    }
}

void Trace::installerVidageSurSignal() {
    declarerDescripteur(std::cout.rdbuf(), STDOUT_FILENO);
    declarerDescripteur(std::cerr.rdbuf(), STDERR_FILENO);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(sig, surSignalFatal);
}
