#!/bin/bash
# Runs one whole-program scenario: the shell on the small test disc with the
# headless backend, its scenario file playing the user, and compares the trace
# it writes with the scenario's golden file.
#
#   run_scenario.sh TRIVION MAKE_TEST_DISC NAME.scn NAME.golden
#
# In the scenario file "@WORK@" stands for the run's temporary folder (for the
# pictures of `shot` lines); the trace gets the same stand-in back before the
# comparison, so the golden file holds no run-specific paths. Nothing else is
# rewritten: the clock is virtual, so times and order are the same every run.
# Every picture a `shot` line names must be written as a non-empty PNG.
#
# TRIVION_UPDATE_GOLDEN=1 writes the trace to the golden file instead of
# comparing (then review the change by eye before keeping it).
set -u
if [ $# -ne 4 ]; then
  echo "usage: $0 TRIVION MAKE_TEST_DISC NAME.scn NAME.golden" >&2
  exit 2
fi
EXE="$1"
MAKE_DISC="$2"
SCENARIO="$3"
GOLDEN="$4"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/trivion-scenario.XXXXXX") || { echo "FAIL: no temporary folder"; exit 1; }
trap 'rm -rf "$WORK"' EXIT

# The shell finds its disc beside the executable, as on a real disc.
mkdir -p "$WORK/disc" "$WORK/config" "$WORK/state" "$WORK/runtime" "$WORK/home"
"$MAKE_DISC" "$WORK/disc" >"$WORK/make_disc.txt" 2>&1 || { cat "$WORK/make_disc.txt"; echo "FAIL: no test disc"; exit 1; }
cp "$EXE" "$WORK/disc/trivion" || { echo "FAIL: cannot copy $EXE"; exit 1; }

# Text for sed: a literal in a pattern, and in a replacement.
sed_pattern() { printf '%s' "$1" | sed 's/[][\\.*^$/|]/\\&/g'; }
sed_replacement() { printf '%s' "$1" | sed 's/[\\&|]/\\&/g'; }

sed "s|@WORK@|$(sed_replacement "$WORK")|g" "$SCENARIO" >"$WORK/script.scn"

(
  cd "$WORK" || exit 1
  exec env -u TRIVION_DISC -u TRIVION_LOG -u DISPLAY -u WAYLAND_DISPLAY \
    HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_STATE_HOME="$WORK/state" \
    XDG_RUNTIME_DIR="$WORK/runtime" TRIVION_BACKEND=headless \
    TRIVION_SCRIPT="$WORK/script.scn" TRIVION_TRACE="$WORK/trace.jsonl" \
    timeout 60 "$WORK/disc/trivion"
) >"$WORK/stdout.txt" 2>"$WORK/stderr.txt"
RC=$?

FAILS=0
fail() { echo "FAIL: $*"; FAILS=$((FAILS + 1)); }
show_output() {
  echo "--- stdout"; cat "$WORK/stdout.txt"
  echo "--- stderr"; cat "$WORK/stderr.txt"
  if [ -f "$WORK/state/trivion/trivion.log" ]; then echo "--- log"; cat "$WORK/state/trivion/trivion.log"; fi
}

if [ "$RC" -eq 124 ]; then
  fail "trivion did not end within 60 s"
elif [ "$RC" -ne 0 ]; then
  fail "trivion exited with $RC"
fi
[ -s "$WORK/trace.jsonl" ] || fail "no trace was written"

# Pictures of `shot` lines: written, non-empty, PNG.
while read -r shot; do
  [ -n "$shot" ] || continue
  if [ ! -s "$shot" ]; then
    fail "shot $shot was not written or is empty"
  elif [ "$(head -c 4 "$shot" | od -An -tx1 | tr -d ' \n')" != "89504e47" ]; then
    fail "shot $shot is not a PNG"
  fi
done < <(sed -n 's/^[[:space:]]*shot[[:space:]]\{1,\}\([^[:space:]]\{1,\}\).*/\1/p' "$WORK/script.scn")

# The run's folder, as a native path and as a script path (backslashes,
# doubled inside JSON strings), becomes @WORK@.
WINDOWS_WORK=$(printf '%s' "$WORK" | sed 's|/|\\\\|g')
sed -e "s|$(sed_pattern "$WORK")|@WORK@|g" -e "s|$(sed_pattern "$WINDOWS_WORK")|@WORK@|g" \
  "$WORK/trace.jsonl" >"$WORK/trace.normal" 2>/dev/null || : >"$WORK/trace.normal"

if [ "${TRIVION_UPDATE_GOLDEN:-}" = "1" ]; then
  if [ "$FAILS" -ne 0 ]; then
    show_output
    echo "golden file left unchanged: $GOLDEN"
    exit 1
  fi
  cp "$WORK/trace.normal" "$GOLDEN"
  echo "UPDATED $GOLDEN ($(wc -l <"$GOLDEN") lines)"
  exit 0
fi

if [ ! -f "$GOLDEN" ]; then
  fail "no golden file $GOLDEN (TRIVION_UPDATE_GOLDEN=1 writes it)"
elif ! diff -u "$GOLDEN" "$WORK/trace.normal" >"$WORK/trace.diff"; then
  fail "the trace differs from $(basename "$GOLDEN") (- golden, + this run):"
  cat "$WORK/trace.diff"
fi

if [ "$FAILS" -ne 0 ]; then
  show_output
  exit 1
fi
echo "PASS $(basename "$SCENARIO") ($(wc -l <"$GOLDEN") trace lines)"
