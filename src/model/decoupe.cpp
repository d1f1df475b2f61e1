#include "model/decoupe.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

bool couperSegment(const Boite& zone, PointPlan& a, PointPlan& b, double& t0) {
    double debut = 0, fin = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - zone.x0, zone.x1 - a.x, a.y - zone.y0, zone.y1 - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            debut = std::max(debut, t);
        else
            fin = std::min(fin, t);
    }
    if (!(debut < fin)) return false;
    t0 = debut;
    if (fin < 1) b = {a.x + fin * dx, a.y + fin * dy};
    if (debut > 0) a = {a.x + debut * dx, a.y + debut * dy};
    return true;
}

void couperPolyligne(const PointPlan* p, std::size_t n, bool fermee, const Boite& zone,
                     std::vector<PointPlan>& sortie, std::vector<Troncon>& troncons) {
    troncons.clear();
    double avant = 0;
    bool suite = false;  // the last run goes on from the last point written
    const std::size_t segments = n < 2 ? 0 : (fermee ? n : n - 1);
    for (std::size_t i = 0; i < segments; ++i) {
        PointPlan a = p[i], b = p[(i + 1) % n];
        const double longueur = std::hypot(b.x - a.x, b.y - a.y);
        const PointPlan fin = b;
        double t0 = 0;
        if (couperSegment(zone, a, b, t0)) {
            if (!suite || t0 > 0) {
                troncons.push_back({sortie.size(), 1, avant + t0 * longueur});
                sortie.push_back(a);
            }
            sortie.push_back(b);
            ++troncons.back().nombre;
            suite = b.x == fin.x && b.y == fin.y;
        } else {
            suite = false;
        }
        avant += longueur;
    }
}

void couperArc(const Matrice& m, double a1, double a2, const Boite& zone,
               std::vector<Plage>& plages) {
    plages.clear();
    // Where the arc crosses each side's line: c cos t + s sin t = v.
    double coupures[10];
    int k = 0;
    coupures[k++] = a1;
    auto croisements = [&](double c, double s, double v) {
        const double r = std::hypot(c, s);
        if (!(r > 0) || !(std::fabs(v) <= r)) return;
        const double phi = std::atan2(s, c), delta = std::acos(v / r);
        for (double t : {phi - delta, phi + delta}) {
            t = a1 + std::fmod(t - a1, kDeuxPi);
            if (t < a1) t += kDeuxPi;
            if (t > a1 && t < a2) coupures[k++] = t;
        }
    };
    croisements(m.xx, m.xy, zone.x0 - m.x0);
    croisements(m.xx, m.xy, zone.x1 - m.x0);
    croisements(m.yx, m.yy, zone.y0 - m.y0);
    croisements(m.yx, m.yy, zone.y1 - m.y0);
    coupures[k++] = a2;
    // At most eight crossings, in order (insertion).
    for (int i = 2; i < k - 1; ++i)
        for (int j = i; j > 1 && coupures[j] < coupures[j - 1]; --j)
            std::swap(coupures[j], coupures[j - 1]);
    for (int i = 0; i + 1 < k; ++i) {
        const double debut = coupures[i], fin = coupures[i + 1];
        if (!(fin > debut)) continue;
        const double t = (debut + fin) / 2;
        double x = std::cos(t), y = std::sin(t);
        m.appliquer(x, y);
        if (!(x >= zone.x0 && x <= zone.x1 && y >= zone.y0 && y <= zone.y1)) continue;
        if (!plages.empty() && plages.back().fin == debut)
            plages.back().fin = fin;
        else
            plages.push_back({debut, fin});
    }
}

double longueurArc(const Matrice& m, double a1, double a2) {
    if (!(a2 > a1)) return 0;
    // A circle stays one under a similarity: its radius times the angle.
    if ((m.xx == m.yy && m.xy == -m.yx) || (m.xx == -m.yy && m.xy == m.yx))
        return std::hypot(m.xx, m.yx) * (a2 - a1);
    // Otherwise Gauss-Legendre's five points on pieces of a tenth of a
    // radian at most.
    static const double kNoeuds[5] = {0, -0.5384693101056831, 0.5384693101056831,
                                      -0.9061798459386640, 0.9061798459386640};
    static const double kPoids[5] = {0.5688888888888889, 0.4786286704993665, 0.4786286704993665,
                                     0.2369268850561891, 0.2369268850561891};
    const int pieces = static_cast<int>(std::clamp(std::ceil((a2 - a1) / 0.1), 1.0, 4096.0));
    const double pas = (a2 - a1) / pieces;
    double somme = 0;
    for (int i = 0; i < pieces; ++i) {
        const double milieu = a1 + pas * (i + 0.5);
        for (int j = 0; j < 5; ++j) {
            const double t = milieu + pas / 2 * kNoeuds[j];
            const double s = std::sin(t), c = std::cos(t);
            somme += kPoids[j] * std::hypot(-m.xx * s + m.xy * c, -m.yx * s + m.yy * c);
        }
    }
    return somme * pas / 2;
}

void couperPolygone(std::vector<PointPlan>& p, std::vector<PointPlan>& tampon, const Boite& zone) {
    const double x0 = zone.x0, y0 = zone.y0, x1 = zone.x1, y1 = zone.y1;
    auto cote = [&](int k, const PointPlan& q) {
        switch (k) {
            case 0:
                return q.x >= x0;
            case 1:
                return q.x <= x1;
            case 2:
                return q.y >= y0;
            default:
                return q.y <= y1;
        }
    };
    auto croisement = [&](int k, const PointPlan& a, const PointPlan& b) {
        const double limite = k == 0 ? x0 : k == 1 ? x1 : k == 2 ? y0 : y1;
        const double t = k < 2 ? (limite - a.x) / (b.x - a.x) : (limite - a.y) / (b.y - a.y);
        return PointPlan{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
    };
    for (int k = 0; k < 4 && !p.empty(); ++k) {
        tampon.clear();
        for (std::size_t i = 0; i < p.size(); ++i) {
            const PointPlan& a = p[i];
            const PointPlan& b = p[(i + 1) % p.size()];
            const bool ia = cote(k, a), ib = cote(k, b);
            if (ia) tampon.push_back(a);
            if (ia != ib) tampon.push_back(croisement(k, a, b));
        }
        p.swap(tampon);
    }
}

namespace {

// The range of t where t w lies in the box `r`; false when empty.
bool intervalle(const PointPlan& w, const Boite& r, double& debut, double& fin) {
    debut = -std::numeric_limits<double>::infinity();
    fin = -debut;
    for (const auto& [composante, bas, haut] :
         {std::tuple{w.x, r.x0, r.x1}, std::tuple{w.y, r.y0, r.y1}}) {
        if (composante == 0) {
            if (!(bas <= 0 && 0 <= haut)) return false;
            continue;
        }
        const double a = bas / composante, b = haut / composante;
        debut = std::max(debut, std::min(a, b));
        fin = std::min(fin, std::max(a, b));
    }
    return debut <= fin;
}

}  // namespace

bool copiesVues(const Boite& boite, const PointPlan& u, const PointPlan& v, double colonnes,
                double lignes, const Boite& zone, double& c0, double& c1, double& r0, double& r1) {
    // The moves that bring the first copy's box into the zone.
    const Boite r{zone.x0 - boite.x1, zone.y0 - boite.y1, zone.x1 - boite.x0, zone.y1 - boite.y0};
    c0 = 0, c1 = colonnes - 1, r0 = 0, r1 = lignes - 1;
    if (!std::isfinite(r.x0) || !std::isfinite(r.y0) || !std::isfinite(r.x1) ||
        !std::isfinite(r.y1))
        return !r.vide();
    double cb = 0, ch = 0, rb = 0, rh = 0;
    const double d = u.x * v.y - u.y * v.x;
    if (lignes == 1 || colonnes == 1) {
        if (lignes == 1 && !intervalle(u, r, cb, ch)) return false;
        if (colonnes == 1 && !intervalle(v, r, rb, rh)) return false;
        if (colonnes == 1 && lignes == 1) cb = ch = rb = rh = 0;
    } else if (std::fabs(d) > 1e-12 * std::hypot(u.x, u.y) * std::hypot(v.x, v.y)) {
        // The corners of the moves, in columns and rows.
        cb = rb = std::numeric_limits<double>::infinity();
        ch = rh = -cb;
        for (double x : {r.x0, r.x1})
            for (double y : {r.y0, r.y1}) {
                const double c = (x * v.y - y * v.x) / d, l = (u.x * y - u.y * x) / d;
                cb = std::min(cb, c), ch = std::max(ch, c);
                rb = std::min(rb, l), rh = std::max(rh, l);
            }
    } else {
        return true;  // rows and columns along one line: all of them
    }
    c0 = std::max(c0, std::floor(cb) - 1), c1 = std::min(c1, std::ceil(ch) + 1);
    r0 = std::max(r0, std::floor(rb) - 1), r1 = std::min(r1, std::ceil(rh) + 1);
    return c0 <= c1 && r0 <= r1;
}
