#!/bin/bash
# The shell on a real X server: points at a button and checks from a screenshot
# that its hover picture shows, then drags the window by an empty spot and checks
# that it moved. Exit 77 (skipped) when the X tools are missing.
set -u
SHELL_EXE="$1"
MAKE_DISC="$2"
PROBE="$3"

. "$(dirname "$0")/xvfb.sh" 640x480

FAILS=0
fail() {
  echo "FAIL: $*"
  FAILS=$((FAILS + 1))
}

mkdir -p "$WORK/disc"
"$MAKE_DISC" "$WORK/disc" || { echo "FAIL: no test disc"; exit 1; }
cp "$SHELL_EXE" "$WORK/disc/trivion"
export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
"$WORK/disc/trivion" >"$WORK/out.txt" 2>&1 &
APP_PID=$!

await_app_window || { cat "$WORK/out.txt"; echo "FAIL: the shell window did not appear"; exit 1; }
sleep 0.5
position() { xdotool getwindowgeometry "$WID" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p'; }
read -r X Y <<<"$(position)"
echo "window at $X,$Y"

# Under load frames come late: each look is awaited for up to five seconds.
pixel_at() {
  xwd -root -silent >"$WORK/shot.xwd"
  "$PROBE" --pixel "$WORK/shot.xwd" "$1" "$2"
}
await_pixel() {  # X Y "R G B"
  local got=""
  for _ in $(seq 50); do
    got=$(pixel_at "$1" "$2")
    [ "$got" = "$3" ] && return 0
    sleep 0.1
  done
  echo "$got"
  return 1
}

# The button at client (20,20), 40x20: red at rest, green under the mouse.
got=$(await_pixel $((X + 30)) $((Y + 30)) "200 0 0") || fail "button at rest shows '$got'"
xdotool mousemove $((X + 30)) $((Y + 30))
got=$(await_pixel $((X + 30)) $((Y + 30)) "0 200 0") || fail "hovered button shows '$got', not its hover picture"

# Drag by an empty spot of the background.
xdotool mousemove $((X + 5)) $((Y + 140))
sleep 0.2
xdotool mousedown 1
sleep 0.2
for step in 1 2 3 4 5; do
  xdotool mousemove $((X + 5 + step * 8)) $((Y + 140 + step * 4))
  sleep 0.1
done
xdotool mouseup 1
for _ in $(seq 30); do
  read -r X2 Y2 <<<"$(position)"
  [ "$X2" = $((X + 40)) ] && [ "$Y2" = $((Y + 20)) ] && break
  sleep 0.1
done
echo "window moved to $X2,$Y2"
[ "$X2" = $((X + 40)) ] && [ "$Y2" = $((Y + 20)) ] || fail "window at $X2,$Y2, expected $((X + 40)),$((Y + 20))"

if [ "$FAILS" -ne 0 ]; then cat "$WORK/out.txt"; exit 1; fi
echo "PASS"
