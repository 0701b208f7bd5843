#!/usr/bin/env bash
# Installs Pictaro for the current user from a build folder: the program's menu entry, its icon, the
# image types it opens (so that the desktop offers it under "Open With") and the manual that Help opens.
# Usage: apps/pictaro/install.sh [BUILD_DIR] (default: build). Undo with: apps/pictaro/install.sh --uninstall
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../../scripts/install_app.sh" --name pictaro --title Pictaro --manual \
  --mime "$here/pictaro-mime.xml" --owns-shared -- "$@"
