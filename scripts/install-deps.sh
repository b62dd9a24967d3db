#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs; does nothing when all are present.
#   scripts/install-deps.sh          packages to build and run the player
#   scripts/install-deps.sh --test   plus what the tests and benchmarks need
set -euo pipefail

RUN_PKGS=(qt6-base-dev qt6-svg-dev libqt6opengl6-dev libmpv-dev libjack-jackd2-dev libgl-dev libx11-dev
          libxcb1-dev libxrandr-dev libxi-dev libpulse-dev pkg-config ffmpeg fonts-dejavu-core fonts-liberation2 locales
          qt6-translations-l10n libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libkissfft-dev cmake ninja-build g++ make dpkg-dev)
TEST_PKGS=(xvfb xauth x11-utils xdotool twm trayer playerctl dbus appstream xdg-utils desktop-file-utils libgtest-dev libbenchmark-dev hyperfine mpv clang libclang-rt-14-dev weston xwayland openbox espeak-ng)

pkgs=("${RUN_PKGS[@]}")
[ "${1:-}" = "--test" ] && pkgs+=("${TEST_PKGS[@]}")

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  # libjack-jackd2-dev is named on purpose: letting apt choose libjack-dev would remove
  # the JACK library that ffmpeg and mpv are linked against.
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi

# Users run the player under a Polish locale, which breaks unguarded number parsing;
# the tests run under it too.
if ! locale -a 2>/dev/null | grep -qi '^pl_PL\.utf-\?8$'; then
  echo "Generating the pl_PL.UTF-8 locale"
  $SUDO localedef -i pl_PL -f UTF-8 pl_PL.UTF-8
fi
