// A walk that visits the entities of a drawing one by one with what places
// them: the transform from their block to the drawing, and the insertions
// and dimensions that carry them, outermost first. Designating an object,
// snapping and finding texts go through it. It goes down as the painting
// walk does (Imbrication: hidden layers, layer "0" inside blocks, circles
// of blocks, depth), through each block's index when given a zone.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "model/etendue.h"
#include "model/index_spatial.h"
#include "render/imbrication.h"

// An entity and its kind (its rank in GenresEntites).
struct RefEntite {
    const Entity* entite = nullptr;
    unsigned genre = 0;

    template <class T>
    static RefEntite de(const T& e) {
        return {&e, RangGenre<T, GenresEntites>::valeur};
    }
    template <class T>
    bool est() const {
        return genre == RangGenre<T, GenresEntites>::valeur;
    }
    template <class T>
    const T& comme() const {
        return static_cast<const T&>(*entite);
    }
};

// An insertion or dimension that carries the entities met, and the
// transform of the space it lies in.
struct Porteur {
    RefEntite ref;
    Matrice matrice;
};

class Visite : private Imbrication {
  public:
    // Copies of one multiple insertion visited at most.
    static constexpr long kCopiesMax = 100000;

    // `masques`: the viewer's hidden layers (null: those off or frozen in
    // the file). With `avecMasques`, the entities on hidden layers are
    // visited too, and said hidden.
    explicit Visite(const CalquesMasques* masques, bool avecMasques = false)
        : Imbrication(OptionsPeinture{}), avecMasques_(avecMasques) {
        setCalquesMasques(masques);
    }

    // Calls f(const T& e, const Matrice& m, bool masque) for each entity
    // of model space but the insertions (whose contents and attributes are
    // visited) and the attribute definitions; only those that may meet
    // `zone` (drawing units) when it is given. The contents of a dimension's
    // block are visited with the dimension among the carriers.
    template <class F>
    void parcourir(const Dessin& dessin, const Boite* zone, F&& f) {
        etenduePeinte(dessin.getBlocRoot());
        commencer(dessin);
        porteurs_.clear();
        zone_ = zone;
        entrer(dessin.getInsertionRacine(), dessin.getBlocRoot());
        bloc(dessin.getBlocRoot(), Matrice{}, false, f);
        sortir();
    }

    // At most `n` entities met (insertions unfolded, each copy counted) by
    // the next walks; the others are left out (a drawing whose blocks
    // insert one another many times over unfolds into billions).
    void setBudget(long n) { budget_ = n; }
    // Whether the last walk stopped at its budget.
    bool isEpuise() const { return budget_ == 0; }

    // The carriers of the entity being visited, outermost first.
    const std::vector<Porteur>& getPorteurs() const { return porteurs_; }
    // The layer the entity being visited is seen on (for layer "0" in a
    // block, the carrier's).
    const Layer* calqueVu(const Entity& e) const { return calqueDe(e); }

  private:
    template <class F>
    void bloc(const Block& def, const Matrice& m, bool masque, F& f) {
        const IndexSpatial* index = def.cacheEtendue.index.get();
        if (zone_ && index && m.inversible()) {
            std::vector<std::uint32_t> places;
            index->chercher(zone_->transformee(m.inverse()), places);
            for (const std::uint32_t p : places)
                def.pourEntite(def.getOrdre()[p], [&](const auto& e) { entite(e, m, masque, f); });
        } else {
            def.pourChaqueEntite([&](const auto& e) { entite(e, m, masque, f); });
        }
    }

    template <class F>
    void contenu(const Entity& porteur, RefEntite ref, const Block& def, const Matrice& parent,
                 const Matrice& m, bool masque, F& f) {
        if (zone_ && !etenduePeinte(def).transformee(m).touche(*zone_)) return;
        porteurs_.push_back({ref, parent});
        entrer(porteur, def);
        bloc(def, m, masque, f);
        sortir();
        porteurs_.pop_back();
    }

    template <class T, class F>
    void entite(const T& e, const Matrice& m, bool masqueAuDessus, F& f) {
        if (budget_ == 0 || e.isEspacePapier()) return;
        if (budget_ > 0) --budget_;
        const bool cache = masqueAuDessus || masque(e);
        if (cache && !avecMasques_) return;
        if constexpr (std::is_same_v<T, Insertion>) {
            const Block& def = e.getDefinition();
            if (admission(def) != Admission::Oui) return;
            long copies = 0;
            for (int r = 0; r < e.getLignes(); ++r)
                for (int c = 0; c < e.getColonnes() && copies++ < kCopiesMax; ++c)
                    contenu(e, RefEntite::de(e), def, m, e.placeeDans(m, c, r), cache, f);
            porteurs_.push_back({RefEntite::de(e), m});
            for (const Attribut* a : e.getAttributs())
                if (a->isPeint() && (avecMasques_ || !masque(*a))) f(*a, m, cache || masque(*a));
            porteurs_.pop_back();
        } else if constexpr (std::is_same_v<T, Dimension>) {
            if (admission(e.getBloc()) == Admission::Oui)
                contenu(e, RefEntite::de(e), e.getBloc(), m, m, cache, f);
        } else if constexpr (std::is_same_v<T, Attribut>) {
            if (e.isPeint()) f(e, m, cache);
        } else {
            f(e, m, cache);
        }
    }

    bool avecMasques_;
    long budget_ = -1;
    const Boite* zone_ = nullptr;
    std::vector<Porteur> porteurs_;
};
