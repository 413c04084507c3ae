#!/bin/bash
# The two viewer roles of the demo disc on a real X server without a window
# manager. "trivion Scheme.bmp /h": the help viewer, a 780x550 standard window
# whose top row is our toolbar (its print button drawn on the face colour)
# over an empty face, captioned "Помощь". "trivion words /t": the thesaurus,
# 800x582, captioned "Тезаурус", showing the skin of Tesaurus.cfs (its dark
# ground and gold frame). Each takes the keyboard as the player's window and
# ends on Escape, since its switch follows a word.
# Exit 77 (skipped) when the X tools are missing.
# usage: real_viewers.sh DISC PROBE
set -u
DISC="$1"
PROBE="$2"

. "$(dirname "$0")/../realwindow/xvfb.sh" 1024x768
fail() { echo "FAIL: $*"; cat "$WORK/out.txt" 2>/dev/null; exit 1; }

export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
export TRIVION_TRACE="$WORK/trace.jsonl"

pixel() { "$PROBE" --pixel "$WORK/shot.xwd" "$1" "$2"; }
size_of() { xdotool getwindowgeometry "$WID" | sed -n 's/.*Geometry: \([0-9]*x[0-9]*\).*/\1/p'; }
# Escape ends the viewer: the process is gone within five seconds.
escape_ends() {
  xdotool key --window "$WID" Escape
  for _ in $(seq 50); do
    kill -0 "$APP_PID" 2>/dev/null || { APP_PID=""; return 0; }
    sleep 0.1
  done
  return 1
}

# The help viewer.
"$DISC/trivion" Scheme.bmp /h >"$WORK/out.txt" 2>&1 &
APP_PID=$!
await_app_window || fail "the help viewer's window did not appear"
[ "$(size_of)" = "780x550" ] || fail "the help viewer is $(size_of), not 780x550"
[ "$(xdotool getwindowname "$WID")" = "Помощь" ] || fail "the help viewer's caption is $(xdotool getwindowname "$WID")"
sleep 0.5
xwd -root -silent >"$WORK/shot.xwd"
[ "$(pixel $((X + 400)) $((Y + 300)))" = "240 240 240" ] || fail "the standard window is not the face colour"
[ "$(pixel $((X + 400)) $((Y + 545)))" = "240 240 240" ] || fail "a status bar shows at the bottom"
[ "$(pixel $((X + 400)) $Y)" = "255 255 255" ] || fail "the toolbar's top edge is missing"
# The print button's picture lies in the toolbar's first button, left.
dark=0
for x in $(seq 2 3 120); do
  read -r r g b <<<"$(pixel $((X + x)) $((Y + 20)))"
  [ $((r + g + b)) -lt 200 ] && dark=$((dark + 1))
done
[ "$dark" -gt 0 ] || fail "no toolbar picture in the top row"
xdotool getactivewindow 2>/dev/null | grep -q "$WID" || [ "$(xdotool getwindowfocus)" = "$WID" ] ||
  fail "the help viewer does not have the keyboard"
escape_ends || fail "Escape did not end the help viewer"

# The thesaurus.
"$DISC/trivion" words /t >"$WORK/out.txt" 2>&1 &
APP_PID=$!
await_app_window || fail "the thesaurus window did not appear"
[ "$(size_of)" = "800x582" ] || fail "the thesaurus is $(size_of), not 800x582"
[ "$(xdotool getwindowname "$WID")" = "Тезаурус" ] || fail "the thesaurus's caption is $(xdotool getwindowname "$WID")"
sleep 0.5
xwd -root -silent >"$WORK/shot.xwd"
read -r r g b <<<"$(pixel $((X + 400)) $((Y + 300)))"
[ $((r + g + b)) -lt 300 ] || fail "the thesaurus's ground is not dark: $r $g $b"
read -r r g b <<<"$(pixel $((X + 400)) $((Y + 3)))"
[ "$r" -gt 150 ] && [ "$b" -lt 120 ] || fail "the thesaurus's gold frame is missing: $r $g $b"
escape_ends || fail "Escape did not end the thesaurus"

# "/t" alone: the same window, which Escape does not end (the switch follows no word).
"$DISC/trivion" /t >"$WORK/out.txt" 2>&1 &
APP_PID=$!
await_app_window || fail "the thesaurus window did not appear for /t alone"
[ "$(xdotool getwindowname "$WID")" = "Тезаурус" ] || fail "the caption for /t alone is $(xdotool getwindowname "$WID")"
escape_ends && fail "Escape ended the thesaurus started with /t alone"
kill "$APP_PID" 2>/dev/null
wait "$APP_PID" 2>/dev/null
APP_PID=""
echo "PASS"
