#include "render/imbrication.h"

#include <algorithm>

Imbrication::Admission Imbrication::admission(const Block& definition) const {
    // Blocks that insert one another in a circle: the insertion that would
    // close the circle is left out, like a hidden one.
    if (std::find(chemin_.begin(), chemin_.end(), &definition) != chemin_.end())
        return Admission::Cercle;
    return niveau >= kProfondeurMax ? Admission::TropProfonde : Admission::Oui;
}

bool Imbrication::masqueCalque(const Layer* calque) const {
    if (!calque) return false;
    if (!options_.calquesMasquables || !masques_) return calque->isEteint();
    return masques_->masque(*calque);
}

void Imbrication::commencer(const Dessin& dessin) {
    racine_ = feuille_ ? feuille_ : &dessin.getInsertionRacine();
    blocRacine_ = &dessin.getBlocRoot();
    niveau = 0;
    chemin_.clear();
    calques_.clear();
    calqueBloc_ = nullptr;
}

void Imbrication::entrer(const Entity& porteur, const Block& definition) {
    calques_.push_back(calqueBloc_);
    calqueBloc_ = &porteur == racine_ ? nullptr : calqueDe(porteur);
    ++niveau;
    chemin_.push_back(&definition);
}

void Imbrication::sortir() {
    chemin_.pop_back();
    --niveau;
    calqueBloc_ = calques_.back();
    calques_.pop_back();
}
