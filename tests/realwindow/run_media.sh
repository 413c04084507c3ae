#!/bin/bash
# A clip on a real X server: played into a rectangle of a window it shows
# moving video there (two screenshots apart differ inside the rectangle) and
# nothing outside it; played in the device's own window it leaves the keyboard
# with the window the player types into. Exit 77 (skipped) without the X tools.
set -u
PROBE="$1"

. "$(dirname "$0")/xvfb.sh" 640x480
echo "Xvfb on $DISPLAY"

FAILS=0
fail() {
  echo "FAIL: $*"
  FAILS=$((FAILS + 1))
}

export SDL_AUDIODRIVER=dummy
export XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
mkdir -p "$WORK/clip"
"$PROBE" "$WORK/clip" >"$WORK/out.txt" 2>"$WORK/err.txt" &
APP_PID=$!

wait_line() {
  for _ in $(seq "${2:-50}"); do
    grep -q -- "$1" "$WORK/out.txt" && return 0
    sleep 0.1
  done
  return 1
}
diff_px() { "$PROBE" --diff "$WORK/a.xwd" "$WORK/b.xwd" "$@"; }
pixel() { "$PROBE" --pixel "$1" "$2" "$3"; }
BACKGROUND="20 90 20"

if ! wait_line '^playing' 150; then
  cat "$WORK/err.txt"
  echo "FAIL: the probe did not start"
  exit 1
fi
# The window is at 100,100 (320x240); the video rect at 140,130 to 340,280.
sleep 0.5
xwd -root -silent >"$WORK/a.xwd"
sleep 0.4
xwd -root -silent >"$WORK/b.xwd"
grep -q '^ended' "$WORK/out.txt" && fail "the clip ended before the second screenshot"

MOVING=$(diff_px 140 130 340 280)
echo "pixels changed inside the video rect: $MOVING"
[ "${MOVING:-0}" -gt 2000 ] || fail "the video does not move inside its rect ($MOVING pixels changed)"
for band in "100 100 420 130" "100 280 420 340" "100 130 140 280" "340 130 420 280" "0 0 640 100" "0 340 640 480"; do
  # shellcheck disable=SC2086
  CHANGED=$(diff_px $band)
  [ "$CHANGED" = 0 ] || fail "$CHANGED pixels changed outside the video rect, in $band"
done
for shot in a b; do
  [ "$(pixel "$WORK/$shot.xwd" 110 110)" = "$BACKGROUND" ] || fail "the window's own picture is gone at 110,110"
  [ "$(pixel "$WORK/$shot.xwd" 410 330)" = "$BACKGROUND" ] || fail "the window's own picture is gone at 410,330"
  [ "$(pixel "$WORK/$shot.xwd" 139 129)" = "$BACKGROUND" ] || fail "the video spills over its rect at 139,129"
  [ "$(pixel "$WORK/$shot.xwd" 340 280)" = "$BACKGROUND" ] || fail "the video spills over its rect at 340,280"
  [ "$(pixel "$WORK/$shot.xwd" 240 205)" != "$BACKGROUND" ] || fail "no video in the middle of its rect"
done

# The second play, in the device's own window: it appears, and typing still
# reaches the probe's window.
wait_line '^own' 60 || fail "the clip did not end and play again"
grep -q '^ended badly' "$WORK/out.txt" && fail "the first play did not end successfully"
for _ in $(seq 30); do
  CLIP=$(xdotool search --onlyvisible --name '^clip.avi$' 2>/dev/null | head -n1)
  [ -n "$CLIP" ] && break
  sleep 0.1
done
[ -n "${CLIP:-}" ] || fail "no window of the device's own"
xdotool key a
wait_line '^key 65' 30 || fail "a key typed while the clip's own window shows did not reach the probe"

wait_line '^ended own' 60 || fail "the second play did not end"
for _ in $(seq 50); do
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$APP_PID" 2>/dev/null; then
  fail "the probe did not end"
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
echo "real window media: all checks passed"
exit 0
