#!/bin/bash
# The cinema screen of the demo disc under a real X server: the intro clip's
# button plays the clip in the screen's clip area. Two screenshots taken apart
# differ inside the area (the video moves) and nowhere else in the window.
# Exit 77 (skipped) when the X tools are missing.
# usage: real_cinema.sh DISC MEDIA_PROBE
set -u
DISC="$1"
PROBE="$2"

. "$(dirname "$0")/../realwindow/xvfb.sh" 1024x768
fail() { echo "FAIL: $*"; cat "$WORK/out.txt" 2>/dev/null; exit 1; }

export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
export TRIVION_TRACE="$WORK/trace.jsonl"
"$DISC/trivion" >"$WORK/out.txt" 2>&1 &
APP_PID=$!
await_app_window || fail "the shell window did not appear"

sleep 1
xdotool mousemove $((X + 610)) $((Y + 292)) click 1
await_trace '"ev":"screen","screen":4' || fail "the cinema screen did not open"
sleep 1.5  # its fade
xdotool mousemove $((X + 270)) $((Y + 472)) click 1
await_trace '"op":"video","window":"main","left":240,"top":134' 50 || fail "the clip was not sent to the clip area"
await_trace '"op":"play"' 50 || fail "the clip did not play"
# The pointer rests on an empty spot, away from every button.
xdotool mousemove $((X + 120)) $((Y + 300))
sleep 1
xwd -root -silent >"$WORK/a.xwd"
sleep 0.5
xwd -root -silent >"$WORK/b.xwd"
grep -q '"value":"successful"' "$WORK/trace.jsonl" && fail "the clip ended before the second screenshot"

diff_px() { "$PROBE" --diff "$WORK/a.xwd" "$WORK/b.xwd" "$@"; }
# The clip area: 240,134 to 560,374 of the window.
MOVING=$(diff_px $((X + 240)) $((Y + 134)) $((X + 560)) $((Y + 374)))
echo "pixels changed inside the clip area: $MOVING"
[ "${MOVING:-0}" -gt 2000 ] || fail "no moving video in the clip area ($MOVING pixels changed)"
for band in "0 0 800 134" "0 374 800 600" "0 134 240 374" "560 134 800 374"; do
  read -r x0 y0 x1 y1 <<<"$band"
  CHANGED=$(diff_px $((X + x0)) $((Y + y0)) $((X + x1)) $((Y + y1)))
  [ "$CHANGED" = 0 ] || fail "$CHANGED pixels changed outside the clip area, in $band"
done
echo "PASS"
