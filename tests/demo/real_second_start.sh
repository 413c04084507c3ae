#!/bin/bash
# The demo disc under a real X server: a second start while the shell runs
# finds the running shell's window, brings it to the front and ends at once
# with status 0 and no window (no message box) of its own; the first shell
# goes on. Exit 77 (skipped) when the X tools are missing.
# usage: real_second_start.sh DISC
set -u
DISC="$1"

. "$(dirname "$0")/../realwindow/xvfb.sh" 1024x768
fail() { echo "FAIL: $*"; cat "$WORK/out.txt" "$WORK/second.txt" 2>/dev/null; exit 1; }

export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
export TRIVION_TRACE="$WORK/trace.jsonl"
"$DISC/trivion" >"$WORK/out.txt" 2>&1 &
APP_PID=$!
await_app_window || fail "the shell window did not appear"
FIRST_WID=$WID

# A second start would show a message box and wait for the player if it found
# no window to raise: the timeout turns that into a failure.
TRIVION_TRACE="$WORK/second.jsonl" timeout 20 "$DISC/trivion" >"$WORK/second.txt" 2>&1
RC=$?
[ "$RC" -eq 0 ] || fail "the second start exited with $RC, not 0"
grep -q '"ev":"shell","verb":"raise","target":"ТРИВИОН"' "$WORK/second.jsonl" ||
  fail "the second start did not raise the running window: $(cat "$WORK/second.jsonl")"
grep -q '"ev":"messagebox"' "$WORK/second.jsonl" && fail "the second start showed a message box"
grep -q 'its window was brought to the front' "$WORK/second.txt" || fail "stderr does not say what happened"
kill -0 "$APP_PID" 2>/dev/null || fail "the first shell ended"
xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | grep -qx "$FIRST_WID" || fail "the first window went away"
echo "PASS"
