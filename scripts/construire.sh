#!/bin/bash
# Configures and builds into a build folder.
# Usage: scripts/construire.sh DOSSIER [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependances.sh
dossier=$1; shift
cmake -S . -B "$dossier" "$@" >/dev/null
cmake --build "$dossier" -j "$(nproc)"
