#!/bin/bash
# Builds the viewer and opens the bundled sample drawing in it. The viewer
# runs in samples/, where it finds its icon and writes its log, tarsin.log.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/construire.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARSIN_TESTS=OFF
cd samples
exec ../build/tarsin site.dxf
