#!/usr/bin/env bash
# Installs Pictaro for the current user from a build folder: the program's menu entry, its icon, the
# image types it opens (so that the desktop offers it under "Open With") and the manual that Help opens. Usage: apps/pictaro/install.sh
# [BUILD_DIR] (default: build). Undo with: apps/pictaro/install.sh --uninstall
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}

if [ "${1:-}" = "--uninstall" ]; then
  rm -f "$data/applications/pictaro.desktop" "$data/icons/hicolor/scalable/apps/pictaro.svg"
  rm -rf "$data/doc/pictaro/manual"
  xdg-mime uninstall --mode user --novendor "$here/pictaro-mime.xml" 2>/dev/null || true
  update-desktop-database "$data/applications" 2>/dev/null || true
  exit 0
fi

build=$(cd "${1:-$root/build}" && pwd)
program="$build/bin/pictaro"
[ -x "$program" ] || { echo "no $program: build the suite first (./run.sh)" >&2; exit 1; }

mkdir -p "$data/applications" "$data/icons/hicolor/scalable/apps"
sed "s|^Exec=pictaro|Exec=\"$program\"|" "$here/pictaro.desktop" > "$data/applications/pictaro.desktop"
cp "$here/pictaro.svg" "$data/icons/hicolor/scalable/apps/pictaro.svg"
rm -rf "$data/doc/pictaro/manual"
mkdir -p "$data/doc/pictaro"
cp -r "$root/manual" "$data/doc/pictaro/manual"
xdg-mime install --mode user --novendor "$here/pictaro-mime.xml"
update-desktop-database "$data/applications" 2>/dev/null || true
echo "Pictaro installed: $data/applications/pictaro.desktop"
