#!/usr/bin/env bash
# Installs what is missing, builds everything into build/ (warnings are errors) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMV_WERROR=ON
cmake --build build
cd build
ctest --output-on-failure -j"$(nproc)"
