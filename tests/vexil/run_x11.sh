#!/usr/bin/env bash
# Runs a test program on a virtual X server of its own with a real window manager (so window frames and
# WM_STATE are real) and a private session bus. Exit status 77 (skipped) when a tool is missing.
set -u
program=$1
shift
for tool in Xvfb openbox dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
unset WAYLAND_DISPLAY XDG_SESSION_TYPE
exec 3< <(Xvfb -displayfd 4 -screen 0 800x600x24 -br -nolisten tcp 4>&1 2>/dev/null & echo "pid $!")
read -r _ xvfb <&3
read -r number <&3 || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$number
home=$(mktemp -d)
cleanup() { kill "$wm" "$xvfb" 2>/dev/null; rm -rf "$home"; }
trap cleanup EXIT
HOME=$home openbox >/dev/null 2>&1 &
wm=$!
# The manager has taken the screen once it has set its check window on the root.
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
HOME=$home XDG_CONFIG_HOME=$home/config QT_QPA_PLATFORM=xcb dbus-run-session -- "$program" "$@"
