#!/usr/bin/env bash
# zentavista-subs against ffmpeg, whole processes side by side in one run:
#   1. converting a realistic Windows-1250 MicroDVD file of N lines (default 100 000) to SubRip
#      on standard output: `zentavista-subs convert F --to srt -o -` against
#      `ffmpeg -sub_charenc CP1250 -f microdvd -i F -f srt -`. The file (make_realistic_microdvd.py,
#      fixed seed) has ~2 % of its lines out of order, ~40 % with "|" breaks, some {y:i}
#      italics, a few malformed lines and Polish letters. Rounds of interleaved runs; the
#      medians of wall time and of CPU time (user + system) and their ratios, and how many
#      cues each writes (and how many of ours are out of start order);
#   2. start-up of `zentavista-subs --help`.
# Usage: bench/subs_tool/convert_vs_ffmpeg.sh [path/to/zentavista-subs] [lines] [rounds]
# Build the tool in Release first (make bench, or a Release build folder's zentavista-subs).
set -euo pipefail

tool=${1:-build/bench/src/tools/zentavista-subs}
lines=${2:-100000}
rounds=${3:-10}
here=$(dirname "$0")
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is needed" >&2; exit 2; }
[ -x "$tool" ] || { echo "no tool at $tool" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
in="$work/film.sub"
python3 "$here/make_realistic_microdvd.py" "$in" "$lines" 33
echo "input: $lines MicroDVD lines, Windows-1250, $(stat -c %s "$in") bytes"

ours="$tool convert $in --to srt -o -"
theirs="ffmpeg -nostdin -loglevel error -sub_charenc CP1250 -f microdvd -i $in -f srt -"
# Interleaved: each round runs both, so a busy moment of the machine falls on both alike.
for r in $(seq "$rounds"); do
    hyperfine -N --warmup 1 --runs 3 --style none --export-json "$work/round$r.json" \
        -n ours "$ours" -n ffmpeg "$theirs" >/dev/null 2>&1
done

python3 - "$work" "$rounds" <<'PY'
import json, statistics, sys
work, rounds = sys.argv[1], int(sys.argv[2])
wall = {"ours": [], "ffmpeg": []}
cpu = {"ours": [], "ffmpeg": []}
for r in range(1, rounds + 1):
    for x in json.load(open(f"{work}/round{r}.json"))["results"]:
        wall[x["command"]] += x["times"]
        cpu[x["command"]].append(x["user"] + x["system"])
m = {k: statistics.median(v) * 1000 for k, v in wall.items()}
c = {k: statistics.median(v) * 1000 for k, v in cpu.items()}
print(f"convert, median of {len(wall['ours'])} interleaved runs each:")
print(f"  wall: zentavista-subs {m['ours']:.1f} ms, ffmpeg {m['ffmpeg']:.1f} ms, ratio {m['ffmpeg'] / m['ours']:.1f}x (target 20x)")
print(f"  CPU:  zentavista-subs {c['ours']:.1f} ms, ffmpeg {c['ffmpeg']:.1f} ms, ratio {c['ffmpeg'] / c['ours']:.1f}x")
PY

$ours > "$work/ours.srt" 2>/dev/null || true
$theirs > "$work/ffmpeg.srt" 2>/dev/null || true
python3 - "$work/ours.srt" "$work/ffmpeg.srt" "$lines" <<'PY'
import re, sys
def starts(path):
    text = open(path, encoding="utf-8", errors="replace").read()
    return [((int(h) * 60 + int(m)) * 60 + int(s)) * 1000 + int(ms)
            for h, m, s, ms in re.findall(r"^(\d+):(\d\d):(\d\d),(\d{3}) -->", text, re.M)]
ours, theirs = starts(sys.argv[1]), starts(sys.argv[2])
late = sum(1 for a, b in zip(ours, ours[1:]) if b < a)
print(f"cues: zentavista-subs {len(ours)}, ffmpeg {len(theirs)} of {sys.argv[3]} lines; "
      f"ours out of start order: {late}")
PY
grep -m1 -q 'ż' "$work/ours.srt" && echo "Polish letters in our output: UTF-8"

hyperfine --warmup 5 --runs 50 -N --export-json "$work/help.json" "$tool --help" >/dev/null
python3 - "$work/help.json" <<'PY'
import json, sys
m = json.load(open(sys.argv[1]))["results"][0]["median"]
print(f"start-up of --help: {m*1000:.2f} ms (limit 20 ms)")
PY
