# Sourced by the real-window tests: skips (exit 77) without the X tools, makes
# $WORK, starts an Xvfb of the size given ("640x480") on a free display and
# exports DISPLAY; at exit it ends $APP_PID (the program under test), Xvfb,
# and removes $WORK.
for tool in Xvfb xdotool xwd; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done

WORK=$(mktemp -d)
XVFB_PID=""
APP_PID=""
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

# Xvfb picks a free display itself and reports it once it accepts clients.
# A black root (-br) is what shows through a window's cut-out.
Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp -br 3>"$WORK/display" 2>"$WORK/xvfb.log" &
XVFB_PID=$!
for _ in $(seq 100); do
  [ -s "$WORK/display" ] && break
  sleep 0.05
done
if [ ! -s "$WORK/display" ]; then
  cat "$WORK/xvfb.log"
  echo "FAIL: Xvfb did not start"
  exit 1
fi
export DISPLAY=":$(head -n1 "$WORK/display")"

# Waits up to ten seconds for a visible window of $APP_PID: sets WID and its
# position X Y; returns 1 when none appeared.
await_app_window() {
  WID=""
  for _ in $(seq 100); do
    WID=$(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | head -n1)
    [ -n "$WID" ] && break
    sleep 0.1
  done
  [ -n "$WID" ] || return 1
  read -r X Y <<<"$(xdotool getwindowgeometry "$WID" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')"
}

# Waits for a line of the trace file $TRIVION_TRACE matching PATTERN, for
# TENTHS tenths of a second (default 100); returns 1 when none came.
await_trace() {
  for _ in $(seq "${2:-100}"); do
    grep -q "$1" "$TRIVION_TRACE" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}
