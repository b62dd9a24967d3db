#!/usr/bin/env bash
# Compares the engine inside our video surface with plain mpv on the same clip and video output,
# under the current DISPLAY:
#   - start-up: time from process start to the first frame on screen (first playback restart)
#   - playback: CPU time (user + system) of playing the whole clip
# and prints both ratios (ours / mpv). Targets: start-up <= 1.15, playback CPU <= 1.05.
#
#   bench/engine/startup_vs_mpv.sh [clip]        (default: the generated 10 s clip.avi)
# Environment: ZV_BENCH_BUILD (build folder, default build/bench), RUNS (start-up runs, 7),
#              PLAY_RUNS (playback runs, 3), AUDIO=1 to use the sound output (default: none).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${ZV_BENCH_BUILD:-$root/build/bench}
runs=${RUNS:-7}
play_runs=${PLAY_RUNS:-3}

[ -n "${DISPLAY:-}" ] || { echo "DISPLAY is not set (start Xvfb or run on the desktop)" >&2; exit 1; }
command -v mpv >/dev/null || { echo "mpv is needed as the anchor: apt-get install mpv" >&2; exit 1; }

if [ ! -x "$build/bench/engine/zv_engine_bench" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZV_BUILD_TESTS=OFF \
        -DZV_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" -j 2 --target zv_engine_bench >/dev/null

clip=${1:-}
if [ -z "$clip" ]; then
  "$root/tests/media/make_media.sh" "$build/media" >/dev/null
  clip=$build/media/clip.avi
fi

ours=("$build/bench/engine/zv_engine_bench")
theirs=(mpv --no-config --really-quiet --vo=gpu,x11 --gpu-sw=yes --geometry=320x240
        "--script=$root/bench/engine/first_frame.lua")
if [ "${AUDIO:-0}" = 1 ]; then
  audio_ours=(); audio_theirs=()
else
  audio_ours=(--no-audio); audio_theirs=(--ao=null)
fi

python3 - "$clip" "$runs" "$play_runs" \
  "${ours[*]} ${audio_ours[*]:-}" "${theirs[*]} ${audio_theirs[*]:-}" <<'PY'
import os, shlex, statistics, subprocess, sys, time

clip, runs, play_runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
ours, theirs = shlex.split(sys.argv[4]), shlex.split(sys.argv[5])

def run(cmd):
    """Seconds from start to the FIRST_FRAME line, and CPU seconds of the whole process."""
    t0 = time.perf_counter()
    p = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    first = None
    for line in p.stdout:
        if first is None and line.startswith("FIRST_FRAME"):
            first = time.perf_counter() - t0
    _, status, usage = os.wait4(p.pid, 0)
    p.returncode = status
    if first is None or status != 0:
        sys.exit(f"{cmd[0]} failed (status {status})")
    return first, usage.ru_utime + usage.ru_stime

def startup(cmd, mode_args):
    return run(cmd + mode_args + [clip])[0]

ours_start, mpv_start = [], []
for _ in range(runs):  # interleaved, so a slow moment of the machine hits both alike
    ours_start.append(startup(ours, ["--mode=startup"]))
    mpv_start.append(startup(theirs, ["--script-opts=zv-mode=startup"]))
ours_cpu, mpv_cpu = [], []
for _ in range(play_runs):
    ours_cpu.append(run(ours + ["--mode=play", clip])[1])
    mpv_cpu.append(run(theirs + ["--script-opts=zv-mode=play", clip])[1])

def ms(v): return f"{v * 1000:7.1f} ms"
so, sm = statistics.median(ours_start), statistics.median(mpv_start)
co, cm = statistics.median(ours_cpu), statistics.median(mpv_cpu)
print(f"clip: {clip}")
print(f"start-up to first frame (median of {runs}):  ours {ms(so)}   mpv {ms(sm)}")
print(f"CPU for the whole clip  (median of {play_runs}):  ours {ms(co)}   mpv {ms(cm)}")
print(f"start-up ratio      {so / sm:.3f}  (target <= 1.15)")
print(f"playback CPU ratio  {co / cm:.3f}  (target <= 1.05)")
PY
