#!/usr/bin/env bash
# Installs the Debian packages Vorlan builds and tests with. Safe to run again:
# when everything is present it changes nothing and asks no registry.
set -euo pipefail

packages=(
  g++ cmake ninja-build make python3 pkgconf
  libpng-dev libjpeg-dev zlib1g-dev
  libpango1.0-dev libcairo2-dev fontconfig fonts-liberation
  libavformat-dev libavcodec-dev libavutil-dev
  libgtest-dev libbenchmark-dev
  ffmpeg imagemagick pngcheck
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
