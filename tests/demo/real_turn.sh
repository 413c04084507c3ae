#!/bin/bash
# One turn of the quiz on the demo disc under a real X server with a US
# keyboard: a name is registered, the question is typed by the game, the right
# answer (looked up in the disc's bank by the question's id from the trace) is
# typed by key position in the program's Russian layout, Enter judges it, and
# the score field shows the points in the trace and in a screenshot.
# Exit 77 (skipped) when the X tools or python3 are missing.
# usage: real_turn.sh DISC WINDOW_PROBE TRIVION_DISC
set -u
DISC="$1"
PROBE="$2"
DISCTOOL="$3"
command -v python3 >/dev/null 2>&1 || { echo "SKIP: python3 is not installed"; exit 77; }

. "$(dirname "$0")/../realwindow/xvfb.sh" 1024x768
fail() {
  echo "FAIL: $*"
  cat "$WORK/out.txt" 2>/dev/null
  grep '"ev":"game"' "$WORK/trace.jsonl" 2>/dev/null | tail -n 20
  exit 1
}

# The bank as the game reads it (windows-1251), turned into UTF-8 for the look-up.
"$DISCTOOL" tree-cat "$DISC/interface.dat" questions.xml >"$WORK/questions.cp1251" 2>"$WORK/tree-cat.err" ||
  fail "the bank cannot be read from the disc: $(cat "$WORK/tree-cat.err")"
iconv -f WINDOWS-1251 -t UTF-8 "$WORK/questions.cp1251" >"$WORK/questions.xml" || fail "the bank is not windows-1251"

export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
. "$(dirname "$0")/demo_steps.sh" && table_off  # no game table before the question
export TRIVION_TRACE="$WORK/trace.jsonl" TRIVION_SEED=12345
"$DISC/trivion" >"$WORK/out.txt" 2>&1 &
APP_PID=$!

await_app_window || fail "the shell window did not appear"


# Colours across the score field (window 596,114 - 756,146), one line.
score_field_pixels() {
  xwd -root -silent >"$WORK/shot.xwd"
  for y in 122 128 134 140; do
    for x in $(seq 600 3 752); do
      "$PROBE" --pixel "$WORK/shot.xwd" $((X + x)) $((Y + y))
    done
  done | tr '\n' ';'
}

# "Новая игра", then a name typed by key position ("Иван") and Enter.
register_ivan

# The question is typed in, then the discussion minute opens the answer.
await_trace '"step":"turn"' 150 || fail "no turn started"
await_trace '"step":"discussion"' 300 || fail "the question was never finished"
before=$(score_field_pixels)

# The question's id from the trace, its text as the field shows it last, and
# the bank's answer as the keys that type it in the Russian layout.
python3 - "$WORK/trace.jsonl" "$WORK/questions.xml" >"$WORK/turn.txt" <<'EOF' || fail "no answer found: $(cat "$WORK/turn.txt")"
import json, re, sys
import xml.etree.ElementTree as ET
events = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8") if l.strip()]
turn = [e for e in events if e.get("ev") == "game" and e.get("step") == "turn"][-1]
shown = [e["text"] for e in events if e.get("ev") == "field" and e.get("number") == 555]
text = open(sys.argv[2], encoding="utf-8").read()
text = re.sub(r'encoding="[^"]*"', 'encoding="utf-8"', text, count=1)
root = ET.fromstring(text.encode("utf-8"))
q = next((q for q in root if q.get("ID") == str(turn["id"])), None)
if q is None:
    print("question", turn["id"], "is not in the bank"); sys.exit(1)
flat = lambda s: " ".join(s.replace("&&", "&").split())
if not shown or flat(shown[-1]) != flat(q.findtext("TEXT")):
    print("the question field does not show the question:", shown[-1:] , "/", q.findtext("TEXT")); sys.exit(1)
keys = dict(zip("йцукенгшщзхъфывапролджэячсмитьбюё",
    "q w e r t y u i o p bracketleft bracketright a s d f g h j k l semicolon apostrophe "
    "z x c v b n m comma period grave".split()))
def typed(answer):
    out = []
    for ch in answer:
        if ch.lower() in keys:
            out.append(("shift+" if ch != ch.lower() else "") + keys[ch.lower()])
        elif ch.isdigit():
            out.append(ch)
        elif ch in " -.,\"'":
            out.append("space")  # the judge reads these as blanks
        else:
            return None
    return out
for a in q.findall("ANSWER"):
    k = typed(a.text or "")
    if k:
        print(turn["level"]); print(a.text); print(" ".join(k)); sys.exit(0)
print("no answer of question", turn["id"], "can be typed"); sys.exit(1)
EOF
LEVEL=$(sed -n 1p "$WORK/turn.txt")
ANSWER=$(sed -n 2p "$WORK/turn.txt")
KEYS=$(sed -n 3p "$WORK/turn.txt")
POINTS=$(echo "50 100 150 200 250 300 400 500 700 1000 1500 2000 2500 5000" | cut -d' ' -f"$LEVEL")
echo "level $LEVEL, answer '$ANSWER', keys: $KEYS"

# shellcheck disable=SC2086
xdotool key --delay 40 $KEYS
sleep 0.3
grep -q '"step":"judged"' "$WORK/trace.jsonl" && fail "the answer was judged before Enter"
xdotool key Return
await_trace '"step":"judged"' 50 || fail "Enter did not judge the answer"
grep '"step":"judged"' "$WORK/trace.jsonl" | grep -q '"right":true' ||
  fail "the answer was judged wrong: $(grep '"number":561' "$WORK/trace.jsonl" | tail -n1)"
await_trace "\"ev\":\"field\",\"number\":558,\"text\":\"$POINTS\"" 60 || fail "the score field never showed $POINTS"

# The screenshot: the score field's pixels are no longer those of before.
after=""
for _ in $(seq 30); do
  after=$(score_field_pixels)
  [ "$after" != "$before" ] && break
  sleep 0.2
done
[ -n "$before" ] && [ "$after" != "$before" ] || fail "the score field looks as before the answer"
grep -q "255 217 120" <<<"$after" || fail "the score field shows no text in its colour"
echo "PASS"
