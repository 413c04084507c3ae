#!/bin/bash
# Runs a real-window script and, when it fails, once more: under a fully loaded
# machine the scaled test has lost the shell's window and the typing test its
# keys about once in ten runs (the causes are not found yet); a fault of the
# program fails both runs. 77 (skipped) passes through.
# usage: retry_once.sh SCRIPT ARGS...
bash "$@"
status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 77 ] && exit "$status"
echo "retry_once: the first run failed ($status); running it again"
exec bash "$@"
