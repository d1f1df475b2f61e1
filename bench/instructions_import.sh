#!/bin/bash
# Instructions of one import, counted by callgrind: dxflib with an empty
# adapter (the floor) against our import (lireDXF with its guard and
# handler), on the 100k-entity drawing by default.
# Usage: bench/instructions_import.sh [FICHIER.dxf]
# BUILD names the build directory (default build-bench beside this folder).
set -euo pipefail
ICI="$(cd "$(dirname "$0")" && pwd)"
BUILD="${BUILD:-$ICI/../build-bench}"
PROG="$BUILD/bench/bench-import-memoire"
GEN="$BUILD/bench/generer-dxf"
for p in "$PROG" "$GEN"; do
  [ -x "$p" ] || { echo "absent : $p (lancer bench/run.sh)" >&2; exit 1; }
done
command -v valgrind >/dev/null || { echo "absent : valgrind" >&2; exit 1; }
fichier="${1:-$("$GEN" --cache 100000 "${TARSIN_BENCH_DIR:-/tmp}")}"

instructions() {
  local f
  f=$(mktemp)
  valgrind --tool=callgrind --callgrind-out-file="$f" "$PROG" "$1" "$fichier" \
    >/dev/null 2>&1
  awk '/^summary:/ {print $2}' "$f"
  rm -f "$f"
}
vide=$(instructions vide)
complet=$(instructions complet)
awk -v a="$vide" -v c="$complet" -v f="$fichier" 'BEGIN {
  printf "%s\n  vide    %.0f instructions\n  complet %.0f instructions (x%.2f)\n", f, a, c, c / a }'
