#!/usr/bin/env bash
# Generates the clips the tests and the demo play, into the folder given (default ./media).
# Nothing binary is committed; these are made at build time with ffmpeg.
set -euo pipefail
out=${1:-media}
mkdir -p "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# 10 s, 320x240, 25 fps test pattern with a 440 Hz tone.
[ -s "$out/clip.avi" ] || ff -f lavfi -i testsrc=size=320x240:rate=25:duration=10 \
  -f lavfi -i sine=frequency=440:duration=10 -c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 96k \
  -shortest "$out/clip.avi"
[ -s "$out/clip.mp4" ] || ff -f lavfi -i testsrc=size=320x240:rate=25:duration=10 \
  -f lavfi -i sine=frequency=440:duration=10 -c:v libx264 -preset veryfast -pix_fmt yuv420p \
  -c:a aac -b:a 96k -shortest "$out/clip.mp4"
# 5 s of sound only.
[ -s "$out/audio.mp3" ] || ff -f lavfi -i sine=frequency=660:duration=5 -c:a libmp3lame -b:a 96k "$out/audio.mp3"
[ -s "$out/audio.wav" ] || ff -f lavfi -i sine=frequency=660:duration=5 "$out/audio.wav"

# Polish subtitles for the clip, time lines (h:mm:ss:text), in UTF-8.
if [ ! -s "$out/clip.txt" ]; then
  printf '%s\r\n' \
    '0:00:01:Dzień dobry!|To jest film próbny.' \
    '0:00:04:Zażółć gęślą jaźń.' \
    '0:00:07:Koniec.|Dziękujemy za uwagę.' > "$out/clip.txt"
fi

# Films with several tracks and films with speech at known times, each made by its own script.
here="$(cd "$(dirname "$0")" && pwd)"
for extra in "$here"/make_*_films.sh; do
  [ -x "$extra" ] && "$extra" "$out"
done
exit 0
