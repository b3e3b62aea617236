#!/usr/bin/env bash
# Builds Movimetra for arm64 (the phones' processor) on an x86_64 Debian 12 and runs every test
# under qemu: installs what is missing (scripts/setup-arm64.sh), cross-builds into build-arm64/
# with warnings as errors, then ctest. Idempotent. BUILD_DIR names another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build-arm64}"

bash scripts/setup-arm64.sh

start=$(date +%s)
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/aarch64-linux-gnu.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMV_WERROR=ON
cmake --build "$build_dir" -j"$(nproc)"
built=$(date +%s)
(cd "$build_dir" && ctest --output-on-failure -j"$(nproc)")
echo "test-arm64: build $((built - start)) s, tests $(($(date +%s) - built)) s"
