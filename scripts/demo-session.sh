#!/usr/bin/env bash
# Drives tarnwick-helper the way the main application does and prints the transcript:
#   → request written to the helper's standard input
#   ← response or event read from its standard output
#   ┆ log record from its standard error
#   ◆ what the desktop shows: the tray and the notification server (with the stand-ins)
# Usage: demo-session.sh <tarnwick-helper> [<directory of the demo stand-ins> [<pictures directory>]]
#   (run it inside scripts/with-session.sh, and under xvfb-run for a picture of the popover)
set -uo pipefail
helper=${1:?usage: demo-session.sh <tarnwick-helper> [<stand-ins directory> [<pictures directory>]]}
stand_ins=${2:-}
pictures=${3:-}
pace=${TARNWICK_DEMO_PACE:-0.7}

if [ -t 1 ]; then
  bold=$'\e[1m'; dim=$'\e[2m'; blue=$'\e[34m'; green=$'\e[32m'; yellow=$'\e[33m'; reset=$'\e[0m'
else
  bold=; dim=; blue=; green=; yellow=; reset=
fi
magenta=${bold:+$'\e[35m'}

records=$(mktemp)
desktop=$(mktemp)
desktop_pids=()
trap 'rm -f "$records" "$desktop"; kill "${desktop_pids[@]}" 2>/dev/null' EXIT
shown=0
desktop_shown=0

# The desktop around the helper: a notification server and a tray, each printing what it shows.
to_tray=
if [ -n "$stand_ins" ]; then
  "$stand_ins/demo-notification-server" >>"$desktop" &
  desktop_pids+=($!)
  exec {to_tray}> >(exec "$stand_ins/demo-tray-watcher" "${pictures:+$pictures/tray-item.png}" >>"$desktop")
  desktop_pids+=($!)
  for _ in $(seq 50); do [ "$(grep -c '^ready$' "$desktop")" -ge 2 ] && break; sleep 0.1; done
  desktop_shown=$(wc -l <"$desktop") # the stand-ins' "ready" lines
fi

coproc HELPER { exec "$helper" 2>"$records"; }
helper_pid=$HELPER_PID
to_helper=${HELPER[1]}
from_helper=${HELPER[0]}

show_records() {
  local total
  total=$(wc -l <"$records")
  if [ "$total" -gt "$shown" ]; then
    tail -n +"$((shown + 1))" "$records" | head -n "$((total - shown))" | sed "s/^/  ${dim}┆ /; s/\$/${reset}/"
    shown=$total
  fi
  total=$(wc -l <"$desktop")
  if [ "$total" -gt "$desktop_shown" ]; then
    tail -n +"$((desktop_shown + 1))" "$desktop" | head -n "$((total - desktop_shown))" |
      sed "s/^/  ${magenta}◆ /; s/\$/${reset}/"
    desktop_shown=$total
  fi
}

# Prints every line the helper writes within the settle time.
drain() {
  local line
  while IFS= read -r -t "${1:-0.4}" line <&"$from_helper"; do
    printf '  %s← %s%s\n' "$green" "$line" "$reset"
  done
  show_records
}

# The user clicks the tray item (played by the stand-in tray).
click_tray() {
  printf '\n%s# %s%s\n' "$bold" "$1" "$reset"
  printf 'click\n' >&"$to_tray"
  sleep 0.2
  show_records
  drain 1
  sleep "$pace"
}

step() {
  printf '\n%s# %s%s\n' "$bold" "$1" "$reset"
  printf '  %s→ %s%s\n' "$blue" "$2" "$reset"
  printf '%s\n' "$2" >&"$to_helper"
  drain
  sleep "$pace"
}

printf '%sStarting %s%s\n' "$bold" "$helper" "$reset"
drain 1

now_ms=$(( $(date +%s) * 1000 ))
step "The main application creates the tray item" \
  '{"id":1,"method":"tray.create"}'
step "It sends the accounts and unread totals" \
  '{"id":2,"method":"tray.update","params":{"accounts":[{"id":"acc-work","name":"Work","color":"#2563eb","unreadCount":4,"email":"ada@work.example"},{"id":"acc-home","name":"Home","color":"#16a34a","unreadCount":1,"email":"ada@home.example"}],"totalUnread":5,"unreadDisplay":"numbers","showUnreadOnly":false,"menuBarVerificationCodes":true,"verificationCodeDurationMinutes":15}}'
step "It answers with the recent messages of one account" \
  '{"id":3,"method":"tray.messages","params":{"accountId":"acc-work","messages":[{"id":"m1","threadId":"t1","from":"Grace Hopper <grace@example.com>","subject":"Compiler review","snippet":"Notes attached","internalDate":"'"$now_ms"'","labelIds":["INBOX","UNREAD"],"category":"primary"},{"id":"m2","threadId":"t2","from":"Build Bot <ci@example.com>","subject":"Nightly build passed","snippet":"All green","internalDate":"'"$((now_ms - 3600000))"'","labelIds":["INBOX"],"category":"updates"}]}}'
step "A sign-in code arrives" \
  '{"id":4,"method":"tray.verificationCode","params":{"code":"482913","service":"Example Bank","subject":"Your sign-in code","from":"Example Bank <no-reply@bank.example>","messageId":"m3","threadId":"t3","accountId":"acc-home","receivedAt":'"$now_ms"'}}'
if [ -n "$to_tray" ]; then
  click_tray "The user clicks the tray item: the popover opens and asks for every account's messages"
  if [ -n "$pictures" ] && [ -n "${DISPLAY:-}" ]; then
    printf 'screenshot %s\n' "$pictures/tray-popover.png" >&"$to_tray"
    sleep 1
    show_records
  fi
  click_tray "A second click closes the popover"
fi
step "It asks for the Focus filter state" \
  '{"id":5,"method":"focusFilter.get"}'
step "It applies a Focus filter that keeps only Work active" \
  '{"id":6,"method":"focusFilter.set","params":{"activeAccountIds":["acc-work"],"disableExcludedAccounts":false}}'
step "It mirrors the user's preferences" \
  '{"id":7,"method":"settings.update","params":{"settings":{"theme":"dark","menuBarUnreadDisplay":"dots","notifications":{"primary":"loud","updates":"silent","promotions":"badge","social":"badge","forums":"off"}}}}'
step "It prepares desktop notifications" \
  '{"id":8,"method":"notify.setup"}'
step "Two new messages arrive; the promotion is held back by its category level" \
  '{"id":9,"method":"notify.dispatch","params":{"accountId":"acc-work","notifications":{"primary":"loud","promotions":"badge"},"messages":[{"id":"m4","threadId":"t4","from":"\"Grace Hopper\" <grace@example.com>","subject":"Lunch on Friday?","snippet":"The usual place at noon","category":"primary"},{"id":"m5","threadId":"t5","from":"Shop <deals@shop.example>","subject":"48 hours only","snippet":"","category":"promotions"}]}}'
drain 1
step "The same message again: it was shown already, so no second banner" \
  '{"id":10,"method":"notify.dispatch","params":{"accountId":"acc-work","messages":[{"id":"m4","threadId":"t4","from":"Grace Hopper <grace@example.com>","subject":"Lunch on Friday?","category":"primary"}]}}'
step "A request for a method the helper does not know" \
  '{"id":11,"method":"tray.bogus"}'
step "A request without an id: the work is done, but nothing is answered" \
  '{"method":"tray.destroy"}'

printf '\n%s# The main application closes the helper'"'"'s standard input%s\n' "$bold" "$reset"
exec {to_helper}>&-
drain 1
wait "$helper_pid"
status=$?
show_records
printf '\n%starnwick-helper exited with status %d%s\n' "$yellow" "$status" "$reset"
exit "$status"
