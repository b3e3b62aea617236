#!/usr/bin/env bash
# Installs what an arm64 (aarch64) cross build on an x86_64 Debian 12 needs, after what
# scripts/setup.sh installs: the arm64 architecture, the cross compiler, qemu-user registered with
# binfmt_misc (the arm64 packages' install scripts and the tests run arm64 programs), and the
# :arm64 libraries. Idempotent.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
apt_updated=0
install_missing() {
  local missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  if [ "$apt_updated" -eq 0 ]; then
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
    apt_updated=1
  fi
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
}

if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  $SUDO dpkg --add-architecture arm64
fi

if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
  $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
fi
install_missing crossbuild-essential-arm64 qemu-user qemu-user-binfmt binfmt-support
if [ ! -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ]; then
  $SUDO update-binfmts --enable qemu-aarch64 || $SUDO update-binfmts --import qemu-aarch64
fi
if [ ! -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ]; then
  echo "setup-arm64: qemu-aarch64 is not registered with binfmt_misc" >&2
  exit 1
fi

install_missing libc6:arm64 libstdc++6:arm64 \
  libsdl2-dev:arm64 libcairo2-dev:arm64 libpango1.0-dev:arm64 libsqlite3-dev:arm64 \
  libglib2.0-dev:arm64 libgtest-dev:arm64 libgmock-dev:arm64 libbenchmark-dev:arm64
