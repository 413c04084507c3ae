#!/bin/bash
# The demo disc on a large screen (2560x1600, no window manager) at a forced
# scale of two: the main window is 1600x1200 and shows the 1x window with each
# pixel doubled (the main menu, shape included, compared pixel for pixel with a
# 1x run on the same screen); the hint of a button, a window of its own, is
# twice its 1x size; a click at twice the coordinates of "Новая игра"
# opens the registration screen; a drag by an empty spot moves the window by
# the pointer's distance.
# Exit 77 (skipped) when the X tools are missing.
# usage: real_scale.sh DISC PROBE
set -u
DISC="$1"
PROBE="$2"

. "$(dirname "$0")/../realwindow/xvfb.sh" 2560x1600
fail() { echo "FAIL: $*"; cat "$WORK/out.txt" 2>/dev/null; exit 1; }

export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK" XDG_STATE_HOME="$WORK/state"
size_of() { xdotool getwindowgeometry "$WID" | sed -n 's/.*Geometry: \([0-9]*x[0-9]*\).*/\1/p'; }
position() { xdotool getwindowgeometry "$WID" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p'; }

# Starts the shell at scale $1 with settings of its own; the pointer rests in
# the screen's corner, away from every button, and the first screen's fade ends.
start_at() {
  export TRIVION_SCALE="$1" XDG_CONFIG_HOME="$WORK/config$1" TRIVION_TRACE="$WORK/trace$1.jsonl"
  xdotool mousemove 0 0
  "$DISC/trivion" >"$WORK/out.txt" 2>&1 &
  APP_PID=$!
  await_app_window || fail "the shell window did not appear at scale $1"
  await_trace '"ev":"screen","screen":1' || fail "no first screen at scale $1"
  sleep 2
}
# Points at "Новая игра" (600,153 of the skin) at scale $1 and prints the size
# of the hint window that shows.
hint_size() {
  xdotool mousemove $((X + 600 * $1)) $((Y + 153 * $1))
  await_trace '"ev":"hint","text":"Регистрация' 50 || fail "no hint at scale $1"
  local w
  for w in $(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null); do
    [ "$w" != "$WID" ] && xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p'
  done | head -n1
}
stop_app() {
  kill "$APP_PID" 2>/dev/null
  wait "$APP_PID" 2>/dev/null
  APP_PID=""
}

start_at 1
[ "$(size_of)" = "800x600" ] || fail "at scale 1 the main window is $(size_of), not 800x600"
X1=$X
Y1=$Y
xwd -root -silent >"$WORK/one.xwd"
read -r HW HH <<<"$(hint_size 1)"
[ -n "$HW" ] || fail "no hint window at scale 1"
stop_app

start_at 2
[ "$(size_of)" = "1600x1200" ] || fail "at scale 2 the main window is $(size_of), not 1600x1200"
# Centred on the screen in its pixels: the 1x window's place halved, doubled.
[ "$X" = "$(((2560 - 1600) / 2))" ] && [ "$Y" = "$(((1600 - 1200) / 2))" ] || fail "the window is at $X,$Y"
# Whole window, cut-off corners included (the black root shows through both).
same=""
for _ in 1 2 3 4 5; do
  xwd -root -silent >"$WORK/two.xwd"
  "$PROBE" --compare-scaled "$WORK/one.xwd" "$X1" "$Y1" "$WORK/two.xwd" "$X" "$Y" 800 600 2 >"$WORK/compare.txt" &&
    { same=1; break; }
  sleep 1
done
[ -n "$same" ] || fail "the doubled window differs from the 1x one: $(cat "$WORK/compare.txt")"
read -r HW2 HH2 <<<"$(hint_size 2)"
[ "$HW2" = $((HW * 2)) ] && [ "$HH2" = $((HH * 2)) ] || fail "the hint is ${HW2}x$HH2 at scale 2, ${HW}x$HH at 1"

# A drag by an empty spot of the main menu (program pixel 100,300): 200 and
# 120 screen pixels, in steps.
xdotool mousemove $((X + 200)) $((Y + 600))
sleep 0.3
xdotool mousedown 1
sleep 0.2
for step in 1 2 3 4 5; do
  xdotool mousemove $((X + 200 + step * 40)) $((Y + 600 + step * 24))
  sleep 0.1
done
xdotool mouseup 1
for _ in $(seq 30); do
  read -r X2 Y2 <<<"$(position)"
  [ "$X2" = $((X + 200)) ] && [ "$Y2" = $((Y + 120)) ] && break
  sleep 0.1
done
[ "$X2" = $((X + 200)) ] && [ "$Y2" = $((Y + 120)) ] ||
  fail "dragged by 200,120 the window went from $X,$Y to $X2,$Y2"
X=$X2
Y=$Y2

# "Новая игра" lies at 600,153 of the skin.
xdotool mousemove $((X + 1200)) $((Y + 306)) click 1
await_trace '"ev":"screen","screen":2' || fail "a click at twice the button's place did not open the registration screen"
echo "PASS"
