#!/usr/bin/env bash
# Installs Framora for the current user from a build folder: the program's menu entry and its icon, so that
# the desktop offers it for GIF animations and AVI videos under "Open With". Usage: apps/framora/install.sh
# [BUILD_DIR] (default: build). Undo with: apps/framora/install.sh --uninstall
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}

if [ "${1:-}" = "--uninstall" ]; then
  rm -f "$data/applications/framora.desktop" "$data/icons/hicolor/scalable/apps/framora.svg"
  update-desktop-database "$data/applications" 2>/dev/null || true
  exit 0
fi

build=$(cd "${1:-$root/build}" && pwd)
program="$build/bin/framora"
[ -x "$program" ] || { echo "no $program: build the suite first (./run.sh)" >&2; exit 1; }

mkdir -p "$data/applications" "$data/icons/hicolor/scalable/apps"
sed "s|^Exec=framora|Exec=\"$program\"|" "$here/framora.desktop" > "$data/applications/framora.desktop"
cp "$here/framora.svg" "$data/icons/hicolor/scalable/apps/framora.svg"
# Help opens the suite's manual; Pictaro's installer puts the same one there.
rm -rf "$data/doc/pictaro/manual"
mkdir -p "$data/doc/pictaro"
cp -r "$root/manual" "$data/doc/pictaro/manual"
# GIF and AVI are types every desktop knows; nothing of our own to register.
update-desktop-database "$data/applications" 2>/dev/null || true
echo "Framora installed: $data/applications/framora.desktop"
