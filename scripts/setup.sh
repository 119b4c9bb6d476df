#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Corvane
# needs. Installs nothing when all of them are present already.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config clang-format
  qt6-base-dev qt6-svg-dev qt6-qpa-plugins
  libx11-dev libxrandr-dev libx11-xcb-dev libxcb-randr0-dev libxcb-xinput-dev libssl-dev libarchive-dev libplist-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # run and test: a real X server with switchable modes, a tray host,
  # input and screenshots, a window that reports the clicks it gets (xev),
  # the Hangul font, desktop-entry validation, HTTPS, fault injection into
  # the replacement tool's system calls
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils x11-apps x11-utils
  trayer xdotool fonts-nanum desktop-file-utils nginx openssl procps strace
  # GNOME's compositor with its session bus, and python3-dbus for the
  # tests' own D-Bus peers (the desktop's display settings, a tray host)
  mutter dbus python3-dbus
  # benchmarks: bsdtar is the yardstick for unpacking
  libarchive-tools
  # fuzzing: clang with libFuzzer and the sanitizers' runtime
  clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#packages[@]} packages are installed"
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: run as root or install sudo" >&2; exit 1; }
  sudo=(sudo)
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
