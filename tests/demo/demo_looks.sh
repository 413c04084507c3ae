#!/usr/bin/env bash
# The demo disc's looks against the reference pictures: the pictures of every
# screen, dialog page, the options window and the About box as the archive
# holds them, and the shell's own frames of the start screen (at rest, a
# button under the mouse, the same button pressed) and its hint window, the
# registration screen with its ratings list, and the reference's rules and
# levels pages on screen 3.
# With TRIVION_UPDATE_GOLDEN=1 the references are rewritten instead; look at
# every changed picture before committing it.
# usage: demo_looks.sh TRIVION_DISC DISC_DIR TEST_DIR
set -euo pipefail
tool=$1 disc=$2 here=$3
refs=$here/reference
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pictures=(s1_bg s2_bg s3_bg s4_bg s5_bg s6_bg
          dlg_page1 dlg_page2 dlg_page3 dlg_page4 dlg_page5 dlg_page6 dlg_page7
          dialog7_gametable7 opt_back about_back)
for p in "${pictures[@]}"; do
  "$tool" png "$disc/Mev.dhl" "$p.bmp" "$work/$p.png"
done

# The shell on the headless backend, in a home of its own.
mkdir -p "$work/home" "$work/run"
cat > "$work/looks.scn" <<SCN
wait 1000
shot $work/shell_start.png
move 600 153
wait 600
shot $work/shell_hover.png
shot $work/shell_hint.png @hint
down 600 153
wait 300
shot $work/shell_pressed.png
up 600 153
wait 1500
move 400 560
wait 300
shot $work/shell_ratings.png
click 100 548
wait 1500
click 520 195
wait 1500
move 400 560
wait 300
shot $work/shell_rules.png
click 100 215
wait 800
move 400 560
wait 300
shot $work/shell_levels.png
quit
SCN
env -u DISPLAY -u TRIVION_DISC HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
    XDG_STATE_HOME="$work/home/state" XDG_RUNTIME_DIR="$work/run" \
    TRIVION_BACKEND=headless TRIVION_SCRIPT="$work/looks.scn" TRIVION_TRACE="$work/trace.jsonl" \
    timeout 60 "$disc/trivion"

status=0
for shot in "$work"/*.png; do
  name=$(basename "$shot")
  if [[ ${TRIVION_UPDATE_GOLDEN:-} == 1 ]]; then
    cp "$shot" "$refs/$name"
  elif [[ ! -f $refs/$name ]]; then
    echo "no reference picture $name (run with TRIVION_UPDATE_GOLDEN=1 and look at it)"
    status=1
  elif ! cmp -s "$shot" "$refs/$name"; then
    mkdir -p "$disc/looks-differ"
    cp "$shot" "$disc/looks-differ/$name"
    echo "$name differs from its reference; the new one is in $disc/looks-differ/"
    status=1
  fi
done
for ref in "$refs"/*.png; do
  [[ -f $work/$(basename "$ref") ]] || { echo "reference $(basename "$ref") is no longer made"; status=1; }
done
exit $status
