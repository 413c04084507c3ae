#!/bin/bash
# The demo disc under a real X server, with the shell built with
# AddressSanitizer: a game is ended with the points button, and while its
# results dialog is modal the main window is asked to close, as a window
# manager's close button does. The dialog closes first, the program ends
# cleanly (status 0) and the sanitizer reports nothing.
# Exit 77 (skipped) when the X tools are missing.
# usage: real_close_under_results.sh DISC SHELL CLOSE_WINDOW
set -u
DISC="$1"
SHELL_EXE="$2"
CLOSE="$3"

. "$(dirname "$0")/../realwindow/xvfb.sh" 1024x768
fail() { echo "FAIL: $*"; cat "$WORK/out.txt" 2>/dev/null; exit 1; }

# The disc's files with the shell under test beside them.
mkdir -p "$WORK/disc"
for f in "$DISC"/*; do
  [ "$(basename "$f")" = trivion ] || ln -s "$f" "$WORK/disc/$(basename "$f")"
done
cp "$SHELL_EXE" "$WORK/disc/trivion"

export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
. "$(dirname "$0")/demo_steps.sh" && table_off  # no game table before the question
export TRIVION_TRACE="$WORK/trace.jsonl" TRIVION_SEED=7
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=0:exitcode=86"
"$WORK/disc/trivion" >"$WORK/out.txt" 2>&1 &
APP_PID=$!
await_app_window || fail "the shell window did not appear"

sleep 1
xdotool mousemove $((X + 600)) $((Y + 153)) click 1
await_trace '"ev":"screen","screen":2' || fail "the registration screen did not open"
sleep 1.5
xdotool key shift+b d f y
sleep 0.3
xdotool key Return
await_trace '"step":"discussion"' 300 || fail "no question came"
# "Take the points": the results dialog, modal.
xdotool mousemove $((X + 650)) $((Y + 410)) click 1
await_trace '"ev":"dialog","op":"show"' 50 || fail "the results dialog did not show"
sleep 1
"$CLOSE" "ТРИВИОН" || fail "the main window could not be asked to close"

for _ in $(seq 100); do
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$APP_PID" 2>/dev/null && fail "the shell did not end after its window was closed"
wait "$APP_PID"
status=$?
APP_PID=""
grep -q "AddressSanitizer" "$WORK/out.txt" && fail "the sanitizer found an error"
[ "$status" -eq 0 ] || fail "the shell ended with status $status"
grep -q '"ev":"dialog","op":"close","layout":3' "$WORK/trace.jsonl" || fail "the dialog was not closed first"
echo "PASS"
