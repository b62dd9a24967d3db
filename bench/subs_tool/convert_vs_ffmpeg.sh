#!/usr/bin/env bash
# zentavista-subs against ffmpeg, whole processes side by side in one run:
#   1. converting a Windows-1250 MicroDVD file of N lines (default 100 000) to SubRip:
#      `zentavista-subs convert IN --to srt -o OUT` against `ffmpeg -sub_charenc CP1250 -i IN OUT`,
#      and how many lines each keeps (ffmpeg also without -sub_charenc);
#   2. start-up of `zentavista-subs --help`.
# Usage: bench/subs_tool/convert_vs_ffmpeg.sh [path/to/zentavista-subs] [lines]
# Build the tool in Release first (make bench, or a Release build folder's zentavista-subs).
set -euo pipefail

tool=${1:-build/bench/src/tools/zentavista-subs}
lines=${2:-100000}
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is needed" >&2; exit 2; }
[ -x "$tool" ] || { echo "no tool at $tool" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
in="$work/film.sub"
# Polish letters in every line, as a Windows-1250 file has them (ą ę ś ż ź ć ń ó ł).
awk -v n="$lines" 'BEGIN {
    for (i = 0; i < n; i++) {
        s = 25 * (i * 3 + 1)
        printf "{%d}{%d}Linia %d: za\xbf\xf3\xb3\xe6 g\xea\x9cl\xb9 ja\x9f\xf1|Drugi wiersz\r\n", s, s + 50, i
    }
}' > "$in"
echo "input: $lines MicroDVD lines, Windows-1250, $(stat -c %s "$in") bytes"

hyperfine --warmup 2 --runs 10 --export-json "$work/convert.json" \
    -n zentavista-subs "$tool convert $in --to srt -o $work/ours.srt" \
    -n "ffmpeg -sub_charenc CP1250" "ffmpeg -nostdin -loglevel error -y -sub_charenc CP1250 -i $in $work/ffmpeg.srt"
ffmpeg -nostdin -loglevel error -y -i "$in" "$work/ffmpeg_plain.srt" 2>/dev/null || true

python3 - "$work/convert.json" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
ours, theirs = r["zentavista-subs"], r["ffmpeg -sub_charenc CP1250"]
print(f"convert: zentavista-subs {ours*1000:.1f} ms, ffmpeg {theirs*1000:.1f} ms, ratio {theirs/ours:.1f}x")
PY
count() { grep -c -- '-->' "$1" 2>/dev/null || true; }
echo "lines kept: zentavista-subs $(count "$work/ours.srt"), ffmpeg -sub_charenc CP1250 $(count "$work/ffmpeg.srt"), ffmpeg without it $(count "$work/ffmpeg_plain.srt") of $lines"
grep -m1 -c 'zażółć' "$work/ours.srt" >/dev/null && echo "Polish letters in our output: correct UTF-8"

hyperfine --warmup 5 --runs 50 -N --export-json "$work/help.json" "$tool --help"
python3 - "$work/help.json" <<'PY'
import json, sys
m = json.load(open(sys.argv[1]))["results"][0]["mean"]
print(f"start-up of --help: {m*1000:.2f} ms (limit 20 ms)")
PY
