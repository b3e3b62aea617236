#!/usr/bin/env bash
# Installs whatever is missing to build, run, test and package Movimetra on Debian 12. Idempotent.
# (The arm64 cross build adds its own: scripts/setup-arm64.sh.)
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  libsdl2-dev libcairo2-dev libpango1.0-dev libsqlite3-dev sqlite3
  libgtest-dev libgmock-dev libbenchmark-dev
  libglib2.0-dev fonts-nanum xvfb xauth
  desktop-file-utils appstream
  dbus python3-dbusmock xdotool
  clang-format-14
  weston xwayland imagemagick
  debhelper dpkg-dev lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi
