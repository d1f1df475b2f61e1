#!/bin/bash
# Peak memory of importing N insertions of one block of M lines: it must
# grow with N + M, not N x M (insertions refer to their block).
# For (N, M) = (5000, 5000), (20000, 5000) and (20000, 50), prints the peak
# RSS of our import (bench-import-memoire complet) and of dxflib alone (vide),
# and the bytes each insertion costs.
# Usage: bench/insertions.sh      (BUILD: build folder with the benchmarks,
# default build-bench beside this folder; TARSIN_BENCH_DIR: where the
# drawings are written, default /tmp)
set -euo pipefail
ICI="$(cd "$(dirname "$0")" && pwd)"
BUILD="${BUILD:-$ICI/../build-bench}"
PROG="$BUILD/bench/bench-import-memoire"
DOSSIER="${TARSIN_BENCH_DIR:-/tmp}"
if [ ! -x "$PROG" ]; then
  cmake -S "$ICI/.." -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DTARSIN_BENCH=ON -DTARSIN_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j2 --target bench-import-memoire >/dev/null
fi

# A drawing: block B of M lines, then N insertions of B on a grid.
generer() {
  local n=$1 m=$2 f="$DOSSIER/tarsin-insertions-$1x$2.dxf"
  [ -f "$f" ] || awk -v n="$n" -v m="$m" 'BEGIN {
    print "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n8\n0\n2\nB\n70\n0\n10\n0\n20\n0\n3\nB"
    for (i = 0; i < m; i++)
      printf "0\nLINE\n8\n0\n10\n%d\n20\n0\n11\n%d\n21\n10\n", i % 100, (i * 7) % 100
    print "0\nENDBLK\n8\n0\n0\nENDSEC\n0\nSECTION\n2\nENTITIES"
    for (i = 0; i < n; i++)
      printf "0\nINSERT\n8\n0\n2\nB\n10\n%d\n20\n%d\n41\n1\n42\n1\n50\n0\n", (i % 200) * 120, int(i / 200) * 20
    print "0\nENDSEC\n0\nEOF"
  }' > "$f"
  echo "$f"
}

pic() {  # peak RSS in KiB of one import
  /usr/bin/time -v "$PROG" "$1" "$2" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ {print $2}'
}

declare -A complet
for nm in "5000 5000" "20000 5000" "20000 50"; do
  set -- $nm
  f=$(generer "$1" "$2")
  c=$(pic complet "$f")
  v=$(pic vide "$f")
  complet["$1x$2"]=$c
  awk -v n="$1" -v m="$2" -v c="$c" -v v="$v" -v t="$(stat -c %s "$f")" 'BEGIN {
    printf "N=%6d M=%5d  fichier %7.2f Mo  notre import %7.1f Mio  dxflib seul %7.1f Mio\n",
      n, m, t / 1048576, c / 1024, v / 1024 }'
done
awk -v a="${complet[5000x5000]}" -v b="${complet[20000x5000]}" -v c="${complet[20000x50]}" 'BEGIN {
  printf "octets par insertion (20000 - 5000 insertions d un bloc de 5000 lignes) : %.0f\n", (b - a) * 1024 / 15000
  printf "pic(20000x5000) / pic(20000x50) = %.2f (le bloc compte une fois, pas 20000)\n", b / c
}'
