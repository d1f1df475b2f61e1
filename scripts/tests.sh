#!/bin/bash
# Builds everything under AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test (the window tests under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/construire.sh build-tests -DCMAKE_BUILD_TYPE=Debug -DTARSIN_SANITIZE=ON
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
cd build-tests
xvfb-run -a -s "-screen 0 1600x1200x24" ctest --output-on-failure -j 2
