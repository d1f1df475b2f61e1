// Small DXF texts for the tests: records written as group code / value lines.
#pragma once

#include <sstream>
#include <string>

namespace dxf {

inline std::string paire(int code, const std::string& valeur) {
    return std::to_string(code) + "\n" + valeur + "\n";
}
inline std::string nombre(double v) {
    std::ostringstream o;
    o.imbue(std::locale::classic());
    o.precision(17);
    o << v;
    return o.str();
}
inline std::string paire(int code, double v) { return paire(code, nombre(v)); }
inline std::string paire(int code, int v) { return paire(code, std::to_string(v)); }

// Common attributes of an entity: layer, colour (256 = by layer), line type
// (empty = none given).
struct Attr {
    std::string calque = "0";
    int couleur = 256;
    std::string typeLigne;
};
inline std::string attr(const Attr& a) {
    std::string s = paire(8, a.calque);
    if (!a.typeLigne.empty()) s += paire(6, a.typeLigne);
    if (a.couleur != 256) s += paire(62, a.couleur);
    return s;
}

inline std::string section(const std::string& nom, const std::string& corps) {
    return paire(0, "SECTION") + paire(2, nom) + corps + paire(0, "ENDSEC");
}
inline std::string fichier(const std::string& sections) { return sections + paire(0, "EOF"); }
// A file with only an ENTITIES section.
inline std::string entites(const std::string& corps) { return fichier(section("ENTITIES", corps)); }

inline std::string calque(const std::string& nom, int couleur = 7,
                          const std::string& typeLigne = "CONTINUOUS", int flags = 0) {
    return paire(0, "LAYER") + paire(2, nom) + paire(70, flags) + paire(62, couleur) +
           paire(6, typeLigne);
}
inline std::string tables(const std::string& calques) {
    return section("TABLES", paire(0, "TABLE") + paire(2, "LAYER") + calques + paire(0, "ENDTAB"));
}

inline std::string ligne(double x1, double y1, double x2, double y2, const Attr& a = {}) {
    return paire(0, "LINE") + attr(a) + paire(10, x1) + paire(20, y1) + paire(30, 0.0) +
           paire(11, x2) + paire(21, y2) + paire(31, 0.0);
}
inline std::string point(double x, double y, const Attr& a = {}) {
    return paire(0, "POINT") + attr(a) + paire(10, x) + paire(20, y) + paire(30, 0.0);
}
inline std::string cercle(double x, double y, double r, const Attr& a = {}) {
    return paire(0, "CIRCLE") + attr(a) + paire(10, x) + paire(20, y) + paire(30, 0.0) +
           paire(40, r);
}
inline std::string arc(double x, double y, double r, double a1, double a2, const Attr& a = {}) {
    return paire(0, "ARC") + attr(a) + paire(10, x) + paire(20, y) + paire(30, 0.0) + paire(40, r) +
           paire(50, a1) + paire(51, a2);
}
inline std::string texte(double x, double y, double h, const std::string& t, const Attr& a = {},
                         const std::string& style = "STANDARD") {
    return paire(0, "TEXT") + attr(a) + paire(10, x) + paire(20, y) + paire(30, 0.0) +
           paire(40, h) + paire(1, t) + paire(7, style);
}
// An LWPOLYLINE through the given points, "x,y;x,y;...".
inline std::string lwpolyline(const std::string& points, int flags = 0, const Attr& a = {}) {
    std::string pts;
    int n = 0;
    std::istringstream in(points);
    std::string p;
    while (std::getline(in, p, ';')) {
        auto v = p.find(',');
        pts += paire(10, p.substr(0, v)) + paire(20, p.substr(v + 1));
        ++n;
    }
    return paire(0, "LWPOLYLINE") + attr(a) + paire(90, n) + paire(70, flags) + pts;
}
inline std::string insert(const std::string& nom, double x, double y, double sx = 1, double sy = 1,
                          double angle = 0, const Attr& a = {}) {
    return paire(0, "INSERT") + attr(a) + paire(2, nom) + paire(10, x) + paire(20, y) +
           paire(30, 0.0) + paire(41, sx) + paire(42, sy) + paire(50, angle);
}
inline std::string bloc(const std::string& nom, double bpx, double bpy, const std::string& corps,
                        const Attr& a = {}) {
    return paire(0, "BLOCK") + attr(a) + paire(2, nom) + paire(70, 0) + paire(10, bpx) +
           paire(20, bpy) + paire(30, 0.0) + paire(3, nom) + corps + paire(0, "ENDBLK") + attr(a);
}
inline std::string blocs(const std::string& corps) { return section("BLOCKS", corps); }
inline std::string image(const std::string& ref, double x, double y, int w, int h,
                         const Attr& a = {}) {
    return paire(0, "IMAGE") + attr(a) + paire(10, x) + paire(20, y) + paire(30, 0.0) +
           paire(11, 1.0) + paire(21, 0.0) + paire(31, 0.0) + paire(12, 0.0) + paire(22, 1.0) +
           paire(32, 0.0) + paire(13, w) + paire(23, h) + paire(340, ref);
}
inline std::string imagedef(const std::string& handle, const std::string& fichier) {
    return paire(0, "IMAGEDEF") + paire(5, handle) + paire(1, fichier);
}
inline std::string objets(const std::string& corps) { return section("OBJECTS", corps); }

}  // namespace dxf
