#!/usr/bin/env bash
# The README's first steps: what `scripts/run.sh` builds is all that `cmake --install build`
# installs. Every file the install copies from the build tree must come out of run.sh's build
# command (checked on the build graph, so no second build is needed), and the install then runs.
# usage: run_script_install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

command=$(grep -E '^cmake --build build' "$src/scripts/run.sh") || fail "run.sh builds nothing"
targets=$(echo "$command" | sed -n 's/.*--target //p')
[ -n "$targets" ] || { echo "run.sh builds everything"; targets=all; }
echo "run.sh builds: $targets"
# Every node of the build graph under those targets (order-only dependencies included).
# shellcheck disable=SC2086
built=$(ninja -C "$build" -t graph $targets | grep -o 'label="[^"]*"' | sed 's/^label="//; s/"$//' | sort -u)

# What the install copies from the build tree (files and folders).
sources=$(grep -rhoE 'FILES "[^"]*"' --include=cmake_install.cmake "$build" | sed 's/^FILES "//; s/"$//' |
          grep "^$build/" | sed "s|^$build/||; s|/$||" | sort -u)
[ -n "$sources" ] || fail "no install rules found"
missing=""
for path in $sources; do
    if [ -d "$build/$path" ]; then
        # A folder drawn at build time: its stamp (in it or beside it) is the build output.
        output=$(cd "$build" && find "$path" "$(dirname "$path")" -maxdepth 1 -name '.*stamp' | head -1)
        [ -n "$output" ] || continue
    else
        output=$path
    fi
    # Files written when cmake configures are not build outputs.
    ninja -C "$build" -t query "$output" 2>/dev/null | grep -q '^  input:' || continue
    echo "$built" | grep -qxF "$output" || missing="$missing $output"
done
[ -z "$missing" ] || fail "installed but not built by run.sh:$missing"

prefix=$(mktemp -d /tmp/mv_runinstall_XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
for file in bin/movimetra bin/movimetra-data bin/movimetra-stepcount lib/movimetra/CalendarPicker.so; do
    [ -f "$prefix/$file" ] || fail "$file was not installed"
done
echo "run.sh's build covers the install"
