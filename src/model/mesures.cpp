#include "model/mesures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/dessin.h"

Unites unitesDe(const Dessin& dessin) { return {dessin.getUnites(), dessin.getPrecision()}; }

const char* nomUnite(int code) {
    static const char* const noms[] = {"",   "po",  "pi",  "mi", "mm", "cm", "m",
                                       "km", "µpo", "mil", "yd", "Å",  "nm", "µm",
                                       "dm", "dam", "hm",  "Gm", "ua", "al", "pc"};
    return code >= 0 && code < static_cast<int>(std::size(noms)) ? noms[code] : "";
}

std::string nombreFrancais(double v, int decimales) {
    if (!std::isfinite(v)) return "-";
    if (v == 0) v = 0;  // no "-0"
    char texte[400];
    std::snprintf(texte, sizeof texte, "%.*f", std::clamp(decimales, 0, 8), v);
    std::string s = texte;
    std::replace(s.begin(), s.end(), '.', ',');
    // Rounded to zero: no minus sign.
    if (s[0] == '-' && s.find_first_not_of("-0,") == std::string::npos) s.erase(0, 1);
    return s;
}

namespace {
std::string avecUnite(std::string nombre, const Unites& u, const char* puissance) {
    const std::string nom = nomUnite(u.code);
    if (nom.empty()) return nombre;
    return nombre + " " + nom + puissance;
}
}  // namespace

std::string texteLongueur(double v, const Unites& u) {
    return avecUnite(nombreFrancais(v, u.decimales), u, "");
}
std::string texteAire(double v, const Unites& u) {
    return avecUnite(nombreFrancais(v, u.decimales), u, "²");
}
std::string texteAngle(double degres, const Unites& u) {
    return nombreFrancais(degres, u.decimales) + "°";
}
std::string textePoint(const PointPlan& p, const Unites& u) {
    return nombreFrancais(p.x, u.decimales) + " ; " + nombreFrancais(p.y, u.decimales);
}

double angleDegres(const PointPlan& a, const PointPlan& b) {
    double d = std::atan2(b.y - a.y, b.x - a.x) * 180 / kPi;
    if (d < 0) d += 360;
    return d >= 360 ? 0 : d;
}

double airePolygone(const std::vector<PointPlan>& p) {
    double s = 0;
    for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
        s += (p[j].x - p[i].x) * (p[j].y + p[i].y);
    return std::fabs(s) / 2;
}

double perimetrePolygone(const std::vector<PointPlan>& p) {
    double s = 0;
    for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
        s += std::hypot(p[i].x - p[j].x, p[i].y - p[j].y);
    return s;
}

std::string texteDistance(const PointPlan& a, const PointPlan& b, const Unites& u) {
    return "Distance : " + texteLongueur(std::hypot(b.x - a.x, b.y - a.y), u) +
           "   Angle : " + texteAngle(angleDegres(a, b), u) +
           "   ΔX : " + texteLongueur(b.x - a.x, u) + "   ΔY : " + texteLongueur(b.y - a.y, u);
}

std::string texteSurface(const std::vector<PointPlan>& p, const Unites& u) {
    return "Aire : " + texteAire(airePolygone(p), u) +
           "   Périmètre : " + texteLongueur(perimetrePolygone(p), u) + "   (" +
           std::to_string(p.size()) + " points)";
}
