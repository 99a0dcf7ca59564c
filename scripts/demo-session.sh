#!/usr/bin/env bash
# Drives tarnwick-helper the way the main application does and prints the transcript:
#   → request written to the helper's standard input
#   ← response or event read from its standard output
#   ┆ log record from its standard error
#   ◆ what the desktop shows: the tray item's title in xfce4-panel, dunst's banners, clicks
# Usage: demo-session.sh <tarnwick-helper> [<pictures directory>]
#   (run it inside scripts/with-session.sh and under xvfb-run: the desktop around the helper is a
#   real xfce4-panel and a real dunst on that screen; without a screen the helper runs alone)
# With TARNWICK_DEMO_DESKTOP (gnome, kde, i3) and TARNWICK_DEMO_RIG (the tarnwick-desktop-rig tool)
# the desktop is that one instead, started headless by the tool, and the helper runs in its session.
set -uo pipefail
helper=${1:?usage: demo-session.sh <tarnwick-helper> [<pictures directory>]}
pictures=${2:-}
[ -z "$pictures" ] || mkdir -p "$pictures"
pace=${TARNWICK_DEMO_PACE:-0.7}
rig_desktop=${TARNWICK_DEMO_DESKTOP:-}
session_command=()   # the prefix that runs a program inside the desktop's session (rig desktops)

if [ -t 1 ]; then
  bold=$'\e[1m'; dim=$'\e[2m'; blue=$'\e[34m'; green=$'\e[32m'; yellow=$'\e[33m'; reset=$'\e[0m'
else
  bold=; dim=; blue=; green=; yellow=; reset=
fi
magenta=${bold:+$'\e[35m'}

work=$(mktemp -d)
records=$work/helper.log
desktop=$work/desktop.log
: >"$records"; : >"$desktop"
desktop_pids=()
rig_in=
# A rig desktop is stopped by the end of the tool's input (a signal would leave its desktop running).
trap 'kill "${desktop_pids[@]}" 2>/dev/null; [ -n "$rig_in" ] && exec {rig_in}>&-; wait 2>/dev/null; rm -rf "$work"' EXIT
shown=0
desktop_shown=0
item=        # the tray item's bus name, once the panel holds it
item_at=     # "x y": its centre on the screen

# The desktop around the helper: xfce4-panel (its tray shows StatusNotifierItems) along the top of
# the screen, and dunst, which reports every banner it shows into the transcript.
start_desktop() {
  local config=$work/config xfconfd
  mkdir -p "$config/xfce4/xfconf/xfce-perchannel-xml" "$config/dunst"
  sed 's/@SHADE@/0.15/g' "$(dirname "$0")/xfce4-panel-top.xml" \
    >"$config/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml"
  cat >"$work/report-banner" <<SCRIPT
#!/bin/sh
printf 'banner from %s: %s — %s\n' "\$DUNST_APP_NAME" "\$DUNST_SUMMARY" "\$DUNST_BODY" | tr '\n' ' ' >>"$desktop"
printf '\n' >>"$desktop"
SCRIPT
  chmod 755 "$work/report-banner"
  cat >"$config/dunst/dunstrc" <<CONF
[global]
    origin = top-right
    offset = 10x40
    width = 360
    font = DejaVu Sans 10
[report]
    summary = "*"
    script = $work/report-banner
CONF
  export XDG_CONFIG_HOME=$config XDG_CONFIG_DIRS=$config NO_AT_BRIDGE=1 GTK_A11Y=none
  xfconfd=$(ls /usr/lib/*/xfce4/xfconf/xfconfd 2>/dev/null | head -n 1)
  if [ -z "$xfconfd" ] || ! command -v xfce4-panel >/dev/null || ! command -v dunst >/dev/null; then
    echo "demo: xfce4-panel, xfconfd and dunst are installed by scripts/setup.sh" >&2
    return 1
  fi
  "$xfconfd" 2>>"$work/desktop.err" & desktop_pids+=($!)
  xfce4-panel --disable-wm-check 2>>"$work/desktop.err" & desktop_pids+=($!)
  dunst -conf "$config/dunst/dunstrc" 2>>"$work/desktop.err" & desktop_pids+=($!)
  for _ in $(seq 100); do
    if gdbus introspect --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
         >/dev/null 2>&1 && dunstctl is-paused >/dev/null 2>&1; then
      printf 'xfce4-panel and dunst are up on %s\n' "$DISPLAY" >>"$desktop"
      return 0
    fi
    sleep 0.1
  done
  echo "demo: the panel or dunst did not come up:" >&2
  cat "$work/desktop.err" >&2
  return 1
}

# GNOME Shell, KDE Plasma or i3 through tarnwick-desktop-rig, which answers one command per line.
start_rig() {
  mkfifo "$work/rig.in" "$work/rig.out"
  "$TARNWICK_DEMO_RIG" "$rig_desktop" "${TARNWICK_DEMO_SHARE:-}" <"$work/rig.in" >"$work/rig.out" \
    2>>"$work/desktop.err" &
  exec {rig_in}>"$work/rig.in" {rig_out}<"$work/rig.out"
  local first
  if ! IFS= read -r -t 240 first <&"$rig_out" || [ "${first%%$'\t'*}" != command ]; then
    echo "demo: $rig_desktop did not start: ${first#failed }" >&2
    tail -n 20 "$work/desktop.err" >&2
    return 1
  fi
  IFS=$'\t' read -r -a session_command <<<"${first#command$'\t'}"
  printf '%s is up, with its tray and its notification server\n' "$rig_desktop" >>"$desktop"
}

# Asks the rig; its answer is in $rig_answer.
rig() {
  rig_answer=
  printf '%s\n' "$*" >&"$rig_in"
  IFS= read -r -t 60 rig_answer <&"$rig_out"
}

# gdbus on the desktop's session bus.
session_gdbus() {
  "${session_command[@]}" gdbus "$@"
}

# The property `name` of the tray item, as the panel reads it.
item_property() {
  session_gdbus call --session --dest "$item" --object-path /StatusNotifierItem \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1" 2>/dev/null
}

# A picture of the whole screen.
screenshot() {
  if [ -n "$rig_desktop" ]; then
    rig screenshot "$1" && [ "$rig_answer" = ok ]
  else
    import -window root "$1" 2>/dev/null
  fi
}

# The banners a rig desktop shows now, into the transcript.
report_banners() {
  [ -n "$rig_desktop" ] || return 0
  rig banners
  local banner
  IFS=$'\t' read -r -a banners <<<"$rig_answer"
  for banner in "${banners[@]}"; do printf 'banner shown: %s\n' "$banner" >>"$desktop"; done
}

# Once the panel holds the item: where it is (from a picture of the panel) and what it says.
watch_tray() {
  [ -n "$has_desktop" ] || return 0
  if [ -z "$item" ]; then
    local registered
    registered=$(session_gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
      --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems 2>/dev/null)
    item=$(sed -n "s/.*'\([^'/]*\)\(\/[^']*\)\?'.*/\1/p" <<<"$registered")
    item=${item%@} # GNOME lists "<bus name>@<path>"
    [ -n "$item" ] || return 0
    printf 'the panel'"'"'s tray holds the item %s\n' "$item" >>"$desktop"
  fi
  local title
  title=$(item_property Title | sed -n "s/^(<'\(.*\)'>,)\$/\1/p")
  if [ -n "$title" ] && [ "$title" != "${last_title:-}" ]; then
    printf 'tray item: %s\n' "$title" >>"$desktop"
    last_title=$title
  fi
}

# Where the item is: the part of the panel that is not bare background (a rig desktop says itself).
locate_item() {
  if [ -n "$rig_desktop" ]; then
    local x y w h
    for _ in $(seq 30); do
      rig item "$helper_pid"
      [ "$rig_answer" != none ] && [ -n "$rig_answer" ] && break
      sleep 0.5
    done
    read -r x y w h <<<"$rig_answer"
    [ -n "${h:-}" ] || return 1
    item_at="$((x + w / 2)) $((y + h / 2))"
    if [ -n "$pictures" ] && screenshot "$work/screen.png"; then
      convert "$work/screen.png" -crop "$((w + 80))x$((h + 16))+$((x > 40 ? x - 40 : 0))+$((y > 8 ? y - 8 : 0))" +repage \
        -scale 400% "$pictures/tray-item.png" 2>/dev/null
    fi
    printf 'the item is drawn at %s..%s (x), %s..%s (y) in the %s tray\n' "$x" "$((x + w))" "$y" "$((y + h))" \
      "$rig_desktop" >>"$desktop"
    return 0
  fi
  local box
  import -window root -crop 1280x30+0+0 +repage "$work/panel.png" 2>/dev/null || return 1
  # e.g. "PNG 22x22 1280x30+1252+4": size, then the offset inside the panel
  box=$(convert "$work/panel.png" -fuzz 12% -trim info: 2>/dev/null | awk '{print $3, $4}')
  local w=${box%%x*} rest=${box#*x}
  local h=${rest%% *} offset=${box#* }
  local x=${offset#*+} ; x=${x%%+*}
  local y=${offset##*+}
  [ -n "$w" ] && [ "$w" -lt 200 ] || return 1
  item_at="$((x + w / 2)) $((y + h / 2))"
  [ -n "$pictures" ] && convert "$work/panel.png" -crop "$((w + 40))x30+$((x - 20))+0" +repage -scale 400% \
    "$pictures/tray-item.png" 2>/dev/null
  printf 'the item is drawn at %s..%s (x) in the panel\n' "$x" "$((x + w))" >>"$desktop"
}
has_desktop=
if [ -n "$rig_desktop" ]; then
  start_rig || exit 1
  has_desktop=1
elif [ -n "${DISPLAY:-}" ] && start_desktop; then
  has_desktop=1
fi

coproc HELPER { exec "${session_command[@]}" "$helper" 2>"$records"; }
helper_pid=$HELPER_PID
to_helper=${HELPER[1]}
from_helper=${HELPER[0]}

show_records() {
  local total
  watch_tray
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

# Whether the popover is on the screen.
popover_shown() {
  if [ -n "$rig_desktop" ]; then
    rig window "$helper_pid" Tarnwick
    [ -n "$rig_answer" ] && [ "$rig_answer" != none ]
  else
    xdotool search --onlyvisible --name '^Tarnwick$' >/dev/null 2>&1
  fi
}

# The user clicks the tray item in the panel; says whether the popover is on the screen after it.
click_tray() {
  printf '\n%s# %s%s\n' "$bold" "$1" "$reset"
  # shellcheck disable=SC2086 # "x y"
  if [ -n "$rig_desktop" ]; then rig click $item_at; else xdotool mousemove $item_at click 1; fi
  printf 'click on the tray item at %s\n' "$item_at" >>"$desktop"
  sleep 0.5
  if popover_shown; then
    printf 'the popover is on the screen\n' >>"$desktop"
  else
    printf 'no popover on the screen\n' >>"$desktop"
  fi
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
if [ -n "$has_desktop" ]; then
  for _ in $(seq 50); do [ -n "$item" ] && break; sleep 0.1; watch_tray; done
  sleep 1 # the panel draws the picture it just read
  if locate_item; then
    click_tray "The user clicks the tray item: the popover opens and asks for every account's messages"
    if [ -n "$pictures" ]; then
      screenshot "$pictures/desktop-popover.png"
      printf 'screenshot of the screen with the popover: %s\n' "$pictures/desktop-popover.png" >>"$desktop"
      show_records
    fi
    click_tray "A second click closes the popover"
  else
    printf 'the item could not be found on the panel\n' >>"$desktop"
    show_records
  fi
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
if [ -n "$has_desktop" ] && [ -n "$pictures" ]; then
  sleep 0.5
  report_banners
  screenshot "$pictures/desktop-banners.png"
  printf 'screenshot of the screen with the banners: %s\n' "$pictures/desktop-banners.png" >>"$desktop"
  show_records
fi
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
