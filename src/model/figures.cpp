#include "model/figures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "model/courbes.h"
#include "model/objects.h"

FigurePoint figurePoint(int mode, double h) {
    FigurePoint f;
    const int figure = mode & 7;
    f.cercle = mode & 32;
    f.carre = mode & 64;
    if (figure == 1 && !f.cercle && !f.carre) {
        f.vide = true;
        return f;
    }
    f.point = !(h >= 0.5) || figure == 0 || figure > 4;
    if (!(h >= 0.5)) {
        f.cercle = f.carre = false;
        return f;
    }
    auto trait = [&](double x1, double y1, double x2, double y2) {
        f.bouts[f.traits][0] = {x1, y1};
        f.bouts[f.traits][1] = {x2, y2};
        ++f.traits;
    };
    if (figure == 2) {
        trait(-h, 0, h, 0);
        trait(0, -h, 0, h);
    } else if (figure == 3) {
        trait(-h, -h, h, h);
        trait(-h, h, h, -h);
    } else if (figure == 4) {
        trait(0, 0, 0, -h);  // upwards: device rows grow downwards
    }
    return f;
}

void aretesMaillage(const Polyline& p, std::vector<std::pair<std::size_t, std::size_t>>& aretes) {
    aretes.clear();
    const std::size_t taille = p.getPoints().size();
    const DetailsPolyligne* d = p.getDetails();
    if (!d) return;
    auto arete = [&](std::size_t i, std::size_t j) {
        if (i < taille && j < taille) aretes.emplace_back(i, j);
    };
    if (p.isFacettes()) {
        for (const auto& f : d->faces) {
            std::size_t k = 0;
            while (k < 4 && f[k] != 0) ++k;
            for (std::size_t e = 0; e < k; ++e) {
                const long v0 = f[e], v1 = std::labs(f[(e + 1) % k]);
                if (v0 > 0 && k > 1)
                    arete(static_cast<std::size_t>(v0 - 1), static_cast<std::size_t>(v1 - 1));
            }
        }
        return;
    }
    const std::size_t m = static_cast<std::size_t>(std::max(d->m, 0));
    const std::size_t n = static_cast<std::size_t>(std::max(d->n, 0));
    if (m == 0 || n == 0 || m > taille || n > taille) return;
    for (std::size_t i = 0; i < m; ++i)
        for (std::size_t j = 0; j < n; ++j) {
            const std::size_t k = i * n + j;
            if (j + 1 < n)
                arete(k, k + 1);
            else if (p.isFermeeEnN() && n > 2)
                arete(k, i * n);
            if (i + 1 < m)
                arete(k, k + n);
            else if (p.isFermee() && m > 2)
                arete(k, j);
        }
}

namespace {

// Turns the polygon made of the points from `debut` on counter-clockwise, so
// that polygons filled together by the nonzero rule add up.
void tournerDirect(std::vector<PointPlan>& p, std::size_t debut) {
    double aire = 0;
    for (std::size_t i = debut; i < p.size(); ++i) {
        const PointPlan& a = p[i];
        const PointPlan& b = p[i + 1 < p.size() ? i + 1 : debut];
        aire += a.x * b.y - b.x * a.y;
    }
    if (aire < 0) std::reverse(p.begin() + static_cast<long>(debut), p.end());
}

}  // namespace

double BandesPolyligne::largeur(std::size_t k) const {
    const auto& l = p_.getDetails()->largeurs;
    return k < l.size() && std::isfinite(l[k]) ? std::fabs(l[k]) : 0.0;
}

bool BandesPolyligne::visibles() const {
    const DetailsPolyligne* d = p_.getDetails();
    if (!d || d->largeurs.empty() || p_.getPoints().size() < 2) return false;
    double plusLarge = 0;
    for (double l : d->largeurs)
        if (std::isfinite(l)) plusLarge = std::max(plusLarge, std::fabs(l));
    return plusLarge * m_.etirementMin() >= 1.0;
}

std::size_t BandesPolyligne::segments() const {
    const std::size_t n = p_.getPoints().size();
    return p_.isFermee() ? n : n - 1;
}

bool BandesPolyligne::bande(std::size_t i, std::vector<PointPlan>& points,
                            std::vector<std::size_t>& tailles) const {
    const auto& s = p_.getPoints();
    const std::size_t n = s.size();
    const std::size_t j = (i + 1) % n;
    const Sommet a{s[i]->getX(), s[i]->getY(), p_.getRenflement(i)};
    const Sommet b{s[j]->getX(), s[j]->getY(), 0};
    const double w0 = largeur(2 * i), w1 = largeur(2 * i + 1);
    if (w0 == 0 && w1 == 0) return false;
    points.clear();
    tailles.clear();
    const double echelle = m_.etirementMax();
    double cx, cy, r, a1, a2;
    if (arcDeRenflement(a.x, a.y, b.x, b.y, a.renflement, cx, cy, r, a1, a2)) {
        // Along the arc, from a to b, the width going from w0 to w1.
        const int k =
            cordesPourArc(a2 - a1, (r + std::max(w0, w1) / 2) * echelle, kToleranceCourbes);
        for (int cote : {1, -1})
            for (int q = 0; q <= k; ++q) {
                const double u =
                    cote > 0 ? static_cast<double>(q) / k : static_cast<double>(k - q) / k;
                const double angle = a.renflement > 0 ? a1 + (a2 - a1) * u : a2 - (a2 - a1) * u;
                const double rayon = r + cote * (w0 + (w1 - w0) * u) / 2;
                points.push_back(
                    porte(m_, cx + rayon * std::cos(angle), cy + rayon * std::sin(angle)));
            }
    } else {
        const double l = std::hypot(b.x - a.x, b.y - a.y);
        if (!(l > 0)) return true;
        const double nx = -(b.y - a.y) / l, ny = (b.x - a.x) / l;
        points.push_back(porte(m_, a.x + nx * w0 / 2, a.y + ny * w0 / 2));
        points.push_back(porte(m_, b.x + nx * w1 / 2, b.y + ny * w1 / 2));
        points.push_back(porte(m_, b.x - nx * w1 / 2, b.y - ny * w1 / 2));
        points.push_back(porte(m_, a.x - nx * w0 / 2, a.y - ny * w0 / 2));
    }
    tournerDirect(points, 0);
    tailles.push_back(points.size());
    // A round join where the band meets the next one.
    const double joint = std::min(w1, largeur(2 * ((i + 1) % n)));
    if (joint > 0 && (i + 1 < segments())) {
        const std::size_t debut = points.size();
        const int k = cordesPourArc(kDeuxPi, joint / 2 * echelle, kToleranceCourbes);
        for (int q = 0; q < k; ++q)
            points.push_back(porte(m_, b.x + joint / 2 * std::cos(kDeuxPi * q / k),
                                   b.y + joint / 2 * std::sin(kDeuxPi * q / k)));
        tournerDirect(points, debut);
        tailles.push_back(points.size() - debut);
    }
    return true;
}
