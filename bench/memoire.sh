#!/bin/bash
# Peak memory of one import of a drawing in each mode, read by /usr/bin/time -v:
#   vide     dxflib with an empty adapter;
#   objets   the same plus one heap object per record (the floor);
#   complet  our import through lireDXF, trace written to a file;
#   direct   the same handler fed by dxflib straight from the file, without
#            lireDXF (the handler's share, apart from the reading guard's).
# Usage: bench/memoire.sh [FICHIER.dxf ...]   (default: the 1M-entity drawing)
# BUILD names the build directory (default build-bench beside this folder).
set -euo pipefail
ICI="$(cd "$(dirname "$0")" && pwd)"
BUILD="${BUILD:-$ICI/../build-bench}"
PROG="$BUILD/bench/bench-import-memoire"
GEN="$BUILD/bench/generer-dxf"
DOSSIER="${TARSIN_BENCH_DIR:-/tmp}"
for p in "$PROG" "$GEN" /usr/bin/time; do
  [ -x "$p" ] || { echo "absent : $p (lancer bench/run.sh, paquet time)" >&2; exit 1; }
done

fichiers=("$@")
if [ ${#fichiers[@]} -eq 0 ]; then
  # The benchmark's cached drawing, made if absent.
  fichiers=("$("$GEN" --cache 1000000 "$DOSSIER")")
fi

# Peak resident set size in KiB of one run.
pic() {
  local sortie
  sortie=$(/usr/bin/time -v "$PROG" "$1" "$2" 2>&1 >/dev/null) || {
    echo "$sortie" >&2
    return 1
  }
  echo "$sortie" | awk -F': ' '/Maximum resident set size/ {print $2}'
}

REPETITIONS="${REPETITIONS:-3}"
for f in "${fichiers[@]}"; do
  echo "$f ($(du -h "$f" | cut -f1))"
  declare -A med=()
  for mode in vide objets complet direct; do
    valeurs=()
    for ((i = 0; i < REPETITIONS; i++)); do valeurs+=("$(pic "$mode" "$f")"); done
    med[$mode]=$(printf '%s\n' "${valeurs[@]}" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}')
    awk -v m="$mode" -v k="${med[$mode]}" -v t="${valeurs[*]}" \
      'BEGIN {printf "  %-8s pic RSS %8.1f Mio   (Kio : %s)\n", m, k / 1024, t}'
  done
  awk -v c="${med[complet]}" -v o="${med[objets]}" -v d="${med[direct]}" 'BEGIN {
    r = c / o
    printf "  complet/objets = %.3f  (cible 1.3 : %s)\n", r, r <= 1.3 ? "tenue" : "MANQUEE"
    printf "  direct/objets  = %.3f\n", d / o
  }'
  unset med
done
