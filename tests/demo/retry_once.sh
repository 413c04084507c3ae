#!/bin/bash
# Runs a real-window script and, when it fails, once more: about one run in
# ten of the scaled test loses the shell's window under Xvfb (the cause is not
# found yet); a fault of the program fails both runs. 77 (skipped) passes through.
# usage: retry_once.sh SCRIPT ARGS...
bash "$@"
status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 77 ] && exit "$status"
echo "retry_once: the first run failed ($status); running it again"
exec bash "$@"
