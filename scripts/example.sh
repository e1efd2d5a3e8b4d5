#!/usr/bin/env bash
# Set-up-inclusive: installs what is missing, builds in Release and runs the engine on
# the bundled example with the supplied grid.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
echo "The example run is not wired yet."
