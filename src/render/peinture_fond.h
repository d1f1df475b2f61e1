// Pictures painted away from the caller's thread.
//
// A PeintureDeFond owns one painting thread. Asked for a picture (a drawing,
// a view, a size, hidden layers), it stops the paint in progress at once and
// paints the new one into an image surface of its own, the paint trace into
// a text of its own; when a picture is finished it calls `pret` (on the
// painting thread) and keeps the picture until it is taken. A paint that was
// stopped leaves no picture and no trace. The drawing is only read: the
// request holds it alive while it is painted.
#pragma once

#include <cairo.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <iostream>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/dessin.h"
#include "render/parcours.h"
#include "render/vue.h"

class Peintre;
class Trace;

// What one picture shows.
struct Commande {
    std::shared_ptr<const Dessin> dessin;
    Vue vue;
    int largeur = 0, hauteur = 0;
    // The hidden layers, resolved for `dessin` (null: none hidden).
    std::shared_ptr<const CalquesMasques> masques;
    // Whether the picture's paint trace is wanted.
    bool trace = true;
    // Painted as kBandesProgressives bands of rows, top to bottom, each
    // handed over as soon as it is finished (Bande): for a pane that has
    // nothing of the drawing to show meanwhile. Not part of what the
    // picture shows: left out of the comparisons.
    bool progressive = false;
    // The layout shown (see Peintre::setPresentation).
    std::size_t presentation = 0;
    // The background the picture is painted on (see Peintre::setFond).
    CouleurRVB fond = kFond;

    bool operator==(const Commande& c) const {
        return dessin == c.dessin && vue.echelle == c.vue.echelle && vue.x == c.vue.x &&
               vue.y == c.vue.y && largeur == c.largeur && hauteur == c.hauteur &&
               masques == c.masques && trace == c.trace && presentation == c.presentation &&
               fond == c.fond;
    }
    bool operator!=(const Commande& c) const { return !(*this == c); }
};

// A finished picture: opaque pixels on the background it was asked on.
struct Tableau {
    Commande commande;
    cairo_surface_t* surface = nullptr;
    // Its paint trace (empty when none was wanted).
    std::string trace;
    // False when a limit of the walk left something out.
    bool complet = true;

    Tableau() = default;
    Tableau(const Tableau&) = delete;
    Tableau& operator=(const Tableau&) = delete;
    ~Tableau() {
        if (surface) cairo_surface_destroy(surface);
    }
};

// A finished part of a picture being painted: its rows from `y` down.
struct Bande {
    Commande commande;
    int y = 0;
    cairo_surface_t* surface = nullptr;

    Bande() = default;
    Bande(const Bande&) = delete;
    Bande& operator=(const Bande&) = delete;
    ~Bande() {
        if (surface) cairo_surface_destroy(surface);
    }
};

class PeintureDeFond {
  public:
    static constexpr int kBandesProgressives = 4;

    PeintureDeFond(OptionsPeinture options, std::function<void()> pret);
    ~PeintureDeFond();
    PeintureDeFond(const PeintureDeFond&) = delete;
    PeintureDeFond& operator=(const PeintureDeFond&) = delete;

    // Paints `c` from now on; a paint in progress is stopped first.
    void demander(Commande c);
    // Stops the paint in progress, if any.
    void annuler();
    // The newest finished picture not yet taken, or null.
    std::unique_ptr<Tableau> prendre();
    // The bands of the progressive picture in progress finished since the
    // last call (`pret` is called after each).
    std::vector<std::unique_ptr<Bande>> prendreBandes();
    // Whether a paint is asked for or running.
    bool enCours() const;
    // The share of the drawing's objects met by the paint in progress
    // (0 to 1); negative when none runs.
    double progression() const;
    // Waits until no paint is asked for or running.
    void attendre();

    // Threads that share one paint (bands of rows; see Peintre::setFils),
    // and where the walk says its limits: taken at the next paint.
    void setFils(int n);
    void setErreurs(std::ostream& erreurs);

  private:
    void boucle();
    // Paints `c` into `tableau`, in bands when it is progressive; false
    // when stopped.
    bool peindre(const Commande& c, Tableau& tableau, int largeur, int hauteur);
    // Hands over the rows [y0, y1) of `tableau` as a band.
    void livrerBande(const Tableau& tableau, int y0, int y1);

    std::function<void()> pret_;
    std::unique_ptr<Peintre> peintre_;

    mutable std::mutex verrou_;
    std::condition_variable reveil_, fini_;
    std::unique_ptr<Commande> demande_;  // asked for, not started yet
    bool occupe_ = false;                // a paint runs
    bool arret_ = false;
    std::unique_ptr<Tableau> resultat_;
    std::vector<std::unique_ptr<Bande>> bandes_;
    std::atomic<bool> annulation_{false};
    std::atomic<std::uint64_t> progression_{0};
    std::atomic<double> total_{0};
    std::atomic<int> fils_{0};
    std::atomic<std::ostream*> erreurs_{nullptr};
    std::thread fil_;
};
