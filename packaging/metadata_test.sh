#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo as a software centre and a phone shell read them:
# both validators clean (pedantic), the phone form factor, what the program needs of a screen,
# and every installed binary listed.
# usage: metadata_test.sh DESKTOP_FILE METAINFO_FILE
set -uo pipefail
desktop=$1
metainfo=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx 'X-Purism-FormFactor=Workstation;Mobile;' "$desktop" || fail "no phone form factor"

out=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) || fail "appstreamcli: $out"
echo "$out"
# The application ID keeps its capitals (it names the desktop entry, the icon and the window
# class), so that one pedantic note stays.
notes=$(echo "$out" | grep -E '^[EWIP]: ' | grep -v ' cid-contains-uppercase-letter ')
[ -z "$notes" ] || fail "appstreamcli notes: $notes"

has() { grep -q -- "$1" "$metainfo" || fail "metainfo lacks $1"; }
has '<display_length compare="ge">360</display_length>'
has '<content_rating type="oars-1.1"'
for binary in movimetra movimetra-data movimetra-stepcount; do has "<binary>$binary</binary>"; done
xmlget() { python3 -c 'import sys, xml.etree.ElementTree as E
r = E.parse(sys.argv[1]).getroot()
print(" ".join(c.text for c in r.findall(sys.argv[2])))' "$metainfo" "$1"; }
[ "$(xmlget recommends/control)" = "touch" ] || fail "touch is not recommended"
[ "$(xmlget supports/control)" = "keyboard pointing" ] || fail "keyboard and pointing are not supported"
echo "desktop entry and metainfo: clean"
