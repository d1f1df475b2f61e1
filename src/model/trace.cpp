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

void Trace::ajouterNombre(std::string& s, double v) {
    char buf[64];
    // Whole numbers of at most six digits are written as integers by the
    // general format too: the common case, made short.
    if (v > -1e6 && v < 1e6 && v == static_cast<double>(static_cast<long>(v)) &&
        !(v == 0 && std::signbit(v))) {
        auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long>(v));
        s.append(buf, r.ptr);
        return;
    }
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
    s.append(buf, r.ptr);
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
