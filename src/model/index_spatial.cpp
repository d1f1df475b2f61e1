#include "model/index_spatial.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <numeric>

namespace {

// The place on a Hilbert curve of order 16 of the cell (x, y).
std::uint32_t hilbert(std::uint32_t x, std::uint32_t y) {
    std::uint32_t d = 0;
    for (std::uint32_t s = 1u << 15; s > 0; s >>= 1) {
        const std::uint32_t rx = (x & s) ? 1 : 0, ry = (y & s) ? 1 : 0;
        d += s * s * ((3 * rx) ^ ry);
        if (ry == 0) {
            if (rx == 1) {
                x = s - 1 - x;
                y = s - 1 - y;
            }
            std::swap(x, y);
        }
    }
    return d;
}

// A double as a float no larger (`bas`) or no smaller.
float arrondi(double v, bool bas) {
    if (!(v > -FLT_MAX)) return -FLT_MAX;
    if (!(v < FLT_MAX)) return FLT_MAX;
    const float f = static_cast<float>(v);
    if (bas ? f > v : f < v) return std::nextafter(f, bas ? -FLT_MAX : FLT_MAX);
    return f;
}

}  // namespace

IndexSpatial::IndexSpatial(const std::vector<Boite>& boites) {
    std::vector<std::uint32_t> avecBoite;
    for (std::uint32_t i = 0; i < boites.size(); ++i)
        if (!boites[i].vide()) {
            avecBoite.push_back(i);
            boite_.ajouter(boites[i]);
        }
    // Along the curve through the centres.
    const double l = std::max(boite_.largeur(), 1e-300), h = std::max(boite_.hauteur(), 1e-300);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> cles;
    cles.reserve(avecBoite.size());
    for (std::uint32_t i : avecBoite) {
        const Boite& b = boites[i];
        auto cellule = [](double u) {
            return static_cast<std::uint32_t>(std::clamp(u, 0.0, 1.0) * 65535.0);
        };
        cles.push_back({hilbert(cellule(((b.x0 + b.x1) / 2 - boite_.x0) / l),
                                cellule(((b.y0 + b.y1) / 2 - boite_.y0) / h)),
                        i});
    }
    std::sort(cles.begin(), cles.end());
    places_.reserve(cles.size());
    for (const auto& c : cles) places_.push_back(c.second);

    // The groups, level by level.
    std::vector<BoiteF> niveau;
    for (std::size_t g = 0; g < places_.size(); g += kGroupe) {
        Boite b;
        for (std::size_t k = g; k < std::min(places_.size(), g + kGroupe); ++k)
            b.ajouter(boites[places_[k]]);
        niveau.push_back(
            {arrondi(b.x0, true), arrondi(b.y0, true), arrondi(b.x1, false), arrondi(b.y1, false)});
    }
    while (!niveau.empty()) {
        niveaux_.push_back(std::move(niveau));
        const std::vector<BoiteF>& dessous = niveaux_.back();
        if (dessous.size() == 1) break;
        niveau.clear();
        for (std::size_t g = 0; g < dessous.size(); g += kGroupe) {
            BoiteF b = dessous[g];
            for (std::size_t k = g + 1; k < std::min(dessous.size(), g + kGroupe); ++k) {
                b.x0 = std::min(b.x0, dessous[k].x0);
                b.y0 = std::min(b.y0, dessous[k].y0);
                b.x1 = std::max(b.x1, dessous[k].x1);
                b.y1 = std::max(b.y1, dessous[k].y1);
            }
            niveau.push_back(b);
        }
    }
}

void IndexSpatial::chercher(const Boite& zone, std::vector<std::uint32_t>& places) const {
    const std::size_t debut = places.size();
    if (!niveaux_.empty() && !zone.vide())
        for (std::size_t r = 0; r < niveaux_.back().size(); ++r)
            chercher(niveaux_.size() - 1, r, zone, places);
    std::sort(places.begin() + static_cast<std::ptrdiff_t>(debut), places.end());
}

void IndexSpatial::chercher(std::size_t niveau, std::size_t rang, const Boite& zone,
                            std::vector<std::uint32_t>& places) const {
    if (!niveaux_[niveau][rang].touche(zone)) return;
    const std::size_t debut = rang * kGroupe;
    if (niveau == 0) {
        const std::size_t fin = std::min(places_.size(), debut + kGroupe);
        places.insert(places.end(), places_.begin() + static_cast<std::ptrdiff_t>(debut),
                      places_.begin() + static_cast<std::ptrdiff_t>(fin));
        return;
    }
    const std::size_t fin = std::min(niveaux_[niveau - 1].size(), debut + kGroupe);
    for (std::size_t r = debut; r < fin; ++r) chercher(niveau - 1, r, zone, places);
}

std::size_t IndexSpatial::octets() const {
    std::size_t n = places_.capacity() * sizeof(std::uint32_t);
    for (const auto& v : niveaux_) n += v.capacity() * sizeof(BoiteF);
    return n;
}
