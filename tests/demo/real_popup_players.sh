#!/bin/bash
# The players' list of the demo disc under a real X server without a window
# manager. A headless run first puts Иван into the players table (a short
# game ended with "getmoney"). Then, on the registration screen, "Игроки"
# opens the list as a window of its own; a key typed while it is open still
# reaches the name box (its typing sound plays), choosing Иван replaces the
# box's text with the name, and a key typed after the choice is added to it:
# Enter registers "Иван2". A popup must never take the keyboard; when the
# program loses the keyboard, its popups go.
# Exit 77 (skipped) when the X tools are missing.
# usage: real_popup_players.sh DISC
set -u
DISC="$1"

. "$(dirname "$0")/../realwindow/xvfb.sh" 1024x768
fail() { echo "FAIL: $*"; cat "$WORK/out.txt" 2>/dev/null; exit 1; }

export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
. "$(dirname "$0")/demo_steps.sh" && table_off  # no game table before the question

cat >"$WORK/prep.scn" <<'STEPS'
wait 1000
click 600 153
wait 1500
type Иван
key Enter
until "step":"discussion"
wait 4000
type Луна-9
key Enter
until "step":"discussion"
wait 2000
click 650 410
wait 2000
key Escape @dialog
wait 1000
quit
STEPS
TRIVION_BACKEND=headless TRIVION_SCRIPT="$WORK/prep.scn" TRIVION_SEED=7 TRIVION_SCORE_SERVER=http://127.0.0.1:9/ \
  TRIVION_TRACE="$WORK/prep.jsonl" timeout 60 "$DISC/trivion" >"$WORK/prep.txt" 2>&1 ||
  { cat "$WORK/prep.txt"; fail "the headless game did not run"; }

export TRIVION_TRACE="$WORK/trace.jsonl"
"$DISC/trivion" >"$WORK/out.txt" 2>&1 &
APP_PID=$!
await_app_window || fail "the shell window did not appear"
MAIN_WID=$WID

sleep 1
xdotool mousemove $((X + 600)) $((Y + 153)) click 1
await_trace '"ev":"screen","screen":2' || fail "the registration screen did not open"
sleep 1.5  # its fade; the name box takes the focus when it ends
xdotool key BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace

# "Игроки" (372,156, 96x40): the list's right edge at the button's bottom-left corner.
xdotool mousemove $((X + 420)) $((Y + 176)) click 1
await_trace '"ev":"popup","do":"show","kind":-7,"items":\["Иван"\]' 50 || fail "the players' list did not open"
sleep 0.3
# A top-level window of its own, 212x38 (one item), there on the screen.
xwininfo -root -children >"$WORK/tree.txt"
grep -q "212x38+$((X + 160))+$((Y + 196)) " "$WORK/tree.txt" ||
  fail "the list is not a window of its own at its place: $(cat "$WORK/tree.txt")"

# A key typed now goes to the name box, which answers with its typing sound.
typing='"command":"playwavonly","sound":"music\\\\ui\\\\hover.wav","index":0,"source":0,"mode":0'
before=$(grep -c "$typing" "$TRIVION_TRACE")
xdotool key 1
for _ in $(seq 50); do
  [ "$(grep -c "$typing" "$TRIVION_TRACE")" -gt "$before" ] && break
  sleep 0.1
done
[ "$(grep -c "$typing" "$TRIVION_TRACE")" -gt "$before" ] || fail "a key typed while the list was open did not reach the name box"
grep -q '"ev":"popup","do":"hide"' "$TRIVION_TRACE" && fail "typing closed the list: $(tail -n 12 "$TRIVION_TRACE")"

# The program loses the keyboard (it goes to the root window): the list goes.
ROOT=$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
xdotool windowfocus "$ROOT"
await_trace '"ev":"popup","do":"hide","kind":-7' 30 || fail "the list stayed when the program lost the keyboard"
xdotool windowfocus "$MAIN_WID"
sleep 0.3
xdotool mousemove $((X + 420)) $((Y + 176)) click 1
for _ in $(seq 50); do
  [ "$(grep -c '"ev":"popup","do":"show","kind":-7' "$TRIVION_TRACE")" -ge 2 ] && break
  sleep 0.1
done
[ "$(grep -c '"ev":"popup","do":"show","kind":-7' "$TRIVION_TRACE")" -ge 2 ] || fail "the list did not open again"
sleep 0.3

# Иван, the list's first item (at 6..32 of the list, which stands at 160,196).
xdotool mousemove $((X + 260)) $((Y + 215)) click 1
await_trace '"ev":"popup","do":"choose","kind":-7,"item":0' 50 || fail "the name was not chosen"
sleep 0.5
xdotool key 2
sleep 0.3
xdotool key Return
await_trace '"call":"set-current-name","arg":"Иван2"' 50 ||
  fail "the chosen name did not fill the box: $(grep -o '"call":"set-current-name"[^}]*' "$TRIVION_TRACE")"
echo "PASS"
