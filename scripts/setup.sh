#!/usr/bin/env bash
# Installs what the build, the tests and the oracles need, when it is missing (Debian 12).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  imagemagick graphicsmagick python3-pil python3-opencv
  libgif-dev giflib-tools
  libmagick++-6.q16-dev libgraphicsmagick++1-dev
  libjpeg62-turbo-dev libtiff-dev libpng-dev libdeflate-dev libisal-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libjpeg-turbo-progs libtiff-tools ffmpeg
  qt6-base-dev qt6-base-dev-tools libgl-dev libx11-dev libxext-dev
  xvfb xauth x11-utils xclip openbox dbus dbus-x11 xdg-utils desktop-file-utils shared-mime-info
  qt6-image-formats-plugins qt6-qpa-plugins fonts-dejavu-core adwaita-icon-theme
  libsane-dev libsane1 sane-utils
  libqt6printsupport6 zlib1g-dev poppler-utils cups-client
  gifsicle netpbm
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then sudo="sudo"; else
    echo "Missing packages and not root: install them with apt-get: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
