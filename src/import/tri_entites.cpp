#include "import/tri_entites.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "model/dessin.h"
#include "model/objects.h"

namespace {

std::uint32_t poignee(std::string_view v) {
    const std::string texte(v.substr(0, 32));
    return static_cast<std::uint32_t>(std::strtoull(texte.c_str(), nullptr, 16));
}

bool majusculesEgales(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return i == a.size() && !b[i];
}

}  // namespace

void TablesDeTri::noterEntite(const Block& bloc, int p) {
    // Only worth keeping while a file may still hold a table; the cost is
    // four bytes an entity for the time of the reading.
    if (&bloc != dernierBloc_) {
        dernierBloc_ = &bloc;
        notees_ = &poignees_[&bloc];
    }
    notees_->push_back(static_cast<std::uint32_t>(p));
}

void TablesDeTri::lireTable(const std::vector<Paire>& paires) {
    std::string bloc;
    bool sousClasse = false;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> table;
    for (std::size_t i = 0; i < paires.size(); ++i) {
        const Paire& q = paires[i];
        if (q.code == 100) sousClasse = true;
        if (q.code == 330 && sousClasse && bloc.empty()) bloc = std::string(q.valeur.substr(0, 32));
        if (q.code == 331 && i + 1 < paires.size() && paires[i + 1].code == 5)
            table.emplace_back(poignee(q.valeur), poignee(paires[i + 1].valeur));
    }
    if (!bloc.empty() && !table.empty()) tables_[bloc] = std::move(table);
}

void TablesDeTri::appliquer(Dessin& dessin,
                            const std::unordered_map<std::string, std::string>& nomsBlocs) {
    for (auto& [enregistrement, table] : tables_) {
        const auto nom = nomsBlocs.find(enregistrement);
        if (nom == nomsBlocs.end()) continue;
        Block* bloc = majusculesEgales(nom->second, "*MODEL_SPACE") ? &dessin.getBlocRoot()
                                                                    : dessin.getBloc(nom->second);
        if (!bloc) continue;
        const auto notees = poignees_.find(bloc);
        if (notees == poignees_.end() || notees->second.size() != bloc->getOrdre().size()) continue;
        std::unordered_map<std::uint32_t, std::uint32_t> cles(table.begin(), table.end());
        const std::vector<std::uint32_t>& propres = notees->second;
        std::vector<std::uint32_t> cle(propres.size());
        for (std::size_t i = 0; i < propres.size(); ++i) {
            const auto c = cles.find(propres[i]);
            cle[i] = c != cles.end() ? c->second : propres[i];
        }
        std::vector<std::size_t> rangs(cle.size());
        std::iota(rangs.begin(), rangs.end(), std::size_t{0});
        std::stable_sort(rangs.begin(), rangs.end(),
                         [&](std::size_t a, std::size_t b) { return cle[a] < cle[b]; });
        const std::vector<Block::Place>& avant = bloc->getOrdre();
        std::vector<Block::Place> ordre;
        ordre.reserve(avant.size());
        for (std::size_t r : rangs) ordre.push_back(avant[r]);
        bloc->setOrdre(std::move(ordre));
    }
    tables_.clear();
    poignees_.clear();
    dernierBloc_ = nullptr;
}
