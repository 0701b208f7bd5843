#!/usr/bin/env bash
# Installs one of the suite's programs for the current user from a build folder: its menu entry (the
# desktop file beside it, pointed at the built program), its icon and, when asked, the image types it
# opens and the manual that Help opens. Each program's apps/NAME/install.sh calls this with what it has:
#   install_app.sh --name NAME --title TITLE [--manual] [--mime XML] [--owns-shared] -- [BUILD_DIR | --uninstall]
# --owns-shared: this program's --uninstall also removes the manual and the types, which the others share.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}
name="" title="" manual=0 mime="" owns_shared=0
while [ $# -gt 0 ]; do
  case $1 in
    --name) name=$2; shift 2 ;;
    --title) title=$2; shift 2 ;;
    --manual) manual=1; shift ;;
    --mime) mime=$2; shift 2 ;;
    --owns-shared) owns_shared=1; shift ;;
    --) shift; break ;;
    *) echo "install_app.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$name" ] || [ -z "$title" ]; then
  echo "install_app.sh: --name and --title are needed" >&2
  exit 2
fi
here="$root/apps/$name"
entry="$data/applications/$name.desktop"
icon="$data/icons/hicolor/scalable/apps/$name.svg"
# Help looks for the manual under Pictaro's name, whichever program asks.
manual_dir="$data/doc/pictaro/manual"

if [ "${1:-}" = "--uninstall" ]; then
  rm -f "$entry" "$icon"
  if [ "$owns_shared" = 1 ]; then
    [ "$manual" = 1 ] && rm -rf "$manual_dir"
    [ -n "$mime" ] && { xdg-mime uninstall --mode user --novendor "$mime" 2>/dev/null || true; }
  fi
  update-desktop-database "$data/applications" 2>/dev/null || true
  exit 0
fi

build=$(cd "${1:-$root/build}" && pwd)
program="$build/bin/$name"
[ -x "$program" ] || { echo "no $program: build the suite first (./run.sh)" >&2; exit 1; }

mkdir -p "$data/applications" "$(dirname "$icon")"
sed "s|^Exec=$name|Exec=\"$program\"|" "$here/$name.desktop" > "$entry"
cp "$here/$name.svg" "$icon"
if [ "$manual" = 1 ]; then
  rm -rf "$manual_dir"
  mkdir -p "$(dirname "$manual_dir")"
  cp -r "$root/manual" "$manual_dir"
fi
[ -z "$mime" ] || xdg-mime install --mode user --novendor "$mime"
update-desktop-database "$data/applications" 2>/dev/null || true
echo "$title installed: $entry"
