#!/bin/bash
# The demo disc on a real X server whose keyboard is US: "Новая игра" opens the
# registration screen, a name typed by key position comes out in Cyrillic (the
# program's own layout is Russian), and Enter enters the game screen, as the
# trace and a screenshot show; the name is kept in the settings at the end.
# Exit 77 (skipped) when the X tools are missing.
set -u
DISC="$1"
PROBE="$2"

. "$(dirname "$0")/../realwindow/xvfb.sh" 1024x768
fail() { echo "FAIL: $*"; cat "$WORK/out.txt" 2>/dev/null; exit 1; }

export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
. "$(dirname "$0")/demo_steps.sh" && table_off  # no game table before the question
export TRIVION_TRACE="$WORK/trace.jsonl"
"$DISC/trivion" >"$WORK/out.txt" 2>&1 &
APP_PID=$!

await_app_window || fail "the shell window did not appear"

register_ivan

# The game screen's own picture: the "take the points" plaque at (650, 420).
for _ in $(seq 50); do
  xwd -root -silent >"$WORK/shot.xwd"
  got=$("$PROBE" --pixel "$WORK/shot.xwd" $((X + 650)) $((Y + 420)))
  [ "$got" = "35 64 136" ] && break
  sleep 0.1
done
[ "$got" = "35 64 136" ] || fail "the screenshot does not show the game screen (pixel '$got')"

# Closing keeps the typed name in the settings.
xdotool key alt+F4
for _ in $(seq 50); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$APP_PID" 2>/dev/null && fail "Alt+F4 did not close the shell"
APP_PID=""
grep -rq "Иван" "$WORK/config" || { grep -r . "$WORK/config"; fail "the name is not in the settings"; }
echo "PASS"
