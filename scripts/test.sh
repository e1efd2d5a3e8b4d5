#!/usr/bin/env bash
# Set-up-inclusive: installs what is missing, builds in Release and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release
