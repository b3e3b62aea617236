#!/usr/bin/env bash
# A staged install (DESTDIR) used as a user would: the installed program runs from a read-only
# prefix with a fresh HOME, keeps its database under $XDG_DATA_HOME/movimetra (0700), shows the
# same screens as the build (images and date picker found in the install), the data tool finds
# the same database, and the desktop entry and metainfo pass their validators.
# usage: install_test.sh BUILD_DIR APP_ID
set -euo pipefail
build=$(cd "$1" && pwd)
appid=$2
work=$(mktemp -d /tmp/mv_install_XXXXXX)
trap 'chmod -R u+w "$work"; [ -n "${MV_KEEP_INSTALL_TEST:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >"$work/install.log"
root=$stage/usr

echo "== installed files"
(cd "$stage" && find . -type f | grep -v '/share/movimetra/img/' | sort) | tee "$work/files.txt"
expected="./usr/bin/movimetra
./usr/bin/movimetra-data
./usr/bin/movimetra-stepcount
./usr/lib/movimetra/CalendarPicker.so
./usr/share/applications/$appid.desktop
./usr/share/dbus-1/interfaces/$appid.Pedometer1.xml
./usr/share/doc/movimetra/LICENSE
./usr/share/doc/movimetra/README.md
./usr/share/icons/hicolor/128x128/apps/$appid.png
./usr/share/icons/hicolor/256x256/apps/$appid.png
./usr/share/icons/hicolor/48x48/apps/$appid.png
./usr/share/icons/hicolor/scalable/apps/$appid.svg
./usr/share/metainfo/$appid.metainfo.xml"
[ "$(cat "$work/files.txt")" = "$expected" ] || fail "the installed files differ from the expected list"
diff <(cd "$build/img" && ls) <(cd "$root/share/movimetra/img" && ls) || fail "the installed images differ"
echo "   + $(ls "$root/share/movimetra/img" | wc -l) images in usr/share/movimetra/img"

echo "== validators"
desktop-file-validate "$root/share/applications/$appid.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/share/metainfo/$appid.metainfo.xml" || fail "appstreamcli validate"
/usr/bin/python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' \
    "$root/share/dbus-1/interfaces/$appid.Pedometer1.xml" || fail "the bus interface is not well-formed XML"

# The prefix is read-only from here on; as root (CI) writes would still succeed, so the stage's
# listing is compared afterwards as well.
chmod -R a-w "$stage"
(cd "$stage" && find . | sort) >"$work/stage-before.txt"

shots=$work/shots
mkdir -p "$shots/installed" "$shots/copied"
script() {
    cat <<SCRIPT
wait 500
shot $1/first.png
tap 436 26
wait 500
shot $1/main.png
tap 400 692
wait 500
shot $1/history.png
tap 240 175
wait 500
shot $1/picker.png
quit
SCRIPT
}
run() {  # run PROGRAM HOME SCRIPT [NAME=VALUE...]
    local program=$1 home=$2 scriptfile=$3
    shift 3
    env -u XDG_DATA_HOME -u MOVIMETRA_DATA_DIR -u MOVIMETRA_INSTANCE HOME="$home" MOVIMETRA_SCRIPT="$scriptfile" \
        MOVIMETRA_DISPLAY=headless MOVIMETRA_CLOCK=manual MOVIMETRA_CLOCK_START="2024-03-05 10:00:00" \
        MOVIMETRA_SENSOR=none "$@" "$program" </dev/null
}

echo "== the installed program, HOME=$work/home"
mkdir -p "$work/home"
script "$shots/installed" >"$work/installed.txt"
run "$root/bin/movimetra" "$work/home" "$work/installed.txt" || fail "the installed program failed"
data=$work/home/.local/share/movimetra-history
[ -f "$data/Movimetra.db" ] || fail "no database under \$HOME/.local/share/movimetra-history"
[ "$(stat -c %a "$data")" = 700 ] || fail "data folder mode $(stat -c %a "$data"), expected 700"
echo "   database: ${data#$work/}/Movimetra.db, folder mode $(stat -c %a "$data")"

echo "== the same screens from a copied program folder"
copy=$work/copy
mkdir -p "$copy"
cp "$build/Movimetra" "$build/CalendarPicker.so" "$copy/"
cp -r "$build/img" "$copy/"
script "$shots/copied" >"$work/copied.txt"
run "$copy/Movimetra" "$work/home-copy" "$work/copied.txt" || fail "the copied program failed"
[ -f "$copy/Movimetra.db" ] || fail "the copied program did not keep its database beside itself"
[ ! -e "$work/home-copy" ] || fail "the copied program wrote into HOME"
for shot in first main history picker; do
    cmp -s "$shots/installed/$shot.png" "$shots/copied/$shot.png" || fail "$shot.png differs between install and copy"
done
cmp -s "$shots/installed/history.png" "$shots/installed/picker.png" && fail "the date picker did not open"
echo "   first, main, history and picker screens identical"

echo "== XDG_DATA_HOME and MOVIMETRA_DATA_DIR"
printf 'wait 200\nquit\n' >"$work/quit.txt"
run "$root/bin/movimetra" "$work/home" "$work/quit.txt" XDG_DATA_HOME="$work/xdg"
[ -f "$work/xdg/movimetra-history/Movimetra.db" ] || fail "XDG_DATA_HOME not followed"
run "$root/bin/movimetra" "$work/home" "$work/quit.txt" MOVIMETRA_DATA_DIR="$work/named"
[ -f "$work/named/Movimetra.db" ] || fail "MOVIMETRA_DATA_DIR not followed"

echo "== a walk, then the installed data tool on the same database"
printf 'wait 500\ntap 80 692\nwait 12000\ntap 80 692\nwait 500\nquit\n' >"$work/walk.txt"
run "$root/bin/movimetra" "$work/home" "$work/walk.txt" MOVIMETRA_SENSOR=walk || fail "the walk failed"
HOME=$work/home "$root/bin/movimetra-data" export >"$work/export.csv" || fail "export failed"
cat "$work/export.csv"
[ "$(wc -l <"$work/export.csv")" -ge 2 ] || fail "the export holds no row"
grep -q '^2024-03-05,' "$work/export.csv" || fail "the walk is not in the export"
HOME=$work/home "$root/bin/movimetra-data" backup "$work/backup.db" || fail "backup failed"
HOME=$work/home "$root/bin/movimetra-data" restore "$work/backup.db" || fail "restore failed"

(cd "$stage" && find . | sort) >"$work/stage-after.txt"
diff "$work/stage-before.txt" "$work/stage-after.txt" || fail "something was written into the prefix"
echo "PASS"
