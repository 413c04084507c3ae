#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks what went where, starts
# the installed shell from an unrelated folder (directly and through a link)
# on the headless backend, and uninstalls again.
# usage: install_test.sh SOURCE_DIR BUILD_DIR TRIVION_DISC_TOOL
# The component install writes its own manifest, so a real install's one
# (install_manifest.txt) is left alone.
set -uo pipefail
src=$1 build=$2 tool=$3
here=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
prefix=$WORK/prefix
disc=$prefix/share/trivion/disc
manifest=$build/install_manifest_trivion.txt
sizes=(16 24 32 48 64 128 256)
FAILS=0
fail() { echo "FAIL: $*"; FAILS=$((FAILS + 1)); }
stop() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" --component trivion >"$WORK/install.txt" 2>&1 ||
  { cat "$WORK/install.txt"; stop "cmake --install failed"; }

# --- the layout
for f in bin/trivion bin/trivion-scored; do
  [ -x "$prefix/$f" ] || fail "$f is not an installed executable"
done
for f in share/applications/trivion.desktop share/man/man6/trivion.6 share/man/man1/trivion-scored.1 \
  share/doc/trivion/trivion-scored.service; do
  [ -f "$prefix/$f" ] || fail "$f is missing"
done
# The whole built disc, without the builder's work folder and the tests' files.
(cd "$build/demo-disc" && find . -type f ! -path './.stage/*' ! -path ./trivion ! -path './looks-differ/*' | sort) \
  >"$WORK/built.txt"
(cd "$disc" && find . -type f | sort) >"$WORK/installed.txt"
diff "$WORK/built.txt" "$WORK/installed.txt" >"$WORK/disc.diff" || { cat "$WORK/disc.diff"; fail "the installed disc differs from the built one"; }
[ "$(wc -l <"$WORK/installed.txt")" -gt 10 ] || fail "the installed disc holds almost nothing"
# Everything under the prefix is in the manifest and the other way round.
find "$prefix" -type f | sort >"$WORK/found.txt"
sort "$manifest" >"$WORK/manifest.txt"
diff "$WORK/manifest.txt" "$WORK/found.txt" >"$WORK/manifest.diff" ||
  { cat "$WORK/manifest.diff"; fail "the manifest and the installed files differ"; }

# --- the desktop entry, the icons, the pages
desktop-file-validate "$prefix/share/applications/trivion.desktop" || fail "desktop-file-validate (desktop-file-utils) fails"
grep -qx 'Exec=trivion' "$prefix/share/applications/trivion.desktop" || fail "the desktop entry does not start trivion"
grep -qx 'Icon=trivion' "$prefix/share/applications/trivion.desktop" || fail "the desktop entry has not the trivion icon"
icon=$("$tool" dump "$disc" | python3 -c 'import json,sys; print(json.load(sys.stdin)["header"]["icon"])') ||
  stop "the installed disc's header cannot be read"
"$tool" png "$disc/Mev.dhl" "$icon" "$WORK/reference.png" || stop "the disc's icon $icon cannot be read"
python3 "$here/check_icons.py" "$prefix/share/icons/hicolor" "$WORK/reference.png" "${sizes[@]}" ||
  fail "the installed icons are not the disc's icon"
if command -v man >/dev/null; then
  for page in man6/trivion.6 man1/trivion-scored.1; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
      "$prefix/share/man/$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
  done
fi
unit=$prefix/share/doc/trivion/trivion-scored.service
grep -qx "ExecStart=$prefix/bin/trivion-scored --listen 127.0.0.1:8080 --db /var/lib/trivion/scores.db --games 3" \
  "$unit" || fail "the unit does not start the installed server"
for line in StateDirectory=trivion Restart=on-failure NoNewPrivileges=yes ProtectSystem=strict; do
  grep -qx "$line" "$unit" || fail "the unit lacks $line"
done
if command -v systemd-analyze >/dev/null; then
  timeout 60 systemd-analyze verify --man=no "$unit" >"$WORK/verify.txt" 2>&1 ||
    { cat "$WORK/verify.txt"; fail "systemd-analyze finds fault with the unit"; }
fi

# --- the installed shell finds the installed disc from anywhere
mkdir -p "$WORK/elsewhere" "$WORK/links" "$WORK/config" "$WORK/state" "$WORK/data" "$WORK/runtime" "$WORK/home"
ln -s "$prefix/bin/trivion" "$WORK/links/trivion"
windows_disc=$(printf '%s' "$disc" | tr / '\\')
for exe in "$prefix/bin/trivion" "$WORK/links/trivion"; do
  trace=$WORK/trace.$(basename "$(dirname "$exe")").jsonl
  (cd "$WORK/elsewhere" &&
    exec env -u TRIVION_DISC -u TRIVION_LOG -u DISPLAY -u WAYLAND_DISPLAY -u TRIVION_SEED \
      HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_STATE_HOME="$WORK/state" XDG_DATA_HOME="$WORK/data" \
      XDG_RUNTIME_DIR="$WORK/runtime" TRIVION_BACKEND=headless TRIVION_SCORE_SERVER=http://127.0.0.1:9/ \
      TRIVION_SCRIPT="$here/installed_start.scn" TRIVION_TRACE="$trace" timeout 60 "$exe") \
    >"$WORK/out.txt" 2>&1
  rc=$?
  [ "$rc" -eq 0 ] || { cat "$WORK/out.txt"; fail "$exe exited with $rc"; continue; }
  grep -qF "\"target\":\"${windows_disc//\\/\\\\}\\\\TriviaSans.ttf\"" "$trace" ||
    { head -3 "$trace"; fail "$exe did not take the disc's font from $disc"; }
  grep -q '"ev":"state","role":"shell","screen":1,' "$trace" || fail "$exe did not show the disc's start screen"
  grep -qF '"ev":"about","op":"show"' "$trace" || fail "$exe did not open the disc's About box"
done

# --- uninstall: what the install wrote goes, nothing else
echo "not ours" >"$prefix/share/applications/other.desktop"
echo "scores" >"$disc/mine.txt"
"$src/scripts/uninstall" "$manifest" >"$WORK/uninstall.txt" 2>&1 ||
  { cat "$WORK/uninstall.txt"; stop "the uninstall failed"; }
(cd "$prefix" && find . -type f | sort) >"$WORK/left.txt"
printf '%s\n' ./share/applications/other.desktop ./share/trivion/disc/mine.txt >"$WORK/expected-left.txt"
diff "$WORK/expected-left.txt" "$WORK/left.txt" || fail "the uninstall left other files than the two not installed"
[ ! -e "$prefix/share/doc/trivion" ] || fail "share/doc/trivion is still there"
[ -z "$(find "$prefix/share/trivion" -mindepth 1 -type d ! -path "$disc")" ] ||
  fail "emptied folders of the disc are still there"
[ -d "$prefix/share/applications" ] || fail "the uninstall removed share/applications, which holds another file"
rm -f "$manifest"

[ "$FAILS" -eq 0 ] || exit 1
echo "installed, started from elsewhere and uninstalled"
