#!/bin/bash
# The service screen and F1 of the demo disc under a real X server, with the
# desktop's tools replaced by recorders: F1 hands the help page to the
# desktop's opener as one native path; "Установить шрифт" copies the disc's
# face into the user's fonts and runs the font cache on that folder; the
# installed second game starts with the arguments of its entry, each one
# argument and none of them interpreted. Exit 77 (skipped) when the X tools
# are missing.
# usage: real_outside.sh DISC
set -u
DISC="$1"

. "$(dirname "$0")/../realwindow/xvfb.sh" 1024x768
fail() { echo "FAIL: $*"; cat "$WORK/out.txt" 2>/dev/null; exit 1; }

# Recorders in place of xdg-open and fc-cache: each writes its arguments, one a line.
mkdir -p "$WORK/bin" "$WORK/game"
for tool in xdg-open fc-cache; do
  printf '#!/bin/sh\nfor a in "$@"; do printf "%%s\\n" "$a"; done >"%s/%s.args"\n' "$WORK" "$tool" >"$WORK/bin/$tool"
  chmod +x "$WORK/bin/$tool"
done
printf '#!/bin/sh\nfor a in "$@"; do printf "%%s\\n" "$a"; done >"%s/game.args"\npwd >"%s/game.pwd"\n' "$WORK" "$WORK" \
  >"$WORK/game/trivion2.exe"
chmod +x "$WORK/game/trivion2.exe"
mkdir -p "$WORK/config/trivion"
cat >"$WORK/config/trivion/HKEY_LOCAL_MACHINE.reg" <<REG
trivion-settings 1
[SOFTWARE\\Pelnor\\Trivion2]
"instdir"="$WORK/game"
"exename"="trivion2.exe -full \\"two words\\" ;\$(touch $WORK/pwned)"
end
REG

export PATH="$WORK/bin:$PATH"
export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK" XDG_STATE_HOME="$WORK/state" XDG_CONFIG_HOME="$WORK/config"
export XDG_DATA_HOME="$WORK/data" TRIVION_TRACE="$WORK/trace.jsonl"
"$DISC/trivion" >"$WORK/out.txt" 2>&1 &
APP_PID=$!
await_app_window || fail "the shell window did not appear"
sleep 1

xdotool key F1
await_file() { for _ in $(seq 1 50); do [ -s "$1" ] && return 0; sleep 0.1; done; return 1; }
await_file "$WORK/xdg-open.args" || fail "F1 did not reach the desktop's opener"
HELP=$(cat "$WORK/xdg-open.args")
[ "$HELP" = "$(cd "$DISC" && pwd -P)/help/index.html" ] || [ "$HELP" = "$DISC/help/index.html" ] ||
  fail "the opener got \"$HELP\", not the help page"
grep -q 'Справка: ТРИВИОН' "$HELP" || fail "the help page has no title the game looks for"

xdotool mousemove $((X + 520)) $((Y + 330)) click 1
await_trace '"ev":"screen","screen":6' || fail "the service screen did not open"
sleep 1.5
xdotool mousemove $((X + 320)) $((Y + 329)) click 1
await_file "$WORK/fc-cache.args" || fail "the font cache was not told"
[ "$(cat "$WORK/fc-cache.args")" = "$WORK/data/fonts" ] || fail "fc-cache got $(cat "$WORK/fc-cache.args")"
cmp -s "$DISC/TriviaSans.ttf" "$WORK/data/fonts/TriviaSans.ttf" || fail "the face was not copied whole"

xdotool mousemove $((X + 320)) $((Y + 233)) click 1
await_file "$WORK/game.args" || fail "the installed game did not start"
printf -- '-full\ntwo words\n;$(touch\n%s/pwned)\n' "$WORK" | cmp -s - "$WORK/game.args" ||
  { cat "$WORK/game.args"; fail "the game's arguments are not its entry's, one by one"; }
[ "$(cat "$WORK/game.pwd")" = "$WORK/game" ] || fail "the game did not start in its own folder"
[ ! -e "$WORK/pwned" ] || fail "a parameter was run as a command"
echo "PASS"
