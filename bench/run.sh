#!/bin/bash
# Builds the benchmarks in build-bench (Release) and runs the import benchmark
# (time against the dxflib floors) and the peak-memory measure.
# Usage: bench/run.sh [options of Google Benchmark, e.g. --benchmark_filter=100k]
# Environment: JOBS (default 2), TARSIN_BENCH_DIR (cached drawings, default
# /tmp), REPETITIONS (peak-memory runs per mode, default 3), MEMOIRE=0 to skip
# the peak-memory measure.
set -euo pipefail
RACINE="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$RACINE/build-bench"
JOBS="${JOBS:-2}"

cmake -S "$RACINE" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DTARSIN_BENCH=ON -DTARSIN_TESTS=OFF \
  >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target generer-dxf bench_import bench-import-memoire

JOURNAL="$BUILD/bench_import.txt"
echo "== Temps d'import (vide = dxflib seul, objets = un objet par enregistrement, complet = notre import)"
"$BUILD/bench/bench_import" "$@" | tee "$JOURNAL"

if [ "${MEMOIRE:-1}" != 0 ]; then
  echo
  echo "== Pic de memoire"
  BUILD="$BUILD" "$RACINE/bench/memoire.sh" | tee -a "$JOURNAL"
fi
echo
echo "(sortie gardee dans $JOURNAL)"
