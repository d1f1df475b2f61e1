#include "import/lecture_fond.h"

std::string LectureDeFond::TamponTrace::prendre() {
    std::lock_guard<std::mutex> l(verrou_);
    std::string pris;
    // Whole lines only: a line being written stays for the next time.
    const std::size_t fin = texte_.rfind('\n');
    if (fin == std::string::npos) return pris;
    if (fin + 1 == texte_.size()) {
        pris.swap(texte_);
    } else {
        pris.assign(texte_, 0, fin + 1);
        texte_.erase(0, fin + 1);
    }
    return pris;
}

LectureDeFond::TamponTrace::int_type LectureDeFond::TamponTrace::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    std::lock_guard<std::mutex> l(verrou_);
    texte_.push_back(traits_type::to_char_type(c));
    return c;
}

std::streamsize LectureDeFond::TamponTrace::xsputn(const char* s, std::streamsize n) {
    std::lock_guard<std::mutex> l(verrou_);
    texte_.append(s, static_cast<std::size_t>(n));
    return n;
}

LectureDeFond::LectureDeFond(std::function<void()> finie)
    : fil_(
          [this](Lu& lu, SuiviLecture& suivi) {
              lu.lecture = lireDessin(lu.chemin, trace_, {}, &suivi);
              trace_.flush();
          },
          std::move(finie)) {}

void LectureDeFond::lire(const std::string& chemin, int motif) {
    auto lu = std::make_unique<Lu>();
    lu->chemin = chemin;
    lu->motif = motif;
    fil_.demander(std::move(lu));
}

std::string LectureDeFond::prendreTrace() { return tamponTrace_.prendre(); }
