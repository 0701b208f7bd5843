#!/usr/bin/env bash
# Installs Vexil for the current user from a build folder: the program's menu entry, its icon and the
# image types it opens, so that the desktop offers it under "Open With". The suite's image types (RLE, PCX,
# Targa) are one list, shared with Pictaro. Usage: apps/vexil/install.sh [BUILD_DIR] (default: build).
# Undo with: apps/vexil/install.sh --uninstall
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../../scripts/install_app.sh" --name vexil --title Vexil \
  --mime "$here/../pictaro/pictaro-mime.xml" -- "$@"
