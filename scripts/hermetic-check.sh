#!/usr/bin/env bash
# Proves that tests stay out of the developer's own desktop: plays a developer's session (a session
# bus that can activate the installed notification daemons, and a display they would show on), runs
# the bus and notification tests of a build directory from inside it, and fails if anything was
# activated on that bus or mapped on that display.
#
#   scripts/hermetic-check.sh <build-dir>
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/hermetic-check.sh <build-dir>}

for daemon in dunst xfce4-notifyd; do
  if ! find /usr/share/dbus-1/services -name '*.service' -exec grep -l "$daemon" {} + >/dev/null 2>&1; then
    echo "hermetic-check: $daemon is not installed as an activatable service; run scripts/setup.sh" >&2
    exit 1
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-hermetic-XXXXXX")
xvfb_pid=
bus_pid=
cleanup() {
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The developer's display.
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"

# The developer's session bus, with the machine's standard service directories.
dbus-daemon --session --fork --print-address=4 --print-pid=5 4> "$work/bus" 5> "$work/bus.pid"
bus_pid=$(cat "$work/bus.pid")
export DBUS_SESSION_BUS_ADDRESS=$(cat "$work/bus")

windows_before=$(xwininfo -root -children | grep -c '^ *0x' || true)
# The whole GNOME and Plasma sessions are left out: each takes minutes, and they run on buses and
# screens of their own as the other rigs do.
scripts/with-session.sh ctest --test-dir "$build" -R '[Bb]us|[Nn]otif|[Tt]ray' -E 'gnome_rig|plasma_rig' \
  --output-on-failure -j2 --timeout 900

names=$(dbus-send --session --dest=org.freedesktop.DBus --type=method_call --print-reply \
  /org/freedesktop/DBus org.freedesktop.DBus.ListNames | grep -o '"[^"]*"' | tr -d '"' | grep -v '^:' || true)
windows_after=$(xwininfo -root -children | grep -c '^ *0x' || true)

failed=0
if printf '%s\n' "$names" | grep -qx 'org.freedesktop.Notifications'; then
  echo "hermetic-check: a notification daemon was activated on the developer's bus" >&2
  failed=1
fi
if [ "$windows_after" != "$windows_before" ]; then
  echo "hermetic-check: windows appeared on the developer's display ($windows_before before, $windows_after after)" >&2
  xwininfo -root -children >&2
  failed=1
fi
[ "$failed" = 0 ] && echo "hermetic-check: nothing reached the developer's bus or display"
exit "$failed"
