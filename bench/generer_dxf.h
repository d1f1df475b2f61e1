// Deterministic synthetic DXF drawings for the benchmarks.
//
// The same (n, seed) gives the same bytes on every machine: the numbers come
// from a splitmix64 generator of our own and are formatted by hand, with no
// locale and no floating-point printing.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

// What the entities of a drawing are: the ordinary mix below, or only
// hatches (a third filled, the others hatched by one or two families of
// lines, a fifth with an island, boundaries of bulged polylines or of lines
// and arcs, 5 to 30 units across), or only splines (4 to 12 control points,
// a quarter through fit points instead).
enum class Melange { Ordinaire, Hachures, Splines };

// Writes an ASCII DXF drawing with `n` model-space entities to `sortie`:
// a LAYER table of 30 layers (every third with line type DASHED), 20 block
// definitions of 5 to 20 lines, arcs and circles, then the entities, about
// 58% LINE, 10% ARC, 10% CIRCLE, 10% LWPOLYLINE of 4 to 20 vertices (a third
// of them closed), 5% TEXT, 5% INSERT of the blocks, 2% POINT, with
// coordinates in 0..1000.
void genererDXF(std::ostream& sortie, long n, std::uint64_t seed,
                Melange melange = Melange::Ordinaire);

// Writes the same drawing to the file at `chemin`, through a temporary file
// renamed at the end so that a concurrent reader never sees half a file.
// Returns false when the file cannot be written.
bool genererFichierDXF(const std::string& chemin, long n, std::uint64_t seed,
                       Melange melange = Melange::Ordinaire);

// The path of a cached drawing of `n` entities in `dossier`; the name carries
// the generator's version, so a changed generator never reuses an old file.
std::string cheminDXFSynthetique(const std::string& dossier, long n, std::uint64_t seed = 1,
                                 Melange melange = Melange::Ordinaire);

// Generates the file at cheminDXFSynthetique(dossier, n, seed) unless it is
// already there; returns its path, or an empty string on failure.
std::string fichierDXFSynthetique(const std::string& dossier, long n, std::uint64_t seed = 1,
                                  Melange melange = Melange::Ordinaire);

// The benchmarks' cached drawing: in $TARSIN_BENCH_DIR (default /tmp), of
// $TARSIN_BENCH_N entities (default 1,000,000).
std::string fichierDXFDuBanc();
