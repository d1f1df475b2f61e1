#!/bin/bash
# Builds the fuzz target with clang and runs it on one core for a bounded time.
# Usage: fuzz/lancer.sh [SECONDES (90)] [DOSSIER_DE_CONSTRUCTION (build-fuzz)] [OPTIONS...]
# Inputs that crash or hang are kept in DOSSIER/artefacts; copy them into
# tests/regressions once mended. The inputs it finds are kept in
# DOSSIER/nouveaux, so that a run carries on where the last one stopped.
# Further options go to libFuzzer (for instance -fork=1 -ignore_crashes=1 to
# go on past a crash).
set -euo pipefail
cd "$(dirname "$0")/.."
secondes=${1:-90}
dossier=${2:-build-fuzz}
bash scripts/dependances.sh
CC=clang CXX=clang++ cmake -S . -B "$dossier" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARSIN_FUZZ=ON -DTARSIN_TESTS=OFF >/dev/null
cmake --build "$dossier" -j 2 --target fuzz_lecture
shift $(($# < 2 ? $# : 2))
nouveaux="$dossier/nouveaux"
mkdir -p "$dossier/artefacts" "$nouveaux"
# Fontconfig keeps the fonts it has looked up until the process ends.
cat tests/lsan.supp fuzz/lsan.supp > "$dossier/lsan.supp"
export LSAN_OPTIONS="suppressions=$PWD/$dossier/lsan.supp:print_suppressions=0"
"$dossier/fuzz/fuzz_lecture" -max_total_time="$secondes" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$dossier/artefacts/" \
    -dict=fuzz/dxf.dict "$@" "$nouveaux" fuzz/corpus tests/regressions
