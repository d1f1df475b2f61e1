// Where a block's entities lie: a packed R-tree over their boxes, in the
// block's own units, that tells which entities may meet a box.
//
// Entities are sorted along a Hilbert curve through the centres of their
// boxes and gathered kGroupe at a time under the box of the group; groups
// are gathered the same way, level by level. The tree keeps the entities'
// places in the block's painting order (4 bytes each) and the boxes of the
// groups, in floats rounded outwards: about 5 bytes an entity. A question
// answers with the entities of every group whose box meets it (a few more
// than those that do), in painting order; the caller tests each as it would
// without the index. Entities without a box are never answered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/geometrie.h"

class IndexSpatial {
  public:
    static constexpr std::size_t kGroupe = 16;

    // `boites[i]`: the box of the entity at place i of the painting order
    // (all it may paint).
    explicit IndexSpatial(const std::vector<Boite>& boites);

    // Appends to `places` the places, in ascending order, of the entities
    // that may meet `zone`.
    void chercher(const Boite& zone, std::vector<std::uint32_t>& places) const;
    // The box of everything indexed.
    const Boite& getBoite() const { return boite_; }
    std::size_t octets() const;

  private:
    struct BoiteF {
        float x0, y0, x1, y1;
        bool touche(const Boite& b) const {
            return x1 >= b.x0 && x0 <= b.x1 && y1 >= b.y0 && y0 <= b.y1;
        }
    };
    void chercher(std::size_t niveau, std::size_t rang, const Boite& zone,
                  std::vector<std::uint32_t>& places) const;

    // The places of the entities with a box, in the tree's order.
    std::vector<std::uint32_t> places_;
    // The boxes of the groups: level 0 groups places_, each level above
    // groups the one below.
    std::vector<std::vector<BoiteF>> niveaux_;
    Boite boite_;
};
