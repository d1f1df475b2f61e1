#!/bin/bash
# Builds the Debian package of the three programs (Release build, without the
# tests) into build-paquet/, as tarsin_VERSION_ARCH.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/construire.sh build-paquet -DCMAKE_BUILD_TYPE=Release -DTARSIN_TESTS=OFF
cd build-paquet
cpack -G DEB
