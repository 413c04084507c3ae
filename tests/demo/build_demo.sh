#!/usr/bin/env bash
# Builds the demo disc for the tests and puts the shell beside it.
# usage: build_demo.sh TRIVION_DISC CONTENT DISC_DIR TRIVION
set -euo pipefail
tool=$1 content=$2 disc=$3 shell=$4
"$tool" build "$content" "$disc"
cp "$shell" "$disc/trivion"
