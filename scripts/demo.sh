#!/usr/bin/env bash
# Sets everything up, builds the programs and runs the demonstration: tarnwick-helper driven through
# a realistic session by a stand-in for the main application, inside a private desktop session with
# a real xfce4-panel and dunst.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTARNWICK_BENCHMARKS=OFF >/dev/null
cmake --build build/demo -j2
# Installed into a prefix, the helper knows itself as Tarnwick and talks to the notification server.
cmake --install build/demo --prefix build/demo/prefix >/dev/null
# A virtual screen with a real desktop panel and notification server on it, so the tray item, the
# popover and the banners are really drawn and their pictures can be kept.
exec scripts/with-session.sh xvfb-run -a -s "-screen 0 1280x800x24" scripts/demo-session.sh \
  build/demo/prefix/bin/tarnwick-helper "$PWD/build/demo"
