#!/usr/bin/env bash
# Runs every test of a build folder through CTest, on a virtual X display when none is set.
set -euo pipefail
build=${1:-build/debug}

. "$(dirname "$0")/xvfb.sh"
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT

zv_ensure_display
[ -n "$xvfb_pid" ] && echo "Started Xvfb on $DISPLAY"

cd "$build"
# One test at a time: the window tests share one display and some read screen pixels.
ctest --output-on-failure </dev/null
