#include "render/peinture_fond.h"

#include <cairomm/context.h>

#include <cstring>
#include <sstream>

#include "model/etendue.h"
#include "model/fil_de_fond.h"
#include "model/trace.h"
#include "render/peintre.h"

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
        bandes_.clear();
    }
    reveil_.notify_all();
}

void PeintureDeFond::annuler() {
    std::lock_guard<std::mutex> l(verrou_);
    demande_.reset();
    annulation_ = true;
    bandes_.clear();
}

std::vector<std::unique_ptr<Bande>> PeintureDeFond::prendreBandes() {
    std::lock_guard<std::mutex> l(verrou_);
    return std::move(bandes_);
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
    // Below the window's thread; the threads that share a paint are made by
    // this one and inherit it.
    abaisserPriorite();
    std::unique_lock<std::mutex> l(verrou_);
    for (;;) {
        reveil_.wait(l, [this] { return arret_ || demande_; });
        if (arret_) return;
        const std::unique_ptr<Commande> c = std::move(demande_);
        occupe_ = true;
        annulation_ = false;
        progression_ = 0;
        total_ = (c->dessin ? nombreDeplie(c->dessin->getBlocRoot()) + 1 : 1) *
                 (c->progressive ? kBandesProgressives : 1);
        l.unlock();
        if (fils_ > 0) peintre_->setFils(fils_);
        if (std::ostream* e = erreurs_.exchange(nullptr)) peintre_->setErreurs(*e);

        auto tableau = std::make_unique<Tableau>();
        tableau->commande = *c;
        const int largeur = std::max(1, c->largeur), hauteur = std::max(1, c->hauteur);
        tableau->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, largeur, hauteur);
        const bool fini = c->dessin &&
                          cairo_surface_status(tableau->surface) == CAIRO_STATUS_SUCCESS &&
                          peindre(*c, *tableau, largeur, hauteur);

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

bool PeintureDeFond::peindre(const Commande& c, Tableau& tableau, int largeur, int hauteur) {
    auto cr =
        Cairo::RefPtr<Cairo::Context>(new Cairo::Context(cairo_create(tableau.surface), true));
    cairo_set_source_rgb(cr->cobj(), c.fond.r, c.fond.g, c.fond.b);
    cairo_paint(cr->cobj());
    peintre_->setFond(c.fond);
    std::ostringstream texte;
    Trace trace(texte);
    // Each picture has its own budget for decoding new raster images.
    peintre_->cacheImages().nouvelleRepeinte();
    const CalquesMasques aucun;
    peintre_->setPresentation(c.presentation);
    // Bands cut strokes where the whole picture's paint would.
    const Boite toute{0, 0, double(largeur), double(hauteur)};
    peintre_->setCoupe(&toute);
    const int bandes = c.progressive ? kBandesProgressives : 1;
    bool fini = true, complet = true;
    for (int i = 0; i < bandes && fini; ++i) {
        const int y0 = hauteur * i / bandes, y1 = hauteur * (i + 1) / bandes;
        // The trace, which does not depend on the view, with the first band.
        peintre_->setTrace(c.trace && i == 0 ? &trace : nullptr);
        fini = peintre_->peindreMasques(cr, *c.dessin, c.vue, hauteur,
                                        Zone{0, double(y0), double(largeur), double(y1 - y0)},
                                        c.masques ? *c.masques : aucun);
        complet = complet && !peintre_->estTronque();
        if (fini && bandes > 1 && i + 1 < bandes) livrerBande(tableau, y0, y1);
    }
    peintre_->setTrace(nullptr);
    peintre_->setCoupe(nullptr);
    trace.vider();
    tableau.trace = texte.str();
    tableau.complet = complet;
    cr->get_target()->flush();
    return fini;
}

void PeintureDeFond::livrerBande(const Tableau& tableau, int y0, int y1) {
    cairo_surface_flush(tableau.surface);
    const int largeur = cairo_image_surface_get_width(tableau.surface);
    auto bande = std::make_unique<Bande>();
    bande->commande = tableau.commande;
    bande->y = y0;
    bande->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, largeur, std::max(1, y1 - y0));
    if (cairo_surface_status(bande->surface) != CAIRO_STATUS_SUCCESS) return;
    const int pas = cairo_image_surface_get_stride(tableau.surface);
    const int pasBande = cairo_image_surface_get_stride(bande->surface);
    const unsigned char* source = cairo_image_surface_get_data(tableau.surface);
    unsigned char* cible = cairo_image_surface_get_data(bande->surface);
    for (int y = y0; y < y1; ++y)
        std::memcpy(cible + static_cast<std::size_t>(y - y0) * pasBande,
                    source + static_cast<std::size_t>(y) * pas,
                    static_cast<std::size_t>(largeur) * 4);
    cairo_surface_mark_dirty(bande->surface);
    {
        std::lock_guard<std::mutex> l(verrou_);
        if (annulation_) return;
        bandes_.push_back(std::move(bande));
    }
    pret_();
}
