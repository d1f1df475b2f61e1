// Small files that cost far more than their size, made by the tests and the
// benchmarks rather than committed.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "support/dxf.h"

namespace hostiles {

// A grey progressive JPEG of `largeur` x `hauteur` pixels: a DC scan, then
// `scans` times the same AC scan, each a few bytes long (end-of-band runs
// over every block) but each a whole pass of the picture for a decoder that
// shows it scan by scan. `scans` 1: an ordinary progressive JPEG.
inline std::string jpegProgressif(int largeur, int hauteur, int scans) {
    auto mot = [](int v) { return std::string{static_cast<char>(v >> 8), static_cast<char>(v)}; };
    auto segment = [&](int marqueur, const std::string& corps) {
        return std::string{'\xFF', static_cast<char>(marqueur)} +
               mot(static_cast<int>(corps.size()) + 2) + corps;
    };
    // Entropy-coded bits, 0xFF bytes stuffed, padded with ones.
    auto donnees = [](long bits, std::uint32_t motif, int longueur) {
        std::string s;
        std::uint32_t acc = 0;
        int n = 0;
        auto pousser = [&](std::uint32_t v, int k) {
            for (int i = k - 1; i >= 0; --i) {
                acc = acc << 1 | ((v >> i) & 1);
                if (++n == 8) {
                    s += static_cast<char>(acc);
                    if ((acc & 0xFF) == 0xFF) s += '\0';
                    acc = 0;
                    n = 0;
                }
            }
        };
        for (long i = 0; i < bits; ++i) pousser(motif, longueur);
        if (n) pousser(0xFF, 8 - n);
        return s;
    };
    const long blocs = long{(largeur + 7) / 8} * ((hauteur + 7) / 8);
    std::string j = "\xFF\xD8";
    j += segment(0xDB, std::string(1, '\0') + std::string(64, '\x01'));
    j += segment(0xC2, "\x08" + mot(hauteur) + mot(largeur) + std::string("\x01\x01\x11\x00", 4));
    // One code of one bit per table: DC "no difference", AC "end of band
    // for 2^14 + 16383 blocks".
    const std::string un = "\x01" + std::string(15, '\0');
    j += segment(0xC4, std::string(1, '\x00') + un + std::string(1, '\x00'));
    j += segment(0xC4, "\x10" + un + "\xE0");
    j += segment(0xDA, std::string("\x01\x01\x00\x00\x00\x00", 6)) + donnees(blocs, 0, 1);
    const std::string ac = segment(0xDA, std::string("\x01\x01\x00\x01\x3F\x00", 6)) +
                           donnees((blocs + 32766) / 32767, 0x3FFF, 15);
    for (int i = 0; i < scans; ++i) j += ac;
    return j + "\xFF\xD9";
}

// MTEXT codes whose layout once cost far more than their bytes: `n`
// paragraphs of one letter, `n` braces opened, `n` fonts of their own.
inline std::string mtextParagraphes(int n) {
    std::string t;
    for (int i = 0; i < n; ++i) t += "x\\P";
    return t;
}
inline std::string mtextAccolades(int n) {
    return std::string(static_cast<std::size_t>(n), '{') + "x";
}
inline std::string mtextPolices(int n) {
    std::string t;
    for (int i = 0; i < n; ++i) t += "\\fPolice" + std::to_string(i) + ";x";
    return t;
}
// An ordinary MTEXT of `octets` bytes: words, a paragraph every few lines.
inline std::string mtextOrdinaire(std::size_t octets) {
    static const char* const kMots[] = {"Mur ",   "porteur ", "en ", "beton ", "arme, ", "voir ",
                                        "coupe ", "A-A ",     "et ", "note ",  "3. "};
    std::string t;
    for (std::size_t i = 0; t.size() < octets; ++i)
        t += i % 40 == 39 ? "\\P" : kMots[i % (sizeof kMots / sizeof *kMots)];
    return t.substr(0, octets);
}

// `n` lines through the origin, each `longueur` long, of line type `type`
// ("" continuous): zoomed in to a few units, millions of pixels each. With
// a `periode`, the file defines the type: a dash of two thirds of it, a
// gap of one third.
inline std::string lignesParUnPoint(int n, double longueur, const std::string& type = "",
                                    double periode = 0) {
    using dxf::paire;
    const std::string tables =
        periode > 0 ? dxf::section("TABLES", paire(0, "TABLE") + paire(2, "LTYPE") +
                                                 paire(0, "LTYPE") + paire(2, type) + paire(70, 0) +
                                                 paire(72, 65) + paire(73, 2) + paire(40, periode) +
                                                 paire(49, periode * 2 / 3) +
                                                 paire(49, -periode / 3) + paire(0, "ENDTAB"))
                    : "";
    std::string e;
    for (int i = 0; i < n; ++i) {
        const double a = 3.141592653589793 * i / n, c = std::cos(a) * longueur / 2,
                     s = std::sin(a) * longueur / 2;
        e += dxf::ligne(-c, -s, c, s, {"0", 256, type});
    }
    return dxf::fichier(tables + dxf::section("ENTITIES", e));
}

// One SPLINE of `n` control points zig-zagging across a rectangle 100
// units wide and `hauteur` high (knots left to the reader).
inline std::string splineZigZag(int n, double hauteur = 100) {
    std::string e = dxf::paire(0, "SPLINE") + dxf::paire(8, "0") + dxf::paire(70, 8) +
                    dxf::paire(71, 3) + dxf::paire(72, 0) + dxf::paire(73, n);
    for (int i = 0; i < n; ++i)
        e += dxf::paire(10, 100.0 * i / n) + dxf::paire(20, i % 2 ? hauteur : 0.0) +
             dxf::paire(30, 0.0);
    return dxf::entites(e);
}

// A MINSERT of a block holding one line `taille` units long on each axis,
// `colonnes` x `lignes` copies `pas` units apart.
inline std::string minsert(int colonnes, int lignes, double pas, double taille = 1) {
    const std::string bloc = dxf::bloc("B", 0, 0, dxf::ligne(0, 0, taille, taille));
    const std::string m = dxf::paire(0, "INSERT") + dxf::paire(8, "0") + dxf::paire(2, "B") +
                          dxf::paire(10, 0.0) + dxf::paire(20, 0.0) + dxf::paire(30, 0.0) +
                          dxf::paire(70, colonnes) + dxf::paire(71, lignes) + dxf::paire(44, pas) +
                          dxf::paire(45, pas);
    return dxf::fichier(dxf::blocs(bloc) + dxf::section("ENTITIES", m));
}

// One filled HATCH of `n` circles 3 units apart, 200 a row, each an edge of
// the one path given: arcs of radius 1 (genre 2), elliptic arcs of ratio 1
// (genre 3); or, the ordinary case, as many squares of side 2 (polyline
// paths of 4 vertices, genre 0).
inline std::string hachureCercles(int n, int genre) {
    using dxf::paire;
    std::string e = paire(0, "HATCH") + paire(8, "0") + paire(2, "SOLID") + paire(70, 1) +
                    paire(71, 0) + paire(91, genre == 0 ? n : 1);
    if (genre != 0) e += paire(92, 1) + paire(93, n);
    for (int i = 0; i < n; ++i) {
        const int x = i % 200 * 3, y = i / 200 * 3;
        if (genre == 0) {
            e += paire(92, 2) + paire(72, 0) + paire(73, 1) + paire(93, 4);
            for (auto [dx, dy] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}})
                e += paire(10, x + dx) + paire(20, y + dy);
            e += paire(97, 0);
            continue;
        }
        e += paire(72, genre) + paire(10, x) + paire(20, y);
        if (genre == 3) e += paire(11, 1) + paire(21, 0);
        e += paire(40, 1) + paire(50, 0) + paire(51, 360) + paire(73, 1);
    }
    if (genre != 0) e += paire(97, 0);
    return dxf::entites(e + paire(75, 0) + paire(76, 1) + paire(98, 0));
}

}  // namespace hostiles
