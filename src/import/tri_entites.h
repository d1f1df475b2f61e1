#ifndef TARSIN_IMPORT_TRI_ENTITES_H
#define TARSIN_IMPORT_TRI_ENTITES_H

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "import/paires.h"

class Block;
class Dessin;

// The painting order that SORTENTSTABLE objects give the blocks (and model
// space): each entity is painted by its sort handle, the one the table pairs
// with it (331 then 5) or else its own, ties kept in file order. Handles are
// compared as dxflib reads them, on their low 32 bits.
class TablesDeTri {
  public:
    // The handle of the entity just appended to `bloc` (-1 when it has
    // none), in the order of the block's painting sequence.
    void noterEntite(const Block& bloc, int poignee);
    // A SORTENTSTABLE record's pairs.
    void lireTable(const std::vector<Paire>& paires);
    // Orders the blocks that a table names; `nomsBlocs` gives block names by
    // the handles of their BLOCK_RECORD. Tables naming nothing, or a block
    // whose entities were not all noted, are left out.
    void appliquer(Dessin& dessin, const std::unordered_map<std::string, std::string>& nomsBlocs);

  private:
    std::unordered_map<const Block*, std::vector<std::uint32_t>> poignees_;
    // The list of the block noted last (entities come block after block).
    const Block* dernierBloc_ = nullptr;
    std::vector<std::uint32_t>* notees_ = nullptr;
    // The tables by the handle of their block record: entity, sort handle.
    std::unordered_map<std::string, std::vector<std::pair<std::uint32_t, std::uint32_t>>> tables_;
};

#endif
