#!/usr/bin/env bash
# Reading a subtitle track out of a long film: `zentavista-subs convert FILM --track 1 --to srt`
# against `ffmpeg -i FILM -map 0:s:0 -f srt -`, whole processes, on the same file.
#   1. a 2 h mkv (16x16 video at 1 fps, a short AC-3 track, 1 000 SubRip cues spread over the 2 h);
#   2. the same film with a track of 100 000 cues.
# Prints both wall times, the ratio ours/ffmpeg (target: at most 2), the CPU times (steadier on a
# busy machine) and the cues each wrote.
# Usage: bench/media/film_subtitles_vs_ffmpeg.sh [path/to/zentavista-subs] [work folder]
# Build the tool in Release first (make bench, or a Release build folder's zentavista-subs).
set -euo pipefail

tool=${1:-build/bench/src/tools/zentavista-subs}
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is needed" >&2; exit 2; }
[ -x "$tool" ] || { echo "no tool at $tool" >&2; exit 2; }
if [ -n "${2:-}" ]; then
  work=$2
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# SubRip cues: n of them evenly over `seconds`, each shown for 2 s (or the gap, if shorter).
cues() {
  awk -v n="$1" -v seconds="$2" 'function t(ms) {
      return sprintf("%02d:%02d:%02d,%03d", ms / 3600000, (ms / 60000) % 60, (ms / 1000) % 60, ms % 1000) }
    BEGIN { step = int(seconds * 1000 / n); len = step < 2000 ? int(step * 0.8) : 2000
      for (k = 0; k < n; k++) {
        s = k * step
        printf "%d\r\n%s --> %s\r\nLinia %d: zażółć gęślą jaźń\r\n", k + 1, t(s), t(s + len), k
        if (k % 10 == 0) printf "<i>Drugi wiersz</i>\r\n"
        printf "\r\n"
      } }'
}

[ -s "$work/video.mkv" ] || ff -f lavfi -i color=c=gray:s=16x16:r=1:d=7200 -c:v libx264 -preset ultrafast \
  -g 250 -pix_fmt yuv420p "$work/video.mkv"
[ -s "$work/audio.ac3" ] || ff -f lavfi -i sine=frequency=440:duration=10 -c:a ac3 -b:a 96k "$work/audio.ac3"
for n in 1000 100000; do
  film="$work/film_$n.mkv"
  if [ ! -s "$film" ]; then
    cues "$n" 7200 > "$work/cues_$n.srt"
    ff -i "$work/video.mkv" -i "$work/audio.ac3" -i "$work/cues_$n.srt" -map 0:v -map 1:a -map 2 -c copy \
      -metadata:s:s:0 language=pol "$film"
  fi
done

count() { grep -c -- '-->' "$1" 2>/dev/null || true; }
for n in 1000 100000; do
  film="$work/film_$n.mkv"
  echo "film: 2 h, $n cues, $(stat -c %s "$film") bytes"
  hyperfine --warmup 2 --runs 10 -N --export-json "$work/run_$n.json" \
    -n zentavista-subs "$tool convert $film --track 1 --to srt -o /dev/null" \
    -n ffmpeg "ffmpeg -nostdin -v error -i $film -map 0:s:0 -f srt -" >/dev/null
  python3 - "$work/run_$n.json" "$n" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
ours, theirs = r["zentavista-subs"], r["ffmpeg"]
print(f"  {sys.argv[2]} cues: zentavista-subs {ours['mean']*1000:.1f} ± {ours['stddev']*1000:.1f} ms, "
      f"ffmpeg {theirs['mean']*1000:.1f} ± {theirs['stddev']*1000:.1f} ms, "
      f"ratio ours/ffmpeg {ours['mean']/theirs['mean']:.2f} (target <= 2)")
cpu = lambda x: x["user"] + x["system"]
print(f"  CPU (user + system): zentavista-subs {cpu(ours)*1000:.1f} ms, ffmpeg {cpu(theirs)*1000:.1f} ms, "
      f"ratio {cpu(ours)/cpu(theirs):.2f}")
PY
  "$tool" convert "$film" --track 1 --to srt -o "$work/ours_$n.srt"
  ffmpeg -nostdin -v error -i "$film" -map 0:s:0 -f srt - > "$work/ffmpeg_$n.srt"
  echo "  cues written: zentavista-subs $(count "$work/ours_$n.srt"), ffmpeg $(count "$work/ffmpeg_$n.srt") of $n"
done
