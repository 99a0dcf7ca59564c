#!/usr/bin/env bash
# Installs the build into a fresh prefix, exactly as a user would (`cmake --install`, no other step),
# and checks from outside what the desktop then does with it: GIO's own answers, the scheme
# handler really started, the file managers' Send-to files really run, the mailto claim. The main
# application lives in another repository: a recorder script at its installed path stands in for it.
#
#   install_test.sh CMAKE BUILD_DIR DEFAULTHANDLER_PROBE
set -euo pipefail
cmake=$1 build=$2 probe=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-install-XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log"

# The desktop sees only the prefix, a throwaway home and empty settings.
export XDG_DATA_DIRS=$prefix/share XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export XDG_CONFIG_DIRS=$work/system HOME=$work/home TMPDIR=$work/tmp
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CONFIG_DIRS" "$HOME" "$TMPDIR"
apps=$prefix/share/applications

grep -q '^x-scheme-handler/tarnwick=com.fenmoorlab.tarnwick.desktop' "$apps/mimeinfo.cache" \
  || fail "the install did not refresh mimeinfo.cache"
[ -f "$prefix/share/icons/hicolor/icon-theme.cache" ] || fail "the install did not refresh the icon cache"
grep -qx "Exec=$prefix/bin/tarnwick %u" "$apps/com.fenmoorlab.tarnwick.desktop" \
  || fail "the main entry does not start $prefix/bin/tarnwick by absolute path"
# Every other entry too: a prefix off $PATH must still start its programs.
for entry in "$apps"/*.desktop; do
  exec_line=$(grep -m1 '^Exec=' "$entry")
  [[ "$exec_line" == "Exec=$prefix/bin/"* ]] || fail "$(basename "$entry") starts a program by a relative path: $exec_line"
done

# Never a default opener of folders, text or link lists.
for type in inode/directory text/plain text/uri-list application/octet-stream; do
  # Captured first: under pipefail an early-exiting grep can make gio's SIGPIPE fail the pipeline.
  answer=$(gio mime "$type" 2>&1 || true)
  if grep -q 'com.fenmoorlab.tarnwick.share' <<<"$answer"; then
    fail "gio mime $type names the share entry"
  fi
done

# Without the main application's program the desktop ignores its entry, and the mailto row says so.
[ "$("$probe" --installed "$prefix" canclaim)" = 0 ] || fail "the claim is offered without the main program"
problem=$("$probe" --installed "$prefix" problem)
[ "$problem" = "The desktop cannot start Tarnwick: its program $prefix/bin/tarnwick is missing" ] \
  || fail "unexpected claim problem: $problem"
if "$prefix/bin/tarnwick-share" --text hi 2>"$work/share.err"; then
  fail "tarnwick-share succeeded with no handler installed"
fi

# The stand-in: writes the URL (or files) it was started with into a FIFO the test reads.
mkfifo "$work/received"
cat >"$prefix/bin/tarnwick" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$*" > "$work/received"
SCRIPT
chmod 755 "$prefix/bin/tarnwick"
received() { timeout 20 head -n 1 "$work/received" || echo "(nothing within 20 s)"; }

"$prefix/bin/tarnwick-share" --text hi || fail "tarnwick-share --text hi exited $?"
got=$(received)
[ "$got" = "tarnwick://share?text=hi" ] || fail "the tarnwick handler received: $got"

# The mailto claim now works, and GIO itself reports it.
[ "$("$probe" --installed "$prefix" canclaim)" = 1 ] || fail "the claim is not offered with the main program"
[ "$("$probe" --installed "$prefix" claim 2>/dev/null)" = ok ] || fail "the claim failed"
answer=$(gio mime x-scheme-handler/mailto 2>&1 || true)
[[ "${answer%%$'\n'*}" == *'com.fenmoorlab.tarnwick.desktop' ]] \
  || fail "gio does not report Tarnwick as the mailto handler: $answer"

# File managers. Thunar launches its sendto entries through GIO, as `gio launch` does.
echo "attached" >"$work/report.txt"
expect_share_of() {
  local got
  got=$(received)
  case "$got" in
    "tarnwick://share?files="*report.txt) ;;
    *) fail "$1: the handler received: $got" ;;
  esac
}
sendto=$prefix/share/Thunar/sendto/com.fenmoorlab.tarnwick.share.desktop
gio launch "$sendto" "$work/report.txt" || fail "Thunar's sendto entry does not launch"
expect_share_of "Thunar sendto"

# Nemo actions and Dolphin service menus are key files those file managers read; run their Exec
# line with the selection put in place of %F, as they do.
run_exec() { # FILE GROUP
  local exec
  exec=$(awk -v group="[$2]" '$0 == group {in_group = 1; next} /^\[/ {in_group = 0} in_group && /^Exec=/ {sub(/^Exec=/, ""); print; exit}' "$1")
  [ -n "$exec" ] || { fail "$1 has no Exec in [$2]"; return; }
  ${exec/\%F/$work/report.txt} || fail "$1: Exec failed"
}
nemo=$prefix/share/nemo/actions/com.fenmoorlab.tarnwick.share.nemo_action
for key in Name= Selection=notnone Extensions=any\;; do
  grep -q "^$key" "$nemo" || fail "the Nemo action lacks $key"
done
run_exec "$nemo" "Nemo Action" && expect_share_of "Nemo action"
dolphin=$prefix/share/kio/servicemenus/com.fenmoorlab.tarnwick.share.desktop
for key in Type=Service MimeType=all/all\; Actions=sendWithTarnwick\;; do
  grep -q "^$key" "$dolphin" || fail "the Dolphin service menu lacks $key"
done
run_exec "$dolphin" "Desktop Action sendWithTarnwick" && expect_share_of "Dolphin service menu"

# A packaging install (DESTDIR) names the final paths and leaves the caches to the package.
DESTDIR=$work/stage "$cmake" --install "$build" --prefix /usr >"$work/stage.log"
grep -qx "Exec=/usr/bin/tarnwick %u" "$work/stage/usr/share/applications/com.fenmoorlab.tarnwick.desktop" \
  || fail "the packaged entry does not name /usr/bin/tarnwick"
[ ! -e "$work/stage/usr/share/applications/mimeinfo.cache" ] || fail "a DESTDIR install wrote mimeinfo.cache"
grep -q "Packaging install: the package must run update-desktop-database" "$work/stage.log" \
  || fail "the packaging step is not announced"

[ "$failures" -eq 0 ] || exit 1
echo "install test passed"
