#!/usr/bin/env bash
# Installs, with apt-get, every Debian package that building, running and testing KELVOview needs.
# Only what is missing is installed, so running it again is cheap.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libopenscenegraph-dev openscenegraph
  libtinyxml2-dev
  libfftw3-dev
  libzip-dev zip
  libassimp-dev assimp-testmodels
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0 mesa-utils
  libx11-dev
  xvfb xauth xdotool x11-utils x11-xserver-utils openbox
  fonts-liberation libfreetype-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  imagemagick
  python3
)
# Extra packages named on the command line (the fuzz build's compiler, for one) come along.
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
