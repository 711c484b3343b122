#!/usr/bin/env bash
# Installs what building, running and testing NUVIR needs on Debian 12 (run as root,
# or with sudo available). Skips what is already there.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev libboost-dev libeigen3-dev
          libgtest-dev libgmock-dev libbenchmark-dev libxcb1-dev xvfb xauth locales
          openbox fluxbox icewm wmctrl xdotool x11-utils imagemagick python3-tk
          libreoffice-writer-nogui poppler-utils clang-tidy clang-format)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

if [ ${#missing[@]} -gt 0 ]; then
  as_root apt-get update
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The tests check that data text ignores a comma-decimal locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi
