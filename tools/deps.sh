#!/usr/bin/env bash
# Installs the Debian 12 packages the suite needs to build, test and run. Runs as root or
# through sudo; does nothing when everything is already installed.
set -euo pipefail

packages=(
    build-essential cmake pkg-config git
    qt6-base-dev libgl1-mesa-dev
    libopencc-dev opencc
    libxml2-dev libcurl4-openssl-dev libzip-dev libsqlite3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-noto-cjk fonts-dejavu-core
    xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
