#!/bin/bash
# One turn with the game table on the demo disc under a real X server: the
# table page shows before the question, two screenshots taken apart during
# the spin differ inside the table's place (the top moves) and nowhere else
# on the page, and the question that follows has the level of the sector the
# table settled. Exit 77 (skipped) when the X tools are missing.
# usage: real_table.sh DISC MEDIA_PROBE
set -u
DISC="$1"
PROBE="$2"

. "$(dirname "$0")/../realwindow/xvfb.sh" 1024x768
fail() {
  echo "FAIL: $*"
  cat "$WORK/out.txt" 2>/dev/null
  grep -E '"ev":"(table|dialog|game)"' "$WORK/trace.jsonl" 2>/dev/null | tail -n 20
  exit 1
}

export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
. "$(dirname "$0")/demo_steps.sh"
export TRIVION_TRACE="$WORK/trace.jsonl"
"$DISC/trivion" >"$WORK/out.txt" 2>&1 &
APP_PID=$!
await_app_window || fail "the shell window did not appear"

# "Новая игра", a name, Enter: the game screen, then the table.
register_ivan
# The pointer rests away from the dialog, so that no hint or hover shows.
xdotool mousemove $((X + 10)) $((Y + 590))
await_trace '"op":"show","layout":6' 100 || fail "the table page did not show"
await_trace '"ev":"table","op":"spin"' 100 || fail "the top did not spin"
await_trace '"op":"play","from"' 50 || fail "the spin clip did not play"

# Where the page is: its left and top on the screen, from the trace.
read -r DL DT < <(grep '"op":"show","layout":6' "$WORK/trace.jsonl" | tail -n1 |
  sed -E 's/.*"left":(-?[0-9]+),"top":(-?[0-9]+),"width".*/\1 \2/')
[ -n "${DT:-}" ] || fail "no place of the table page in the trace"
sleep 1
xwd -root -silent >"$WORK/a.xwd"
sleep 0.5
xwd -root -silent >"$WORK/b.xwd"
grep -q '"op":"letter"\|"op":"arrows"' "$WORK/trace.jsonl" && fail "the spin ended before the second screenshot"

diff_px() { "$PROBE" --diff "$WORK/a.xwd" "$WORK/b.xwd" "$@"; }
# The table's place on the page: 166,82, 308 by 232.
MOVING=$(diff_px $((DL + 166)) $((DT + 82)) $((DL + 474)) $((DT + 314)))
echo "pixels changed inside the table: $MOVING"
[ "${MOVING:-0}" -gt 2000 ] || fail "no spinning top in the table's place ($MOVING pixels changed)"
for band in "0 0 640 82" "0 314 640 420" "0 82 166 314" "474 82 640 314"; do
  read -r x0 y0 x1 y1 <<<"$band"
  CHANGED=$(diff_px $((DL + x0)) $((DT + y0)) $((DL + x1)) $((DT + y1)))
  [ "$CHANGED" = 0 ] || fail "$CHANGED pixels changed on the page outside the table, in $band"
done

# The table settles a sector and closes; the question is of that level.
await_trace '"ev":"table","op":"settled"' 200 || fail "the table did not settle a sector"
SECTOR=$(grep '"ev":"table","op":"settled"' "$WORK/trace.jsonl" | tail -n1 | sed -E 's/.*"sector":([0-9]+).*/\1/')
await_trace '"step":"turn"' 50 || fail "no turn followed the table"
LEVEL=$(grep '"step":"turn"' "$WORK/trace.jsonl" | tail -n1 | sed -E 's/.*"level":([0-9]+).*/\1/')
echo "settled sector $SECTOR, question of level $LEVEL"
[ "$SECTOR" = "$LEVEL" ] || fail "the table settled sector $SECTOR but the question is of level $LEVEL"
echo "PASS"
