#!/bin/bash
# Runs one whole-program scenario: the shell on the small test disc (or on the
# demo disc) with the headless backend, its scenario file playing the user, and
# compares the trace it writes with the scenario's golden file.
#
#   run_scenario.sh TRIVION MAKE_TEST_DISC NAME.scn NAME.golden [DEMO_DISC TRIVION_DISC]
#
# In the scenario file "@WORK@" stands for the run's temporary folder (for the
# pictures of `shot` lines); the trace gets the same stand-in back before the
# comparison, so the golden file holds no run-specific paths. Nothing else is
# rewritten: the clock is virtual, so times and order are the same every run.
# Every picture a `shot` line names must be written as a non-empty PNG.
#
# Set-up and checks of a run are "#!" lines at the top of the scenario file,
# before its first step (the program reads them as comments):
#
#   #! demo-disc                    play on the demo disc DEMO_DISC (its files
#                                   linked into the run's disc folder) rather
#                                   than on the small test disc
#   #! args ARG...                  command-line arguments for trivion (split
#                                   on blanks, no quoting)
#   #! remove FILE                  delete FILE of the disc folder before the run
#   #! replace-entry Struct.txt F   the archive's Struct.txt is the UTF-8 text
#                                   file F (relative to the scenario's folder)
#   #! remove-entry Struct.txt      the archive holds no Struct.txt
#   #! hold-lock [TITLE]            hold the single-instance lock of the title
#                                   TITLE (default: the test disc's "Тестовый
#                                   диск") while trivion runs, as a running
#                                   shell would; the run then fails if trivion
#                                   made a lock file of another name
#   #! expect-exit N                trivion's exit status (default 0)
#   #! expect-stderr TEXT           stderr holds TEXT (repeatable); without
#                                   this line stderr must stay empty
#   #! expect-settings-untouched    the settings folder ($XDG_CONFIG_HOME) and
#                                   the home folder hold afterwards exactly the
#                                   files and bytes they held before
#   #! runs N                       start trivion N times (1 to 5) one after
#                                   the other, each playing the whole scenario
#                                   with the settings the runs before it left;
#                                   the golden file holds their traces in turn
#   #! questions F                  the disc's question bank questions.xml is
#                                   the UTF-8 file F (relative to the
#                                   scenario's folder) in windows-1251: beside
#                                   the program on the test disc, in the packed
#                                   tree (repacked with TRIVION_DISC) on the
#                                   demo disc
#   #! seed N                       TRIVION_SEED=N: the same draws every run
#   #! setting KEY NAME N           the settings hold the number N as NAME under
#                                   KEY of HKEY_CURRENT_USER before the first run
#   #! machine-setting KEY NAME TEXT
#                                   the settings hold the string TEXT (the rest
#                                   of the line, @WORK@ allowed) as NAME under
#                                   KEY of HKEY_LOCAL_MACHINE
#   #! program PATH                 an executable file PATH under the run's
#                                   folder (a program to be started)
#   #! file PATH                    an empty file PATH under the run's folder
#   #! fifo PATH                    a named pipe PATH under the run's folder
#                                   (nothing ever writes to it), in place of
#                                   any file the disc had there
#   #! expect-log TEXT              the program's log holds TEXT (repeatable)
#   #! mask-numbers FIELD...        the numbers of these fields are 0 in the
#                                   trace compared (sizes that follow the
#                                   run's folder name in a text)
#   #! keep-events EV...            the trace compared with the golden file
#                                   holds only the lines of these "ev" kinds
#                                   (whole games write thousands of lines)
#   #! silent-score-server          the score server (demo disc) is a listener
#                                   on loopback that takes every connection and
#                                   never answers
#   #! expect-seconds-below N       each run of trivion ends within N seconds
#                                   of wall time
#   #! same-shots A B...            these `shot` pictures are identical
#   #! different-shots A B...       these `shot` pictures differ pairwise
#
# An unknown or misplaced "#!" line fails the run, so that a typo cannot turn
# a check off.
#
# Nothing is ever sent off the machine: on the demo disc (whose game dialog
# sends results) the score server is a closed port on loopback; the test disc
# keeps the built-in address, which it only ever shows.
#
# TRIVION_UPDATE_GOLDEN=1 writes the trace to the golden file instead of
# comparing (then review the change by eye before keeping it).
set -u
if [ $# -ne 4 ] && [ $# -ne 6 ]; then
  echo "usage: $0 TRIVION MAKE_TEST_DISC NAME.scn NAME.golden [DEMO_DISC TRIVION_DISC]" >&2
  exit 2
fi
EXE="$1"
MAKE_DISC="$2"
SCENARIO="$3"
GOLDEN="$4"
DEMO_DISC="${5:-}"
DISC_TOOL="${6:-}"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/trivion-scenario.XXXXXX") || { echo "FAIL: no temporary folder"; exit 1; }
SILENT_PID=
trap '[ -z "$SILENT_PID" ] || kill "$SILENT_PID" 2>/dev/null; rm -rf "$WORK"' EXIT
SCENARIO_DIR=$(cd "$(dirname "$SCENARIO")" && pwd)

# Text for sed: a literal in a pattern, and in a replacement.
sed_pattern() { printf '%s' "$1" | sed 's/[][\\.*^$/|]/\\&/g'; }
sed_replacement() { printf '%s' "$1" | sed 's/[\\&|]/\\&/g'; }

sed "s|@WORK@|$(sed_replacement "$WORK")|g" "$SCENARIO" >"$WORK/script.scn"

# The "#!" lines.
ARGS=()
REMOVE=()
DISC_OPTIONS=()
HOLD_LOCK=0
LOCK_TITLE="Тестовый диск"
EXPECT_EXIT=0
EXPECT_STDERR=()
SETTINGS_UNTOUCHED=0
RUNS=1
SAME_SHOTS=()
DIFFERENT_SHOTS=()
QUESTIONS=
SEED=
SETTINGS=()
MACHINE_SETTINGS=()
MASKED=()
PROGRAMS=()
FILES=()
FIFOS=()
EXPECT_LOG=()
KEEP_EVENTS=()
DEMO=0
SILENT_SERVER=0
MAX_SECONDS=
setup_error() { echo "FAIL: $(basename "$SCENARIO") line $1: $2"; exit 1; }
LINE_NO=0
STEPS_BEGUN=0
while IFS= read -r line || [ -n "$line" ]; do
  LINE_NO=$((LINE_NO + 1))
  line=${line%$'\r'}
  trimmed=${line#"${line%%[![:space:]]*}"}
  if [ "${trimmed:0:2}" != "#!" ]; then
    [ -z "$trimmed" ] || [ "${trimmed:0:1}" = "#" ] || STEPS_BEGUN=1
    continue
  fi
  [ "$STEPS_BEGUN" -eq 0 ] || setup_error "$LINE_NO" "a \"#!\" line after the first step"
  read -r -a words <<<"${trimmed:2}"
  [ "${#words[@]}" -gt 0 ] || setup_error "$LINE_NO" "an empty \"#!\" line"
  directive=${words[0]}
  operands=("${words[@]:1}")
  # The rest of the line after the directive's name, blanks kept.
  text=${trimmed:2}
  text=${text#"${text%%[![:space:]]*}"}
  text=${text#"$directive"}
  text=${text#"${text%%[![:space:]]*}"}
  case "$directive" in
    args) ARGS+=("${operands[@]}") ;;
    demo-disc)
      [ "${#operands[@]}" -eq 0 ] || setup_error "$LINE_NO" "demo-disc takes nothing"
      [ -n "$DEMO_DISC" ] && [ -f "$DEMO_DISC/interface.dat" ] ||
        setup_error "$LINE_NO" "demo-disc: no demo disc was given, or it is not built"
      DEMO=1 ;;
    remove)
      [ "${#operands[@]}" -eq 1 ] || setup_error "$LINE_NO" "remove needs one file"
      case "${operands[0]}" in /* | *..*) setup_error "$LINE_NO" "remove takes a file inside the disc" ;; esac
      REMOVE+=("${operands[0]}") ;;
    replace-entry)
      [ "${#operands[@]}" -eq 2 ] && [ "${operands[0]}" = "Struct.txt" ] ||
        setup_error "$LINE_NO" "replace-entry needs Struct.txt and a file"
      [ -f "$SCENARIO_DIR/${operands[1]}" ] || setup_error "$LINE_NO" "no file $SCENARIO_DIR/${operands[1]}"
      DISC_OPTIONS+=(--script "$SCENARIO_DIR/${operands[1]}") ;;
    remove-entry)
      [ "${#operands[@]}" -eq 1 ] && [ "${operands[0]}" = "Struct.txt" ] ||
        setup_error "$LINE_NO" "only Struct.txt can be removed from the archive"
      DISC_OPTIONS+=(--without Struct.txt) ;;
    hold-lock)
      HOLD_LOCK=1
      [ -z "$text" ] || LOCK_TITLE=$text ;;
    expect-exit)
      [ "${#operands[@]}" -eq 1 ] && [[ "${operands[0]}" =~ ^[0-9]+$ ]] ||
        setup_error "$LINE_NO" "expect-exit needs a number"
      EXPECT_EXIT=${operands[0]} ;;
    expect-stderr)
      [ -n "$text" ] || setup_error "$LINE_NO" "expect-stderr needs a text"
      EXPECT_STDERR+=("$text") ;;
    runs)
      [ "${#operands[@]}" -eq 1 ] && [[ "${operands[0]}" =~ ^[1-5]$ ]] || setup_error "$LINE_NO" "runs needs 1 to 5"
      RUNS=${operands[0]} ;;
    expect-settings-untouched)
      [ "${#operands[@]}" -eq 0 ] || setup_error "$LINE_NO" "expect-settings-untouched takes nothing"
      SETTINGS_UNTOUCHED=1 ;;
    questions)
      [ "${#operands[@]}" -eq 1 ] || setup_error "$LINE_NO" "questions needs one file"
      [ -f "$SCENARIO_DIR/${operands[0]}" ] || setup_error "$LINE_NO" "no file $SCENARIO_DIR/${operands[0]}"
      QUESTIONS="$SCENARIO_DIR/${operands[0]}" ;;
    setting)
      [ "${#operands[@]}" -eq 3 ] && [[ "${operands[2]}" =~ ^[0-9]+$ ]] && [[ ! "${operands[0]}${operands[1]}" =~ [\"\]\[] ]] ||
        setup_error "$LINE_NO" "setting needs a key, a name and a number"
      SETTINGS+=("${operands[0]}" "${operands[1]}" "${operands[2]}") ;;
    machine-setting)
      [ "${#operands[@]}" -ge 3 ] && [[ ! "${operands[0]}${operands[1]}" =~ [\"\]\[] ]] ||
        setup_error "$LINE_NO" "machine-setting needs a key, a name and a text"
      value=${text#"${operands[0]}"}
      value=${value#"${value%%[![:space:]]*}"}
      value=${value#"${operands[1]}"}
      value=${value#"${value%%[![:space:]]*}"}
      MACHINE_SETTINGS+=("${operands[0]}" "${operands[1]}" "$value") ;;
    program | file)
      [ "${#operands[@]}" -eq 1 ] || setup_error "$LINE_NO" "$directive needs one path"
      case "${operands[0]}" in /* | *..*) setup_error "$LINE_NO" "$directive takes a path inside the run's folder" ;; esac
      if [ "$directive" = program ]; then PROGRAMS+=("${operands[0]}"); else FILES+=("${operands[0]}"); fi ;;
    fifo)
      [ "${#operands[@]}" -eq 1 ] || setup_error "$LINE_NO" "fifo needs one path"
      case "${operands[0]}" in /* | *..*) setup_error "$LINE_NO" "fifo takes a path inside the run's folder" ;; esac
      FIFOS+=("${operands[0]}") ;;
    expect-log)
      [ -n "$text" ] || setup_error "$LINE_NO" "expect-log needs a text"
      EXPECT_LOG+=("$text") ;;
    mask-numbers)
      [ "${#operands[@]}" -ge 1 ] || setup_error "$LINE_NO" "mask-numbers needs one field or more"
      for f in "${operands[@]}"; do
        [[ "$f" =~ ^[a-z]+$ ]] || setup_error "$LINE_NO" "mask-numbers: \"$f\" is not a field"
      done
      MASKED+=("${operands[@]}") ;;
    seed)
      [ "${#operands[@]}" -eq 1 ] && [[ "${operands[0]}" =~ ^[0-9]+$ ]] || setup_error "$LINE_NO" "seed needs a number"
      SEED=${operands[0]} ;;
    keep-events)
      [ "${#operands[@]}" -ge 1 ] || setup_error "$LINE_NO" "keep-events needs one kind or more"
      for ev in "${operands[@]}"; do
        [[ "$ev" =~ ^[a-z-]+$ ]] || setup_error "$LINE_NO" "keep-events: \"$ev\" is not a kind"
      done
      KEEP_EVENTS+=("${operands[@]}") ;;
    silent-score-server)
      [ "${#operands[@]}" -eq 0 ] || setup_error "$LINE_NO" "silent-score-server takes nothing"
      SILENT_SERVER=1 ;;
    expect-seconds-below)
      [ "${#operands[@]}" -eq 1 ] && [[ "${operands[0]}" =~ ^[0-9]+$ ]] ||
        setup_error "$LINE_NO" "expect-seconds-below needs a number"
      MAX_SECONDS=${operands[0]} ;;
    same-shots | different-shots)
      [ "${#operands[@]}" -ge 2 ] || setup_error "$LINE_NO" "$directive needs two pictures or more"
      # One group a line, its pictures separated by a blank.
      if [ "$directive" = same-shots ]; then SAME_SHOTS+=("${operands[*]}"); else DIFFERENT_SHOTS+=("${operands[*]}"); fi ;;
    *) setup_error "$LINE_NO" "unknown directive \"$directive\"" ;;
  esac
done <"$WORK/script.scn"

# The shell finds its disc beside the executable, as on a real disc.
mkdir -p "$WORK/disc" "$WORK/config" "$WORK/state" "$WORK/runtime" "$WORK/home" "$WORK/data"
if [ "$DEMO" -eq 1 ]; then
  [ "${#DISC_OPTIONS[@]}" -eq 0 ] || { echo "FAIL: the demo disc's archive is not rewritten"; exit 1; }
  # Linked, not copied: the disc is large and the program only reads it.
  cp -rs "$(cd "$DEMO_DISC" && pwd)/." "$WORK/disc/" || { echo "FAIL: cannot link the demo disc"; exit 1; }
  rm -f "$WORK/disc/trivion"
else
  "$MAKE_DISC" "${DISC_OPTIONS[@]}" "$WORK/disc" >"$WORK/make_disc.txt" 2>&1 ||
    { cat "$WORK/make_disc.txt"; echo "FAIL: no test disc"; exit 1; }
fi
cp "$EXE" "$WORK/disc/trivion" || { echo "FAIL: cannot copy $EXE"; exit 1; }
if [ -n "$QUESTIONS" ] && [ "$DEMO" -eq 0 ]; then
  iconv -f UTF-8 -t WINDOWS-1251 "$QUESTIONS" >"$WORK/disc/questions.xml" ||
    { echo "FAIL: $QUESTIONS has no windows-1251 form"; exit 1; }
elif [ -n "$QUESTIONS" ]; then
  # The packed tree wins over a bank beside the program: unpack it, put the
  # bank in, pack it again.
  [ -x "$DISC_TOOL" ] || { echo "FAIL: no trivion-disc to repack the tree"; exit 1; }
  mkdir -p "$WORK/tree"
  "$DISC_TOOL" tree-ls "$WORK/disc/interface.dat" >"$WORK/tree.ls" || { echo "FAIL: the tree cannot be listed"; exit 1; }
  while IFS=$'\t' read -r kind _ _ name; do
    path="$WORK/tree/${name//\\//}"
    if [ "$kind" = D ]; then
      mkdir -p "$path"
    else
      mkdir -p "$(dirname "$path")"
      "$DISC_TOOL" tree-cat "$WORK/disc/interface.dat" "$name" >"$path" || { echo "FAIL: tree-cat $name"; exit 1; }
    fi
  done <"$WORK/tree.ls"
  # Names in the tree are case-blind (and stored in capitals).
  find "$WORK/tree" -maxdepth 1 -iname questions.xml -delete
  iconv -f UTF-8 -t WINDOWS-1251 "$QUESTIONS" >"$WORK/tree/questions.xml" ||
    { echo "FAIL: $QUESTIONS has no windows-1251 form"; exit 1; }
  rm -f "$WORK/disc/interface.dat"
  "$DISC_TOOL" tree-pack "$WORK/disc/interface.dat" "$WORK/tree" || { echo "FAIL: the tree cannot be packed"; exit 1; }
fi
for f in "${REMOVE[@]}"; do
  [ -e "$WORK/disc/$f" ] || { echo "FAIL: remove $f: the disc has no such file"; exit 1; }
  rm -rf "${WORK:?}/disc/$f"
done

if [ "${#SETTINGS[@]}" -gt 0 ]; then
  mkdir -p "$WORK/config/trivion"
  {
    echo "trivion-settings 1"
    for ((i = 0; i < ${#SETTINGS[@]}; i += 3)); do
      printf '[%s]\n"%s"=dword:%08x\n' "${SETTINGS[i]}" "${SETTINGS[i + 1]}" "${SETTINGS[i + 2]}"
    done
    echo "end"
  } >"$WORK/config/trivion/HKEY_CURRENT_USER.reg"
fi

if [ "${#MACHINE_SETTINGS[@]}" -gt 0 ]; then
  mkdir -p "$WORK/config/trivion"
  reg_text() { printf '%s' "$1" | sed -e 's/\\/\\\\/g' -e 's/"/\\"/g'; }
  {
    echo "trivion-settings 1"
    for ((i = 0; i < ${#MACHINE_SETTINGS[@]}; i += 3)); do
      printf '[%s]\n"%s"="%s"\n' "${MACHINE_SETTINGS[i]}" "${MACHINE_SETTINGS[i + 1]}" "$(reg_text "${MACHINE_SETTINGS[i + 2]}")"
    done
    echo "end"
  } >"$WORK/config/trivion/HKEY_LOCAL_MACHINE.reg"
fi
for f in "${PROGRAMS[@]}" "${FILES[@]}"; do
  mkdir -p "$(dirname "$WORK/$f")" && : >"$WORK/$f" || { echo "FAIL: cannot make $f"; exit 1; }
done
for f in "${PROGRAMS[@]}"; do chmod +x "$WORK/$f"; done
for f in "${FIFOS[@]}"; do
  mkdir -p "$(dirname "$WORK/$f")" && rm -rf "${WORK:?}/$f" && mkfifo "$WORK/$f" ||
    { echo "FAIL: cannot make the named pipe $f"; exit 1; }
done

# Files and their bytes under the settings and home folders.
settings_snapshot() {
  (cd "$WORK" && find config home -print0 | sort -z | xargs -0 -r sh -c \
    'for f do if [ -f "$f" ]; then sha256sum "$f"; else echo "dir $f"; fi; done' sh)
}
[ "$SETTINGS_UNTOUCHED" -eq 0 ] || settings_snapshot >"$WORK/settings.before"

# The lock a running shell of that title holds: the file InstanceLock names
# after the title's CP1251 bytes, letters and digits kept and the rest as %xx,
# in XDG_RUNTIME_DIR. The lock is this script's own open file; the program
# does not inherit it, so it meets it as another process's lock.
LOCK_FD=
if [ "$HOLD_LOCK" -eq 1 ]; then
  hex=$(printf '%s' "$LOCK_TITLE" | iconv -f UTF-8 -t CP1251 | od -An -v -tx1 | tr -d ' \n') ||
    { echo "FAIL: hold-lock: the title has no CP1251 form"; exit 1; }
  LOCK_NAME="trivion-"
  for ((i = 0; i < ${#hex}; i += 2)); do
    byte=${hex:i:2}
    if [[ $((16#$byte)) -ge 48 && $((16#$byte)) -le 57 || $((16#$byte)) -ge 65 && $((16#$byte)) -le 90 ||
      $((16#$byte)) -ge 97 && $((16#$byte)) -le 122 ]]; then
      LOCK_NAME+=$(printf "\\x$byte")
    else
      LOCK_NAME+="%$byte"
    fi
  done
  LOCK_NAME="${LOCK_NAME:0:200}.lock"
  exec {LOCK_FD}>"$WORK/runtime/$LOCK_NAME" || { echo "FAIL: cannot create the lock file"; exit 1; }
  flock -n "$LOCK_FD" || { echo "FAIL: cannot take the lock $LOCK_NAME"; exit 1; }
fi

# A score server that accepts and keeps silent: what a hung server looks like.
SCORE_SERVER=http://127.0.0.1:9/
if [ "$SILENT_SERVER" -eq 1 ]; then
  [ "$DEMO" -eq 1 ] || { echo "FAIL: silent-score-server needs the demo disc"; exit 1; }
  python3 -c '
import socket, sys
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(64)
print(s.getsockname()[1], flush=True)
held = []
while True:
    held.append(s.accept()[0])
' >"$WORK/silent.port" 2>/dev/null &
  SILENT_PID=$!
  for _ in $(seq 100); do [ -s "$WORK/silent.port" ] && break; sleep 0.05; done
  [ -s "$WORK/silent.port" ] || { echo "FAIL: the silent server did not start"; exit 1; }
  SCORE_SERVER="http://127.0.0.1:$(head -n 1 "$WORK/silent.port")/"
fi

FAILS=0
fail() { echo "FAIL: $*"; FAILS=$((FAILS + 1)); }
show_output() {
  echo "--- stdout"; cat "$WORK/stdout.txt"
  echo "--- stderr"; cat "$WORK/stderr.txt"
  if [ -f "$WORK/state/trivion/trivion.log" ]; then echo "--- log"; cat "$WORK/state/trivion/trivion.log"; fi
}

: >"$WORK/stdout.txt"
: >"$WORK/stderr.txt"
: >"$WORK/trace.jsonl"
for ((RUN = 1; RUN <= RUNS; ++RUN)); do
  RUN_START=$SECONDS
  (
    cd "$WORK" || exit 1
    [ -z "$LOCK_FD" ] || exec {LOCK_FD}>&-
    # What the run sets beyond the fixed variables; the rest is unset first.
    RUN_ENV=()
    [ "$DEMO" -eq 0 ] || RUN_ENV+=(TRIVION_SCORE_SERVER="$SCORE_SERVER")
    [ -z "$SEED" ] || RUN_ENV+=(TRIVION_SEED="$SEED")
    exec env -u TRIVION_DISC -u TRIVION_LOG -u XDG_DATA_HOME -u DISPLAY -u WAYLAND_DISPLAY -u TRIVION_SEED -u TRIVION_SCORE_SERVER \
      "${RUN_ENV[@]}" \
      HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_STATE_HOME="$WORK/state" XDG_DATA_HOME="$WORK/data" \
      XDG_RUNTIME_DIR="$WORK/runtime" TRIVION_BACKEND=headless \
      TRIVION_SCRIPT="$WORK/script.scn" TRIVION_TRACE="$WORK/trace.$RUN.jsonl" \
      timeout 60 "$WORK/disc/trivion" "${ARGS[@]}"
  ) >>"$WORK/stdout.txt" 2>>"$WORK/stderr.txt"
  RC=$?
  RUN_SECONDS=$((SECONDS - RUN_START))
  [ -z "$MAX_SECONDS" ] || [ "$RUN_SECONDS" -lt "$MAX_SECONDS" ] ||
    fail "run $RUN took $RUN_SECONDS s of wall time, not below $MAX_SECONDS"
  [ ! -f "$WORK/trace.$RUN.jsonl" ] || cat "$WORK/trace.$RUN.jsonl" >>"$WORK/trace.jsonl"
  if [ "$RC" -eq 124 ]; then
    fail "trivion did not end within 60 s (run $RUN)"
  elif [ "$RC" -ne "$EXPECT_EXIT" ]; then
    fail "trivion exited with $RC, not $EXPECT_EXIT (run $RUN)"
  fi
done
[ -z "$LOCK_FD" ] || exec {LOCK_FD}>&-
[ -s "$WORK/trace.jsonl" ] || fail "no trace was written"

if [ "${#EXPECT_STDERR[@]}" -eq 0 ]; then
  [ ! -s "$WORK/stderr.txt" ] || fail "trivion wrote to stderr"
fi
for text in "${EXPECT_STDERR[@]}"; do
  grep -qF -- "$text" "$WORK/stderr.txt" || fail "stderr does not hold \"$text\""
done
for text in "${EXPECT_LOG[@]}"; do
  grep -qF -- "$text" "$WORK/state/trivion/trivion.log" 2>/dev/null || fail "the log does not hold \"$text\""
done

if [ "$SETTINGS_UNTOUCHED" -eq 1 ]; then
  settings_snapshot >"$WORK/settings.after"
  diff -u "$WORK/settings.before" "$WORK/settings.after" >"$WORK/settings.diff" ||
    { fail "the settings or home folder changed:"; cat "$WORK/settings.diff"; }
fi

if [ "$HOLD_LOCK" -eq 1 ]; then
  while read -r other; do
    [ "$other" = "$LOCK_NAME" ] || fail "trivion made the lock $other, not the held $LOCK_NAME"
  done < <(ls -A "$WORK/runtime")
fi

# Pictures of `shot` lines: written, non-empty, PNG.
while read -r shot; do
  [ -n "$shot" ] || continue
  if [ ! -s "$shot" ]; then
    fail "shot $shot was not written or is empty"
  elif [ "$(head -c 4 "$shot" | od -An -tx1 | tr -d ' \n')" != "89504e47" ]; then
    fail "shot $shot is not a PNG"
  fi
done < <(sed -n 's/^[[:space:]]*shot[[:space:]]\{1,\}\([^[:space:]]\{1,\}\).*/\1/p' "$WORK/script.scn")

# The PNG writer is deterministic: equal pictures are equal files.
shot_name() { printf '%s' "${1#"$WORK"/}"; }
for group in "${SAME_SHOTS[@]}"; do
  read -r -a shots <<<"$group"
  for s in "${shots[@]:1}"; do
    [ -s "${shots[0]}" ] && [ -s "$s" ] && cmp -s "${shots[0]}" "$s" ||
      fail "shots $(shot_name "${shots[0]}") and $(shot_name "$s") differ or are missing"
  done
done
for group in "${DIFFERENT_SHOTS[@]}"; do
  read -r -a shots <<<"$group"
  for ((i = 0; i < ${#shots[@]}; ++i)); do
    for ((j = i + 1; j < ${#shots[@]}; ++j)); do
      [ -s "${shots[i]}" ] && [ -s "${shots[j]}" ] && ! cmp -s "${shots[i]}" "${shots[j]}" ||
        fail "shots $(shot_name "${shots[i]}") and $(shot_name "${shots[j]}") are the same or missing"
    done
  done
done

# The run's folder, as a native path and as a script path (backslashes,
# doubled inside JSON strings; also in lower case, as the program takes the
# paths of dropped files), becomes @WORK@.
WINDOWS_WORK=$(printf '%s' "$WORK" | sed 's|/|\\\\|g')
LOWER_WORK=$(printf '%s' "$WINDOWS_WORK" | tr '[:upper:]' '[:lower:]')
sed -e "s|$(sed_pattern "$WORK")|@WORK@|g" -e "s|$(sed_pattern "$WINDOWS_WORK")|@WORK@|g" \
  -e "s|$(sed_pattern "$LOWER_WORK")|@WORK@|g" \
  "$WORK/trace.jsonl" >"$WORK/trace.normal" 2>/dev/null || : >"$WORK/trace.normal"
for f in "${MASKED[@]}"; do
  sed -i "s/\"$f\":-\{0,1\}[0-9]\{1,\}/\"$f\":0/g" "$WORK/trace.normal"
done
if [ "${#KEEP_EVENTS[@]}" -gt 0 ]; then
  # A scenario's own errors are always kept: a filter must not hide them.
  KEEP_EVENTS+=(scenario)
  kinds=$(IFS='|'; printf '%s' "${KEEP_EVENTS[*]}")
  grep -E "\"ev\":\"($kinds)\"" "$WORK/trace.normal" >"$WORK/trace.kept" || : >"$WORK/trace.kept"
  mv "$WORK/trace.kept" "$WORK/trace.normal"
fi

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
