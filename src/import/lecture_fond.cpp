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

LectureDeFond::LectureDeFond(std::function<void()> finie) : finie_(std::move(finie)) {
    fil_ = std::thread([this] { boucle(); });
}

LectureDeFond::~LectureDeFond() {
    {
        std::lock_guard<std::mutex> l(verrou_);
        arret_ = true;
        if (suivi_) suivi_->annulation = true;
    }
    reveil_.notify_all();
    fil_.join();
}

void LectureDeFond::lire(const std::string& chemin, int motif) {
    {
        std::lock_guard<std::mutex> l(verrou_);
        demande_ = std::make_unique<Lu>();
        demande_->chemin = chemin;
        demande_->motif = motif;
        if (suivi_) suivi_->annulation = true;
        resultat_.reset();
    }
    reveil_.notify_all();
}

void LectureDeFond::annuler() {
    std::lock_guard<std::mutex> l(verrou_);
    demande_.reset();
    if (suivi_) suivi_->annulation = true;
    resultat_.reset();
}

bool LectureDeFond::enCours() const {
    std::lock_guard<std::mutex> l(verrou_);
    return demande_ || occupe_ || resultat_;
}

double LectureDeFond::progression() const {
    std::lock_guard<std::mutex> l(verrou_);
    return occupe_ && suivi_ ? suivi_->part() : -1;
}

std::string LectureDeFond::prendreTrace() { return tamponTrace_.prendre(); }

std::unique_ptr<Lu> LectureDeFond::prendre() {
    std::lock_guard<std::mutex> l(verrou_);
    return std::move(resultat_);
}

void LectureDeFond::boucle() {
    std::unique_lock<std::mutex> l(verrou_);
    for (;;) {
        reveil_.wait(l, [this] { return arret_ || demande_; });
        if (arret_) return;
        std::unique_ptr<Lu> lu = std::move(demande_);
        const auto suivi = std::make_shared<SuiviLecture>();
        suivi_ = suivi;
        occupe_ = true;
        l.unlock();
        lu->lecture = lireDessin(lu->chemin, trace_, {}, suivi.get());
        trace_.flush();
        l.lock();
        occupe_ = false;
        if (suivi->annulation) {
            // Stopped: what was read is let go of outside the lock.
            l.unlock();
            lu.reset();
            l.lock();
            continue;
        }
        resultat_ = std::move(lu);
        l.unlock();
        finie_();
        l.lock();
    }
}
