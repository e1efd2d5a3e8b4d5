#!/usr/bin/env bash
# Set-up-inclusive: installs what is missing, builds in Release, inverts the bundled
# single-stress example (30 faults, k = 4) with the supplied 60000-state grid, and renders
# the result as the viewer's stereonet picture.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
root=$(pwd)
cd build/bin
./qlmain --data "$root/examples/single_stress.fdt" --result "$root/build/single_stress.ql4" \
         --class 1 -k 4 --overwrite
if [ -x ./qlv4 ]; then
  ./qlv4 --export "$root/build/single_stress.ql4" "$root/build/single_stress.png"
  echo
  echo "Result file: build/single_stress.ql4"
  echo "Stereonet picture: build/single_stress.png (open it, or the result with build/bin/qlv4)"
else
  echo
  echo "Result file: build/single_stress.ql4"
fi
