#!/bin/bash
# The demo disc under a real X server without a window manager: the pointer
# rests on a button of the registration screen until its hint shows, moves
# away (the hint goes), and a name typed then still reaches the main window's
# name box: Enter registers it. A hint window must never take the keyboard.
# Exit 77 (skipped) when the X tools are missing.
# usage: real_hint_then_type.sh DISC
set -u
DISC="$1"

. "$(dirname "$0")/../realwindow/xvfb.sh" 1024x768
fail() { echo "FAIL: $*"; cat "$WORK/out.txt" 2>/dev/null; exit 1; }

export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
. "$(dirname "$0")/demo_steps.sh" && table_off  # no game table before the question
export TRIVION_TRACE="$WORK/trace.jsonl"
"$DISC/trivion" >"$WORK/out.txt" 2>&1 &
APP_PID=$!
await_app_window || fail "the shell window did not appear"

sleep 1
xdotool mousemove $((X + 600)) $((Y + 153)) click 1
await_trace '"ev":"screen","screen":2' || fail "the registration screen did not open"
sleep 1.5  # its fade; the name box takes the focus when it ends

# The ratings button (48,386, 300x40) has a hint.
xdotool mousemove $((X + 150)) $((Y + 405))
await_trace '"ev":"hint","text":"Открыть' 30 || fail "the button's hint did not show"
xdotool mousemove $((X + 700)) $((Y + 300))
await_trace '"ev":"hint","text":""' 30 || fail "the hint did not go when the pointer left"
sleep 0.3

# Keys under Shift+B, D, F, Y on a US keyboard: "Иван" in the program's layout.
# A loaded machine may give the box the focus late: keys typed before then go
# nowhere, so the name is typed again (the box cleared first) until it arrives.
for _ in 1 2 3; do
  xdotool key BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace shift+b d f y
  sleep 0.3
  xdotool key Return
  await_trace '"call":"set-current-name","arg":"Иван"' 50 && break
done
grep -q '"call":"set-current-name","arg":"Иван"' "$WORK/trace.jsonl" ||
  fail "the typed name did not arrive: $(grep -o '"call":"set-current-name"[^}]*' "$WORK/trace.jsonl")"
echo "PASS"
