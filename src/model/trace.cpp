#include "model/trace.h"

#include <charconv>
#include <csignal>
#include <cstring>

namespace {

// Intrusive list of live traces, for the fatal-signal handler.
Trace* premiere = nullptr;

void surSignalFatal(int sig) {
    Trace::viderTout();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

std::string formatNombre(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
    return std::string(buf, r.ptr);
}

Trace::Trace(std::ostream& sortie) : sortie_(&sortie) {
    tampon_.reserve(kSeuil + 4096);
    suivant_ = premiere;
    if (premiere) premiere->precedent_ = this;
    premiere = this;
}

Trace::~Trace() {
    vider();
    if (precedent_)
        precedent_->suivant_ = suivant_;
    else
        premiere = suivant_;
    if (suivant_) suivant_->precedent_ = precedent_;
}

Trace& Trace::operator<<(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
    tampon_.append(buf, r.ptr);
    return *this;
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

void Trace::viderTout() {
    for (Trace* t = premiere; t; t = t->suivant_) t->vider();
}

void Trace::installerVidageSurSignal() {
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(sig, surSignalFatal);
}
