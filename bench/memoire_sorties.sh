#!/bin/bash
# Peak memory of tarsin-render writing a drawing as PNG, PDF and SVG, against
# that of importing it alone (bench-import-memoire complet), each read by
# /usr/bin/time. PDF and SVG surfaces keep every operation until the file is
# finished: the figure to watch is PDF / import (target 2).
# Usage: bench/memoire_sorties.sh [FICHIER.dxf ...]   (default: the 1M-entity drawing)
# BUILD names the build directory (default build-bench beside this folder).
set -euo pipefail
ICI="$(cd "$(dirname "$0")" && pwd)"
BUILD="${BUILD:-$ICI/../build-bench}"
IMPORT="$BUILD/bench/bench-import-memoire"
RENDU="$BUILD/tarsin-render"
GEN="$BUILD/bench/generer-dxf"
DOSSIER="${TARSIN_BENCH_DIR:-/tmp}"
for p in "$IMPORT" "$RENDU" "$GEN" /usr/bin/time; do
  [ -x "$p" ] || { echo "absent : $p (lancer bench/run.sh, paquet time)" >&2; exit 1; }
done

fichiers=("$@")
[ ${#fichiers[@]} -eq 0 ] && fichiers=("$("$GEN" --cache 1000000 "$DOSSIER")")
sortie=$(mktemp -d)
trap 'rm -rf "$sortie"' EXIT

# Each line of /usr/bin/time -f "%M %e": peak RSS in KiB, seconds.
for f in "${fichiers[@]}"; do
  echo "$f ($(du -h "$f" | cut -f1))"
  read -r import t < <(/usr/bin/time -f "%M %e" "$IMPORT" complet "$f" 2>&1 >/dev/null | tail -1)
  awk -v k="$import" -v t="$t" 'BEGIN { printf "  %-8s pic RSS %8.1f Mio  %7.1f s\n", "import", k / 1024, t }'
  for ext in png pdf svg; do
    read -r pic t < <(/usr/bin/time -f "%M %e" "$RENDU" --quiet "$f" "$sortie/s.$ext" 2>&1 | tail -1)
    taille=$(du -h "$sortie/s.$ext" 2>/dev/null | cut -f1)
    awk -v e="$ext" -v k="$pic" -v i="$import" -v t="$t" -v s="${taille:-?}" 'BEGIN {
      r = k / i
      printf "  %-8s pic RSS %8.1f Mio  %7.1f s  x%.2f de l'\''import%s  (fichier %s)\n", e, k / 1024, t, r,
        e == "pdf" ? (r <= 2 ? " (cible 2 : tenue)" : " (cible 2 : MANQUEE)") : "", s
    }'
    rm -f "$sortie/s.$ext"
  done
done
