#!/bin/bash
# Builds the viewer and opens the bundled sample drawing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/construire.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARSIN_TESTS=OFF
cd samples
exec ../build/tarsin-plan site.dxf
