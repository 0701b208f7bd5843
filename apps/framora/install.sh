#!/usr/bin/env bash
# Installs Framora for the current user from a build folder: the program's menu entry and its icon, so that
# the desktop offers it for GIF animations and AVI videos under "Open With", and the manual that Help opens
# (the one Pictaro's installer puts there too). GIF and AVI are types every desktop knows: nothing of our
# own to register. Usage: apps/framora/install.sh [BUILD_DIR] (default: build). Undo with:
# apps/framora/install.sh --uninstall
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../../scripts/install_app.sh" --name framora --title Framora --manual -- "$@"
