#!/bin/bash
# Builds everything under AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test (the window tests under Xvfb); then builds the core under
# ThreadSanitizer and runs the tests of the painting, reading and export
# threads there.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/construire.sh build-tests -DCMAKE_BUILD_TYPE=Debug -DTARSIN_SANITIZE=ON
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
(cd build-tests && xvfb-run -a -s "-screen 0 1600x1200x24" ctest --output-on-failure -j 2)

# The painters' threads (bands of rows, the window's painting thread), the
# reading and export threads, under
# ThreadSanitizer: the core and its tests only, no toolkit.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARSIN_SANITIZE_THREAD=ON >/dev/null
cmake --build build-tsan -j "$(nproc)" --target tests_core tarsin-render
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 report_mutex_bugs=0 suppressions=$PWD/../tests/tsan.supp" \
  ctest --output-on-failure -j 2 -R 'PeintureDeFond|ExportationDeFond|Peintre|Parcours|References|Lecture')
