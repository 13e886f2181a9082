#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, run and test Zephyn.
set -euo pipefail

packages=(
  build-essential cmake ninja-build git ccache
  qt6-base-dev qt6-base-dev-tools
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-wqy-microhei
  desktop-file-utils appstream zbar-tools
  qt6-translations-l10n
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
