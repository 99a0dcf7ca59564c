#!/usr/bin/env bash
# Runs a command inside a private desktop session: its own D-Bus session bus (no service
# activation of anything installed on the machine), an unlocked Secret Service (gnome-keyring) on
# that bus, a throwaway home with fresh XDG directories, and no display, so tests and demos never
# touch the user's own bus, keyring, settings, files or screen. Whatever needs a display starts its
# own virtual one.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${TARNWICK_PRIVATE_SESSION:-}" ]; then
  exec dbus-run-session --config-file="$here/session-bus.conf" -- \
    env TARNWICK_PRIVATE_SESSION=1 "$0" "$@"
fi

unset DISPLAY WAYLAND_DISPLAY XAUTHORITY

session=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-session-XXXXXX")
cleanup() {
  [ -n "${GNOME_KEYRING_PID:-}" ] && kill "$GNOME_KEYRING_PID" 2>/dev/null || true
  rm -rf "$session"
}
trap cleanup EXIT

export HOME="$session/home"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$session/run"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# The daemon forks and prints the variables that locate it; the password creates and unlocks a fresh
# login keyring that lives in the throwaway home.
if command -v gnome-keyring-daemon >/dev/null; then
  eval "$(printf 'tarnwick-session' | gnome-keyring-daemon --unlock --components=secrets 2>/dev/null)" || true
  export GNOME_KEYRING_CONTROL GNOME_KEYRING_PID 2>/dev/null || true
fi

"$@"
