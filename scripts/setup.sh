#!/usr/bin/env bash
# Installs every system package Tarnwick needs to build, test and run on Debian 12.
# Idempotent: packages already present are left alone. Uses sudo only when not root.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake pkg-config ccache git
  # Qt 6: Core, Gui, Widgets, DBus, Svg; the offscreen/xcb platform plugins; moc and friends
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins libqt6svg6
  # libraries
  nlohmann-json3-dev libssl-dev libsecret-1-dev libglib2.0-dev libglib2.0-bin
  # tests and benchmarks (notify-send is the baseline of the notification benchmark)
  libgtest-dev libgmock-dev libbenchmark-dev libnotify-bin
  # desktop services the tests run for real: session bus, Secret Service, X server for screenshots
  dbus dbus-bin dbus-daemon gnome-keyring libsecret-tools xvfb xauth
  desktop-file-utils shared-mime-info
  # a developer's desktop, to prove the tests stay out of it: activatable notification daemons and
  # the X tools that inspect a display
  dunst xfce4-notifyd x11-utils
  # the install refreshes the icon cache of its prefix (update-desktop-database is in desktop-file-utils)
  gtk-update-icon-cache
  # fonts and icons so rendered views have glyphs and symbols
  fonts-dejavu-core adwaita-icon-theme hicolor-icon-theme
  # Breeze too: the preference tabs' symbols are checked against both icon themes
  breeze-icon-theme
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
  # the addon is built against Node's own headers and tested with node --test; tsc checks the
  # addon's and the helper client's shipped type declarations
  nodejs node-typescript
  # the native toolbar inside a foreign X11 host window (XInput2 raw events) and the addon's file
  # drop (an XDND source over plain xcb), each tested end to end against a real Chromium window on
  # the test's own Xvfb: xdotool drives it, xwininfo/xprop inspect it, import takes screenshots,
  # xclip reads the clipboard
  libxcb1-dev libxcb-xinput-dev chromium xdotool x11-utils imagemagick xclip
  # the Debian package: built by CPack, its dependencies computed by dpkg-shlibdeps, checked by lintian
  dpkg-dev lintian
  # case-folding tests run under Turkish casing rules (tr_TR.UTF-8 is generated below)
  locales
  # real tray hosts and a real notification server for the tray and demo tests: xfce4-panel on Xvfb,
  # waybar on a headless sway (run as an unprivileged user the test creates), dunst; xdotool clicks
  # through the host, wl-clipboard sets the clipboard on Wayland, imagemagick takes the screenshots
  xfce4-panel sway waybar wl-clipboard util-linux
  # on sway: grim takes the screenshots, libwayland-dev builds the tests' virtual pointer (a headless
  # sway has no input device), and qt6-wayland lets the helper draw through sway's own Wayland
  # connection, where its popover can be placed beside the item
  grim libwayland-dev qt6-wayland
  # Focus follows Do Not Disturb: a real notification server whose pause the tests toggle, and the
  # GNOME notification schema the helper watches
  dunst gsettings-desktop-schemas
  # the two desktops most users run, headless, as tray and notification hosts: GNOME Shell with the
  # AppIndicator extension (gjs owns its notification server) and KDE Plasma on kwin_wayland
  # (plasma-desktop holds the shell package, qtwayland5 lets plasmashell start, the protocol XML
  # builds the tests' fake-input client); python3-dbus drives their buses
  gnome-shell gnome-shell-extension-appindicator gjs
  kwin-wayland plasma-workspace plasma-desktop qtwayland5 plasma-wayland-protocols python3-dbus
  # trays that speak only XEmbed: i3bar under i3, and tint2
  i3-wm tint2
  # what a screen reader reads: the accessibility bus and registry, and libatspi for the tests' walker
  at-spi2-core gir1.2-atspi-2.0 python3-gi
  # the JSON Schemas of the main application's formats are checked with Debian's jsonschema
  python3-jsonschema
)

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: all system packages present"
fi

# Protocol-level case folding must not follow the locale: its test runs under tr_TR.UTF-8, where
# the C library lower-cases "I" differently.
if ! grep -qx 'tr_TR.utf8' <<<"$(locale -a 2>/dev/null)"; then
  "${sudo[@]}" localedef -i tr_TR -f UTF-8 tr_TR.UTF-8
fi

# Node's headers live in /usr/include/node with the nodesource build; Debian's own nodejs ships them
# in libnode-dev.
if [ ! -f /usr/include/node/node_api.h ]; then
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends libnode-dev
fi

# npm packages for the addon (node-addon-api), once the addon's package.json exists.
here=$(cd "$(dirname "$0")/.." && pwd)
if [ -f "$here/native/addon/package-lock.json" ]; then
  if ! command -v npm >/dev/null; then "${sudo[@]}" apt-get install -y -qq --no-install-recommends npm; fi
  (cd "$here/native/addon" && npm ci --no-audit --no-fund --silent)
fi
