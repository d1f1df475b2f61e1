#include "render/peinture_fond.h"

#include <cairomm/context.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <sstream>

#include "model/etendue.h"
#include "model/trace.h"
#include "render/peintre.h"

namespace {

// The niceness of the painting threads.
constexpr int kPrioriteBasse = 10;

}  // namespace

PeintureDeFond::PeintureDeFond(OptionsPeinture options, std::function<void()> pret)
    : pret_(std::move(pret)) {
    peintre_ = std::make_unique<Peintre>(options);
    peintre_->setAnnulation(&annulation_);
    peintre_->setProgression(&progression_);
    fil_ = std::thread([this] { boucle(); });
}

PeintureDeFond::~PeintureDeFond() {
    {
        std::lock_guard<std::mutex> l(verrou_);
        arret_ = true;
        annulation_ = true;
    }
    reveil_.notify_all();
    fil_.join();
}

void PeintureDeFond::setFils(int n) { fils_ = n; }

void PeintureDeFond::setErreurs(std::ostream& erreurs) { erreurs_ = &erreurs; }

void PeintureDeFond::demander(Commande c) {
    {
        std::lock_guard<std::mutex> l(verrou_);
        demande_ = std::make_unique<Commande>(std::move(c));
        annulation_ = true;
    }
    reveil_.notify_all();
}

void PeintureDeFond::annuler() {
    std::lock_guard<std::mutex> l(verrou_);
    demande_.reset();
    annulation_ = true;
}

std::unique_ptr<Tableau> PeintureDeFond::prendre() {
    std::lock_guard<std::mutex> l(verrou_);
    return std::move(resultat_);
}

bool PeintureDeFond::enCours() const {
    std::lock_guard<std::mutex> l(verrou_);
    return demande_ || occupe_;
}

double PeintureDeFond::progression() const {
    std::lock_guard<std::mutex> l(verrou_);
    if (!occupe_) return -1;
    const double total = total_;
    return total > 0 ? std::min(1.0, static_cast<double>(progression_) / total) : 0;
}

void PeintureDeFond::attendre() {
    std::unique_lock<std::mutex> l(verrou_);
    fini_.wait(l, [this] { return !demande_ && !occupe_; });
}

void PeintureDeFond::boucle() {
    // Below the caller's thread (the window's), which must keep answering
    // its events while pictures are painted on every core; the threads that
    // share a paint are made by this one and inherit it.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kPrioriteBasse);
    std::unique_lock<std::mutex> l(verrou_);
    for (;;) {
        reveil_.wait(l, [this] { return arret_ || demande_; });
        if (arret_) return;
        const std::unique_ptr<Commande> c = std::move(demande_);
        occupe_ = true;
        annulation_ = false;
        progression_ = 0;
        total_ = c->dessin ? nombreDeplie(c->dessin->getBlocRoot()) + 1 : 1;
        l.unlock();
        if (fils_ > 0) peintre_->setFils(fils_);
        if (std::ostream* e = erreurs_.exchange(nullptr)) peintre_->setErreurs(*e);

        auto tableau = std::make_unique<Tableau>();
        tableau->commande = *c;
        const int largeur = std::max(1, c->largeur), hauteur = std::max(1, c->hauteur);
        tableau->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, largeur, hauteur);
        bool fini = false;
        if (c->dessin && cairo_surface_status(tableau->surface) == CAIRO_STATUS_SUCCESS) {
            auto cr = Cairo::RefPtr<Cairo::Context>(
                new Cairo::Context(cairo_create(tableau->surface), true));
            cairo_set_source_rgb(cr->cobj(), 1, 1, 1);
            cairo_paint(cr->cobj());
            std::ostringstream texte;
            Trace trace(texte);
            peintre_->setTrace(c->trace ? &trace : nullptr);
            // Each picture has its own budget for decoding new raster images.
            peintre_->cacheImages().nouvelleRepeinte();
            const CalquesMasques aucun;
            peintre_->setPresentation(c->presentation);
            fini = peintre_->peindreMasques(cr, *c->dessin, c->vue, hauteur,
                                            Zone{0, 0, double(largeur), double(hauteur)},
                                            c->masques ? *c->masques : aucun);
            peintre_->setTrace(nullptr);
            trace.vider();
            tableau->trace = texte.str();
            tableau->complet = !peintre_->estTronque();
            cr->get_target()->flush();
        }

        l.lock();
        occupe_ = false;
        if (fini && !annulation_) {
            resultat_ = std::move(tableau);
            l.unlock();
            pret_();
            l.lock();
        }
        if (!demande_) fini_.notify_all();
    }
}
