#!/bin/bash
# Installs the Debian packages that the build, the programs and the tests need,
# when any of them is missing (poppler-utils: PDF outputs read back as
# pictures by the tests). Run as root on Debian 12. The last row is for
# the package and the installation tests: dpkg-shlibdeps (CPack's dependency
# list), desktop-file-validate, update-mime-database, groff (manual pages).
# matchbox-window-manager: a window test runs the viewer under a window manager.
set -euo pipefail
PAQUETS=(
  build-essential cmake pkg-config clang-format
  libdxflib-dev libagg-dev libgtkmm-2.4-dev libcairomm-1.0-dev libgdk-pixbuf-2.0-dev
  libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils imagemagick locales-all fonts-dejavu-core poppler-utils
  matchbox-window-manager
  time
  dpkg-dev desktop-file-utils shared-mime-info groff-base
)
manquants=()
for p in "${PAQUETS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || manquants+=("$p")
done
if [ ${#manquants[@]} -gt 0 ]; then
  echo "Installation de : ${manquants[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${manquants[@]}" >/dev/null
fi
