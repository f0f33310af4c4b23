#!/usr/bin/env bash
# Installs every Debian package Sorvi needs to build, test and run its demo.
# Safe to run again; works as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl1-mesa-dev
  libhdf5-dev hdf5-tools
  libopenmpi-dev openmpi-bin
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-liberation fonts-dejavu-core
  xvfb xauth x11-apps netpbm
  lcov libxml2-utils
  # The installation check: the desktop-entry and AppStream validators and
  # the MIME database compiler (cpack and dpkg-deb come with cmake and dpkg).
  desktop-file-utils appstream-util shared-mime-info
)
# The export checks run the SARIF multitool through npm: Debian's nodejs and
# npm unless a Node.js with its npm is installed already.
if ! command -v npm >/dev/null 2>&1; then
  packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
else
  as_root=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
