#!/usr/bin/env bash
# Installs the Debian packages Vorlan builds and tests with. Safe to run again:
# when everything is present it changes nothing and asks no registry.
#   install-deps.sh        what the Release and sanitizer builds need
#   install-deps.sh fuzz   what the fuzz targets' build needs: clang and its
#                          libFuzzer and sanitizer runtimes
set -euo pipefail

packages=(
  g++ cmake ninja-build make python3 pkg-config
  libpng-dev libjpeg-dev zlib1g-dev
  libpango1.0-dev libcairo2-dev fontconfig fonts-liberation
  libavformat-dev libavcodec-dev libavutil-dev
  libgtest-dev libbenchmark-dev
  ffmpeg imagemagick pngcheck
)
if [ "${1:-}" = fuzz ]; then
  packages=(clang libclang-rt-dev g++ cmake ninja-build libpng-dev libjpeg-dev zlib1g-dev)
fi

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
