#!/usr/bin/env bash
# Installs the Debian 12 packages the bench needs, when any is missing.
set -euo pipefail
PACKAGES=(build-essential cmake qt6-base-dev libqcustomplot-dev libqcustomplot2.1-qt6
          libgl-dev libgtest-dev libbenchmark-dev libfftw3-dev
          clang libclang-rt-14-dev xvfb xauth
          libsndfile1-dev python3-numpy python3-soundfile locales
          python3-pyvisa python3-pyvisa-py
          libsigrok-dev sigrok-firmware-fx2lafw libsigrokdecode-dev sigrok-cli
          qt6-multimedia-dev qt6-svg-dev pulseaudio librsvg2-bin pkg-config)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The CSV tests write numbers under German and French locales.
for loc in de_DE fr_FR; do
  locale -a 2>/dev/null | grep -qix "$loc\.utf-\?8" || $SUDO localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
done
