#!/usr/bin/env bash
# Installs Vexil for the current user from a build folder: the program's menu entry, its icon and the
# image types it opens, so that the desktop offers it under "Open With". Usage: apps/vexil/install.sh
# [BUILD_DIR] (default: build). Undo with: apps/vexil/install.sh --uninstall
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}

if [ "${1:-}" = "--uninstall" ]; then
  rm -f "$data/applications/vexil.desktop" "$data/icons/hicolor/scalable/apps/vexil.svg"
  update-desktop-database "$data/applications" 2>/dev/null || true
  exit 0
fi

build=$(cd "${1:-$root/build}" && pwd)
program="$build/bin/vexil"
[ -x "$program" ] || { echo "no $program: build the suite first (./run.sh)" >&2; exit 1; }

mkdir -p "$data/applications" "$data/icons/hicolor/scalable/apps"
sed "s|^Exec=vexil|Exec=\"$program\"|" "$here/vexil.desktop" > "$data/applications/vexil.desktop"
cp "$here/vexil.svg" "$data/icons/hicolor/scalable/apps/vexil.svg"
# The suite's image types (RLE, PCX, Targa) are one list, shared with Pictaro.
xdg-mime install --mode user --novendor "$root/apps/pictaro/pictaro-mime.xml"
update-desktop-database "$data/applications" 2>/dev/null || true
echo "Vexil installed: $data/applications/vexil.desktop"
