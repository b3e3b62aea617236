#!/bin/sh
# Shoots every screen of screen_set.txt with a built program: run_screen_set.sh BUILD_DIR OUT_DIR
# (MOVIMETRA_SCALE in the environment chooses the headless display's scale).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$build/Movimetra" "$build/CalendarPicker.so" "$dir/"
cp -r "$build/img" "$dir/"
sqlite3 "$dir/Movimetra.db" < "$here/history_rows.sql"
sed "s|@OUT@|$out|g" "$here/screen_set.txt" > "$dir/script.txt"
TZ=UTC MOVIMETRA_DISPLAY=headless MOVIMETRA_CLOCK=manual MOVIMETRA_CLOCK_START="2024-03-14 10:00:00" \
  MOVIMETRA_SENSOR="replay:$here/../data/walk_1_8hz.rec" MOVIMETRA_SCRIPT="$dir/script.txt" \
  MOVIMETRA_INSTANCE="screen-set-$$" "$dir/Movimetra"
