#!/bin/bash
# The SDL backend on a real X server: starts its own Xvfb, runs window_probe,
# drives it with xdotool and checks what the probe reports and what the screen
# shows. Exit 77 (skipped) when the X tools are missing.
set -u
PROBE="$1"

. "$(dirname "$0")/xvfb.sh" 640x480
echo "Xvfb on $DISPLAY"

FAILS=0
fail() {
  echo "FAIL: $*"
  FAILS=$((FAILS + 1))
}
echo "Xvfb on $DISPLAY"

export SDL_AUDIODRIVER=dummy
export XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config" PROBE_SETTINGS="$WORK/settings"
"$PROBE" >"$WORK/out.txt" 2>"$WORK/err.txt" &
APP_PID=$!

# Waits until the probe has printed a line matching $1 (up to $2 tenths of a second).
wait_line() {
  for _ in $(seq "${2:-50}"); do
    grep -q -- "$1" "$WORK/out.txt" && return 0
    sleep 0.1
  done
  return 1
}
# Lines printed since mark_lines.
mark_lines() { MARK=$(wc -l <"$WORK/out.txt"); }
new_lines() { tail -n +"$((MARK + 1))" "$WORK/out.txt"; }
expect_new() {
  if ! new_lines | grep -q -- "$1"; then
    fail "no line '$1' after $2"
  fi
}
pixel() { "$PROBE" --pixel "$WORK/shot.xwd" "$1" "$2"; }
expect_pixel() {
  local got
  got=$(pixel "$1" "$2")
  [ "$got" = "$3" ] || fail "pixel $1,$2 is '$got', expected '$3' ($4)"
}

PATTERN="32 192 64"
ROOT="0 0 0"

if ! wait_line '^ready' 100; then
  cat "$WORK/err.txt"
  echo "FAIL: the probe did not start"
  exit 1
fi
wait_line '^worker done' 30 || fail "a task posted from a worker thread did not wake the loop"
WID=$(xdotool search --name '^Probe' | head -n1)
[ -n "$WID" ] || fail "the probe's window is not on the X server"
sleep 0.3

# The shape: inside the region the pattern, in the cut-out the root.
xwd -root -silent >"$WORK/shot.xwd"
expect_pixel 250 220 "$PATTERN" "inside the region"
expect_pixel 150 130 "$PATTERN" "inside the region"
expect_pixel 150 220 "$ROOT" "cut out of the window"
expect_pixel 50 50 "$ROOT" "outside the window"

# Mouse: client coordinates, buttons, leaving through the cut-out.
mark_lines
xdotool mousemove 250 150
wait_line '^move 150 50' 20 || fail "no move to client 150,50"
xdotool click 1
wait_line '^up L 150 50' 20 || fail "no click"
expect_new '^down L 150 50 8$' "the click"
xdotool mousemove 150 220
sleep 0.3
expect_new '^leave' "moving into the cut-out"
if new_lines | grep -q '^move 50 120'; then fail "a move arrived through the cut-out"; fi

# Keys by position: with the Russian layout the Q key types й, never q.
mark_lines
xdotool key Return Escape F1 q
wait_line '^keyup 81' 30 || fail "no key up of Q"
expect_new '^key 13 0$' "Return"
expect_new '^char 0d$' "Return"
expect_new '^key 27 0$' "Escape"
expect_new '^key 112 0$' "F1"
expect_new '^key 81 0$' "Q"
expect_new '^char e9 й$' "Q with the Russian layout"
if new_lines | grep -q '^char 71'; then fail "the desktop's q was typed too"; fi

# Keyboard focus without a window manager: a second window shown for a while
# (F3 a hint that never takes the focus, F4 one shown without activation, F5
# one that takes it and hides, F6 one that takes it and is destroyed) leaves
# the keys typed meanwhile and afterwards with the probe.
wait_new() {
  for _ in $(seq 50); do
    new_lines | grep -q -- "$1" && return 0
    sleep 0.1
  done
  return 1
}
flash() {  # KEY NAME KEY-WHILE-SHOWN VK KEY-AFTER VK (no key while shown: "" "")
  mark_lines
  xdotool key "$1"
  wait_new "^flash $2" || { fail "no $2 window on $1"; return; }
  if [ -n "$3" ]; then
    xdotool key "$3"
    wait_new "^key $4 " || fail "$3 typed while the $2 window shows did not reach the probe"
  fi
  wait_new '^flash gone' || fail "the $2 window did not go"
  xdotool key "$5"
  wait_new "^key $6 " || fail "$5 typed after the $2 window went did not reach the probe"
}
flash F3 hint b 66 c 67
flash F4 quiet d 68 e 69
flash F5 hide "" "" f 70
flash F6 destroy "" "" g 71

# Drag by the band at the top: the window follows the mouse.
mark_lines
xdotool mousemove 150 110
sleep 0.2
xdotool mousedown 1
wait_line '^drag' 20 || fail "the drag did not start"
for step in 1 2 3 4 5; do
  xdotool mousemove $((150 + step * 20)) $((110 + step * 20))
  sleep 0.1
done
sleep 0.2
xdotool mouseup 1
sleep 0.3
if [ -n "$WID" ]; then
  GEOMETRY=$(xdotool getwindowgeometry "$WID")
  echo "$GEOMETRY" | grep -q 'Position: 200,200' || fail "window not moved to 200,200: $GEOMETRY"
fi
if new_lines | grep -q '^up L'; then fail "the release that ended the drag was delivered"; fi
xwd -root -silent >"$WORK/shot.xwd"
expect_pixel 350 320 "$PATTERN" "inside the moved window"
expect_pixel 250 320 "$ROOT" "cut out of the moved window"
expect_pixel 150 130 "$ROOT" "where the window was"

# Another program finds the window by its caption and asks it to close.
mark_lines
xdotool mousemove 350 250
xdotool key F2
wait_line '^close' 30 || fail "no close request"
expect_new '^bounds 200 200 200 160' "the drag"
expect_new '^found' "searching the caption"
for _ in $(seq 50); do
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$APP_PID" 2>/dev/null; then
  fail "the probe did not end after the close request"
else
  wait "$APP_PID"
  CODE=$?
  APP_PID=""
  [ "$CODE" = 0 ] || fail "the probe ended with $CODE"
fi

if [ "$FAILS" != 0 ]; then
  echo "--- probe output"
  cat "$WORK/out.txt"
  echo "--- probe errors"
  cat "$WORK/err.txt"
  exit 1
fi
echo "real window: all checks passed"
exit 0
