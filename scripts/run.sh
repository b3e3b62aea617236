#!/usr/bin/env bash
# Installs what is missing, builds Movimetra and everything `cmake --install build` installs into
# build/, and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target movimetra-programs
exec ./build/Movimetra "$@"
