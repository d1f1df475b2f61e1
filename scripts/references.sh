#!/bin/bash
# Paints the reference pictures of tests/references with tarsin-render: all
# of them, or those named (without extension). Look at every new picture
# before committing it.
# Usage: scripts/references.sh [NOM...]     (BUILD: the build folder, default build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${BUILD:-build}"
cmake --build "$BUILD" --target tarsin-render -j2 >/dev/null
noms=("$@")
if [ ${#noms[@]} -eq 0 ]; then
  for f in tests/references/*.dxf; do noms+=("$(basename "$f" .dxf)"); done
fi
for nom in "${noms[@]}"; do
  args=()
  [ -f "tests/references/$nom.args" ] && read -r -a args < "tests/references/$nom.args"
  "$BUILD/tarsin-render" "tests/references/$nom.dxf" "tests/references/$nom.png" \
    --quiet --size 240x240 "${args[@]}"
  echo "tests/references/$nom.png"
done
