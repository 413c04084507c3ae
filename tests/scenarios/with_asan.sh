#!/bin/bash
# Runs a test command with the shell built with AddressSanitizer: SHELL is that
# executable (the command names it itself); exit 77 (skipped) when it was not
# built. Leaks at exit are not checked (the desktop libraries keep caches);
# any other finding ends the shell with a report on stderr, which fails the run.
# usage: with_asan.sh SHELL COMMAND...
set -u
[ -x "$1" ] || { echo "SKIP: no address-checking build of the shell at $1 (make asan)"; exit 77; }
shift
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=0:exitcode=86"
exec "$@"
