#!/usr/bin/env bash
# Sets everything up, builds the programs and runs the demonstration: tarnwick-helper driven through
# a realistic session by a stand-in for the main application, inside a private desktop session with
# a real xfce4-panel and dunst.
#
#   scripts/demo.sh --desktop gnome|kde|i3   the same story in GNOME Shell (Wayland, with the
#                                            AppIndicator extension), KDE Plasma (Wayland) or i3
#                                            with i3bar, each started headless
set -euo pipefail
cd "$(dirname "$0")/.."

desktop=
case "${1:-}" in
  --desktop) desktop=${2:?"usage: scripts/demo.sh [--desktop gnome|kde|i3]"} ;;
  --desktop=*) desktop=${1#--desktop=} ;;
  "") ;;
  *) echo "usage: scripts/demo.sh [--desktop gnome|kde|i3]" >&2; exit 2 ;;
esac
case "$desktop" in
  ""|gnome|kde|i3) ;;
  *) echo "demo: no desktop \"$desktop\" here: gnome, kde or i3" >&2; exit 2 ;;
esac

scripts/setup.sh
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTARNWICK_BENCHMARKS=OFF >/dev/null
cmake --build build/demo -j2
# Installed into a prefix, the helper knows itself as Tarnwick and talks to the notification server.
cmake --install build/demo --prefix build/demo/prefix >/dev/null

if [ -z "$desktop" ]; then
  # A virtual screen with a real desktop panel and notification server on it, so the tray item, the
  # popover and the banners are really drawn and their pictures can be kept.
  exec scripts/with-session.sh xvfb-run -a -s "-screen 0 1280x800x24" scripts/demo-session.sh \
    "$PWD/build/demo/prefix/bin/tarnwick-helper" "$PWD/build/demo"
fi

# The desktops themselves are started by the tests' rig tool, built with the test support.
cmake -S . -B build/demo-rig -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DTARNWICK_BENCHMARKS=OFF >/dev/null
cmake --build build/demo-rig -j2 --target tarnwick-desktop-rig
# The desktop's user runs the helper from the prefix.
chmod -R a+rX build/demo/prefix
exec env TARNWICK_DEMO_DESKTOP="$desktop" TARNWICK_DEMO_RIG="$PWD/build/demo-rig/testing/tarnwick-desktop-rig" \
  TARNWICK_DEMO_SHARE="$PWD/build/demo/prefix/share" \
  scripts/with-session.sh scripts/demo-session.sh "$PWD/build/demo/prefix/bin/tarnwick-helper" "$PWD/build/demo/$desktop"
