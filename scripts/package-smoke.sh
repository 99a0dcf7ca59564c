#!/usr/bin/env bash
# Runs each program of the installed package once, as the main application and the desktop would,
# from its installed place. Run inside scripts/with-session.sh (a private bus and a throwaway home).
set -euo pipefail
[ -n "${TARNWICK_PRIVATE_SESSION:-}" ] || { echo "run me inside scripts/with-session.sh" >&2; exit 2; }
libdir=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/tarnwick
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-package-smoke-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The helper answers a request (the pipe stays open until it has had time to).
answer=$( (printf '%s\n' '{"id":1,"method":"focusFilter.get"}'; sleep 3) |
  QT_QPA_PLATFORM=offscreen timeout 30 /usr/bin/tarnwick-helper 2>"$work/helper.log" || true)
[[ "$answer" == *'"id":1,"result":{"activeAccountIds":[]'* ]] || fail "tarnwick-helper answered: $answer"

# The Focus filter tool lists the accounts the main application left in its group container.
container=$XDG_DATA_HOME/group-containers/group.com.fenmoorlab.tarnwick
mkdir -p "$container" && chmod 700 "$container"
printf '%s\n' '[{"id":"w","name":"Work","email":"w@example.com"}]' >"$container/accounts.json"
listed=$(QT_QPA_PLATFORM=offscreen timeout 30 /usr/bin/tarnwick-focus-filter accounts 2>"$work/focus.log" || true)
[[ "$listed" == *Work* ]] || fail "tarnwick-focus-filter accounts listed: $listed $(cat "$work/focus.log")"

# The widget host renders a widget.
QT_QPA_PLATFORM=offscreen timeout 30 /usr/bin/tarnwick-widgets render --kind unread --out "$work/unread.png" \
  2>"$work/widgets.log" || fail "tarnwick-widgets render: $(cat "$work/widgets.log")"
[ -s "$work/unread.png" ] || fail "tarnwick-widgets wrote no picture"

# The share target hands off through GIO to the tarnwick: handler, here a stand-in main application
# in the user's own desktop entry of the same name.
mkfifo "$work/received"
cat >"$work/tarnwick" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$*" > "$work/received"
SCRIPT
chmod 755 "$work/tarnwick"
mkdir -p "$XDG_DATA_HOME/applications"
sed -e "s|^Exec=.*|Exec=$work/tarnwick %u|" -e "s|^TryExec=.*|TryExec=$work/tarnwick|" \
  /usr/share/applications/com.fenmoorlab.tarnwick.desktop \
  >"$XDG_DATA_HOME/applications/com.fenmoorlab.tarnwick.desktop"
update-desktop-database -q "$XDG_DATA_HOME/applications"
/usr/bin/tarnwick-share --text hi 2>"$work/share.log" || fail "tarnwick-share: $(cat "$work/share.log")"
got=$(timeout 20 head -n 1 "$work/received" || echo "(nothing within 20 s)")
[ "$got" = "tarnwick://share?text=hi" ] || fail "the tarnwick: handler received: $got"

# The addon loads the installed library in plain node.
node -e "
  const addon = require('$libdir/tarnwick_addon.node');
  addon.init('$libdir/libTarnwickNative.so', () => {});
  process.exit(0);" 2>"$work/addon.log" || fail "the addon did not load the library: $(cat "$work/addon.log")"

[ "$failures" -eq 0 ] || exit 1
echo "package smoke test passed"
