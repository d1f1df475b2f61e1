// What the painting walk and the trace pass share as they go down through a
// drawing's blocks: the nesting (depth, the definitions being walked) and
// what an entity is seen on (its layer, or for layer "0" inside a block the
// layer of the insertion placing it; hidden layers; the paper space).
#pragma once

#include <vector>

#include "model/dessin.h"

struct OptionsPeinture {
    // The full viewer hides the layers its hidden-layer list names (which
    // starts as the layers off or frozen in the file); without such a list,
    // the layers off or frozen in the file are hidden.
    bool calquesMasquables = true;
    // The earlier viewer paints no raster images.
    bool images = true;
};

class Imbrication {
  public:
    explicit Imbrication(OptionsPeinture options) : options_(options) {}

    // The hidden layers (null: those off or frozen in the file), read while
    // walking; resolved for the drawing walked.
    void setCalquesMasques(const CalquesMasques* masques) { masques_ = masques; }
    // A layout's walk starts from the insertion of its block (null: model
    // space, from the drawing's root): at the top level, only paper-space
    // entities are seen when that block is the drawing's root, every one
    // otherwise.
    void setFeuille(const Insertion* racine) { feuille_ = racine; }

  protected:
    // Whether an insertion of `definition` may be walked here: not when it
    // would close a circle of blocks, nor deeper than kProfondeurMax.
    enum class Admission { Oui, Cercle, TropProfonde };
    Admission admission(const Block& definition) const;

    // The layer an entity is seen on.
    const Layer* calqueDe(const Entity& e) const {
        const Layer* c = e.getCalque();
        return calqueBloc_ && c && c->isZero() ? calqueBloc_ : c;
    }
    // Whether an entity is left out: on a hidden layer, or in paper space.
    bool masque(const Entity& e) const { return !espaceVu(e) || masqueCalque(calqueDe(e)); }
    bool espaceVu(const Entity& e) const {
        if (!feuille_ || niveau != 1) return !e.isEspacePapier();
        return e.isEspacePapier() || &feuille_->getDefinition() != blocRacine_;
    }
    bool masqueCalque(const Layer* calque) const;

    // Enters the contents of `definition`, placed by `porteur` (the root
    // insertion, or an insertion or dimension whose layer they take), and
    // leaves them.
    void entrer(const Entity& porteur, const Block& definition);
    void sortir();
    void commencer(const Dessin& dessin);

    OptionsPeinture options_;
    const CalquesMasques* masques_ = nullptr;
    const Insertion* racine_ = nullptr;
    const Insertion* feuille_ = nullptr;
    const Block* blocRacine_ = nullptr;  // the drawing's root block
    int niveau = 0;
    std::vector<const Block*> chemin_;   // the definitions being walked
    std::vector<const Layer*> calques_;  // calqueBloc_ of the levels above
    const Layer* calqueBloc_ = nullptr;  // what layer "0" stands for
};
