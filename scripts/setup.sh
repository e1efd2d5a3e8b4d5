#!/usr/bin/env bash
# Installs the Debian packages Quillon builds and tests with (needs root or sudo).
set -euo pipefail
packages=(
  build-essential cmake ninja-build
  libgtest-dev libgmock-dev
  libhwy-dev libcli11-dev libomp-dev
  qt6-base-dev qt6-charts-dev qt6-svg-dev libgl-dev
  libjpeg-dev fonts-liberation2 emf2svg
  fonts-ipafont-gothic poppler-utils
  clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
