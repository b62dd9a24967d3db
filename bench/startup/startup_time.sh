#!/usr/bin/env bash
# Time from process start to the main window shown, over several runs.
#   bench/startup/startup_time.sh [build-folder] [runs]
# Needs a display (starts Xvfb when DISPLAY is unset). Each run uses a private state and runtime
# folder, waits until the "Zentavista" window is mapped, then ends the program with SIGTERM.
set -euo pipefail
build=${1:-build/release}
runs=${2:-10}
exe="$build/src/zentavista"
[ -x "$exe" ] || { echo "no $exe; build first (make build)" >&2; exit 1; }

. "$(dirname "$0")/../../scripts/xvfb.sh"
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
zv_ensure_display

times=()
for i in $(seq "$runs"); do
  home=$(mktemp -d); rt=$(mktemp -d); chmod 700 "$rt"
  start=$(date +%s%N)
  ZENTAVISTA_HOME=$home ZENTAVISTA_RUNTIME_DIR=$rt "$exe" >/dev/null 2>&1 &
  pid=$!
  until xwininfo -root -tree 2>/dev/null | grep -q '"Zentavista"'; do
    kill -0 "$pid" 2>/dev/null || { echo "program ended early" >&2; exit 1; }
    sleep 0.005
  done
  end=$(date +%s%N)
  kill -TERM "$pid"; wait "$pid" || true
  rm -rf "$home" "$rt"
  times+=($(( (end - start) / 1000000 )))
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "start to main window shown (ms), $runs runs: $(echo $sorted | tr '\n' ' ')"
echo "median: $(printf '%s\n' $sorted | sed -n "$(( (runs + 1) / 2 ))p") ms"
