#!/bin/bash
# The game dialog on the demo disc: Enter on the registration screen without
# a name asks for one in the dialog (page 5, "Введите имя!"), centred on the
# main window; the shot of the dialog window is its own picture; Escape
# closes it with code 2 and the close button's sound, Enter a second time
# with code 1 (its button is named "ok"), a click on that button (command
# "ok", not one the dialog knows) with code 2.
#
#   dialog_demo.sh DEMO_DISC_DIR
set -euo pipefail
disc=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run"

cat > "$work/dialog.scn" <<SCN
wait 1000
key Enter
wait 1500
key Enter
wait 1000
shot $work/dialog.png @dialog
shot $work/main.png
key Escape @dialog
wait 500
key Enter
wait 1000
key Enter @dialog
wait 500
key Enter
wait 1000
click 180 118 @dialog
wait 2000
quit
SCN
env -u DISPLAY -u TRIVION_DISC HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
    XDG_STATE_HOME="$work/home/state" XDG_RUNTIME_DIR="$work/run" \
    TRIVION_BACKEND=headless TRIVION_SCRIPT="$work/dialog.scn" TRIVION_TRACE="$work/trace.jsonl" \
    timeout 60 "$disc/trivion"

fail() {
  echo "FAIL: $1"
  echo "--- dialog lines of the trace:"
  grep '"ev":"dialog"' "$work/trace.jsonl" || true
  exit 1
}
dialogs=$(grep '"ev":"dialog"' "$work/trace.jsonl" || true)
shows=$(grep -c '"op":"show"' <<<"$dialogs" || true)
[ "$shows" -eq 3 ] || fail "expected three dialogs shown, saw $shows"
grep -q '"op":"show","layout":4,"text":"Введите имя!"' <<<"$dialogs" || fail "no request for a name on page 5"
results=$(grep -o '"op":"close".*"result":-\?[0-9]*' <<<"$dialogs" | grep -o '"result":-\?[0-9]*' | tr '\n' ' ')
[ "$results" = '"result":2 "result":1 "result":2 ' ] || fail "results were: $results"
# Every showing has its place and size (centring itself is a unit test).
grep '"op":"show"' <<<"$dialogs" | grep -q '"left":[0-9-]*,"top":[0-9-]*,"width":[1-9][0-9]*,"height":[1-9][0-9]*' ||
  fail "a show line lacks its place"
# The close button's sound on Escape.
grep -q '"ev":"sound".*exit.wav' "$work/trace.jsonl" || fail "Escape played no close sound"
[ -s "$work/dialog.png" ] || fail "no picture of the dialog window"
cmp -s "$work/dialog.png" "$work/main.png" && fail "the dialog shot is the main window's"
echo "ok: $shows dialogs, results $results"
