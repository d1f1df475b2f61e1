#include "model/decoupe.h"

#include <algorithm>
#include <cmath>

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
