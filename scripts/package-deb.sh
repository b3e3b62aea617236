#!/usr/bin/env bash
# Builds the Debian package of what `cmake --install` installs, for amd64 or arm64 (cross-built
# on an x86_64 host), without tests or benchmarks, checks it with lintian and prints the path of
# the .deb as its last line:
#   bash scripts/package-deb.sh amd64|arm64
# The package's build folder is build-deb-ARCH/ (started afresh each time).
set -euo pipefail
cd "$(dirname "$0")/.."
arch="${1:-}"
case "$arch" in
  amd64 | arm64) ;;
  *)
    echo "usage: scripts/package-deb.sh amd64|arm64" >&2
    exit 2
    ;;
esac

# setup.sh brings debhelper and lintian; setup-arm64.sh runs it first.
if [ "$arch" = arm64 ] && [ "$(dpkg --print-architecture)" != arm64 ]; then
  bash scripts/setup-arm64.sh
else
  bash scripts/setup.sh
fi
version=$(sed -n 's/^project(Movimetra VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out="$PWD/build-deb-$arch"
src="$out/movimetra-$version"
rm -rf "$out"
mkdir -p "$src"

# The sources as the repository has them (tracked and new files, nothing ignored), the package's
# own files beside them.
git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$src"
cp -r packaging/debian "$src/debian"
cp LICENSE "$src/debian/copyright"
when=$(git log -1 --format=%cD 2>/dev/null || date -R)
cat > "$src/debian/changelog" <<CHANGELOG
movimetra ($version) unstable; urgency=medium

  * Movimetra $version.

 -- The Movimetra developers <developers@movimetra.org>  $when
CHANGELOG

# -d: the cross build's tools and :arm64 libraries are the setup scripts' (dpkg cannot see that
# the host's cmake and pkg-config serve the arm64 build).
(cd "$src" && DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}" dpkg-buildpackage -b -d --no-sign -a"$arch") >&2

deb="$out/movimetra_${version}_$arch.deb"
lintian --fail-on error,warning "$deb" >&2
echo "$deb"
