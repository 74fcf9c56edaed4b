#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Quillo builds, tests and benchmarks with.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libjpeg-dev libjpeg-turbo-progs libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
  xvfb xauth x11-apps x11-utils openbox xdotool imagemagick python3 fonts-wine
  desktop-file-utils appstream man-db groff-base bsdextrautils
  xclip python3-pil ccache
  libturbojpeg0-dev libexiv2-dev liblcms2-dev libheif-dev libavif-dev qt6-image-formats-plugins
  webp netpbm libheif-examples exiv2
  feh
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "Quillo needs these Debian packages; install them as root and run this again:" >&2
  echo "  apt-get install -y ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}"
