#!/usr/bin/env bash
# Films with several audio and subtitle tracks, for reading tracks inside a film.
# Usage: make_tracks_films.sh <output folder>. Makes only the files that are missing.
#
# tracks.mkv (10 s, 320x240 test pattern, 25 fps)
#   audio 1: pol, title "Lektor", sine 440 Hz, AC-3 stereo, default
#   audio 2: eng, sine 880 Hz, FLAC stereo
#   subtitles 1 (SubRip, pol, title "Polskie", default):
#     00:00:01,000 --> 00:00:03,500  <i>Zażółć gęślą jaźń</i>
#     00:00:04,000 --> 00:00:06,000  Dzień dobry!|To jest film próbny.   ("|" = line break)
#     00:00:07,000 --> 00:00:09,000  Koniec.
#   subtitles 2 (ASS, eng):
#     0:00:01.50 - 0:00:03.00  {\i1}Hello{\i0} world           -> <i>Hello</i> world
#     0:00:04.00 - 0:00:06.00  {\an8}Top line\NSecond line      -> Top line|Second line
#     0:00:07.00 - 0:00:08.00  {\p1}m 0 0 l 10 0 10 10{\p0}Drawn -> Drawn
#   subtitles 3 (SubRip, pol, title "CP1250"), text bytes in Windows-1250 inside the film:
#     00:00:02,000 --> 00:00:04,000  Źródło: gęś i żółw.
#     00:00:05,000 --> 00:00:07,000  Łódź nocą.
# tracks.mp4: the same video and audio 1, one mov_text track (pol) with the three lines of
#   subtitles 1 (the italics become a style record).
# truncated.mkv: the first 40% of tracks.mkv (header intact, the end missing).
# webvtt.mkv: 3 s of video and one WebVTT track (eng):
#     00:00:00.500 --> 00:00:01.500  <v Anna>Hi <i>there</i> &amp; bye  -> Hi <i>there</i> & bye
#     00:00:01.000 --> 00:00:01.800  <c.yellow>Zakładka</c>           (overlaps the first)
#     00:00:02.000 --> 00:00:03.000  "Zażółć \xFF koniec": UTF-8 with one invalid byte
# many_tracks.mkv: 2 s, one video, 20 AC-3 audio tracks, 20 SubRip tracks (pol, the first line of
#   subtitles 1 at 00:00:00,500 --> 00:00:01,500 in each).
# many_cues.mkv: 2 s of video and one SubRip track (pol) of 100000 cues: cue k (from 0) at
#   k*100 ms for 80 ms, text "Linia k"; every 1000th is "<i>Kursywa k</i>".
set -euo pipefail
out=${1:?output folder}
mkdir -p "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

write_sources() {
  printf '%s\r\n' 1 '00:00:01,000 --> 00:00:03,500' '<i>Zażółć gęślą jaźń</i>' '' \
    2 '00:00:04,000 --> 00:00:06,000' 'Dzień dobry!' 'To jest film próbny.' '' \
    3 '00:00:07,000 --> 00:00:09,000' 'Koniec.' '' > "$work/pol.srt"
  printf '%s\r\n' 1 '00:00:02,000 --> 00:00:04,000' 'Źródło: gęś i żółw.' '' \
    2 '00:00:05,000 --> 00:00:07,000' 'Łódź nocą.' '' | iconv -f UTF-8 -t CP1250 > "$work/cp1250.srt"
  cat > "$work/eng.ass" <<'ASS'
[Script Info]
ScriptType: v4.00+
PlayResX: 320
PlayResY: 240

[V4+ Styles]
Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding
Style: Default,Arial,20,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,1

[Events]
Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text
Dialogue: 0,0:00:01.50,0:00:03.00,Default,,0,0,0,,{\i1}Hello{\i0} world
Dialogue: 0,0:00:04.00,0:00:06.00,Default,,0,0,0,,{\an8}Top line\NSecond line
Dialogue: 0,0:00:07.00,0:00:08.00,Default,,0,0,0,,{\p1}m 0 0 l 10 0 10 10{\p0}Drawn
ASS
}

write_sources
if [ ! -s "$out/tracks.mkv" ]; then
  # The AC-3 encoder's priming samples would shift every track by 6 ms; a raw .ac3 file read back
  # starts at 0. The srt demuxer hands the Windows-1250 bytes on untouched and "copy" stores them.
  ff -f lavfi -i sine=frequency=440:duration=10 -c:a ac3 -b:a 96k -ac 2 "$work/pol.ac3"
  ff -f lavfi -i testsrc=size=320x240:rate=25:duration=10 -i "$work/pol.ac3" \
    -f lavfi -i sine=frequency=880:duration=10 -i "$work/pol.srt" -i "$work/eng.ass" -i "$work/cp1250.srt" \
    -map 0:v -map 1:a -map 2:a -map 3 -map 4 -map 5 -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    -c:a:0 copy -c:a:1 flac -ac:a:1 2 -c:s copy \
    -metadata:s:a:0 language=pol -metadata:s:a:0 title=Lektor -metadata:s:a:1 language=eng \
    -metadata:s:s:0 language=pol -metadata:s:s:0 title=Polskie -metadata:s:s:1 language=eng \
    -metadata:s:s:2 language=pol -metadata:s:s:2 title=CP1250 \
    -disposition:a:0 default -disposition:a:1 0 -disposition:s:0 default -disposition:s:1 0 -disposition:s:2 0 \
    "$work/tracks.mkv"
  mv "$work/tracks.mkv" "$out/tracks.mkv"
fi
if [ ! -s "$out/tracks.mp4" ]; then
  ff -f lavfi -i testsrc=size=320x240:rate=25:duration=10 -f lavfi -i sine=frequency=440:duration=10 \
    -i "$work/pol.srt" -map 0:v -map 1:a -map 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    -c:a ac3 -b:a 96k -ac 2 -c:s mov_text -metadata:s:a:0 language=pol -metadata:s:s:0 language=pol \
    "$work/tracks.mp4"
  mv "$work/tracks.mp4" "$out/tracks.mp4"
fi
if [ ! -s "$out/webvtt.mkv" ]; then
  printf 'WEBVTT\n\n00:00:00.500 --> 00:00:01.500\n<v Anna>Hi <i>there</i> &amp; bye\n\n%s\n%s\n\n%s\n%b\n' \
    '00:00:01.000 --> 00:00:01.800' '<c.yellow>Zakładka</c>' '00:00:02.000 --> 00:00:03.000' \
    'Zażółć \xff koniec' > "$work/cues.vtt"
  ff -f lavfi -i testsrc=size=64x48:rate=5:duration=3 -i "$work/cues.vtt" -map 0:v -map 1 -c:v libx264 \
    -preset ultrafast -pix_fmt yuv420p -c:s copy -metadata:s:s language=eng "$work/webvtt.mkv"
  mv "$work/webvtt.mkv" "$out/webvtt.mkv"
fi
if [ ! -s "$out/many_tracks.mkv" ]; then
  printf '%s\r\n' 1 '00:00:00,500 --> 00:00:01,500' '<i>Zażółć gęślą jaźń</i>' '' > "$work/one.srt"
  ff -f lavfi -i sine=frequency=440:duration=2 -c:a ac3 -b:a 64k -ac 1 "$work/short.ac3"
  args=(-f lavfi -i testsrc=size=64x48:rate=5:duration=2 -i "$work/short.ac3" -i "$work/one.srt" -map 0:v)
  for _ in $(seq 20); do args+=(-map 1:a); done
  for _ in $(seq 20); do args+=(-map 2); done
  ff "${args[@]}" -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a copy -c:s copy \
    -metadata:s:a language=pol -metadata:s:s language=pol "$work/many_tracks.mkv"
  mv "$work/many_tracks.mkv" "$out/many_tracks.mkv"
fi
if [ ! -s "$out/many_cues.mkv" ]; then
  awk 'BEGIN { for (k = 0; k < 100000; k++) {
      s = k * 100; e = s + 80
      printf "%d\r\n%02d:%02d:%02d,%03d --> %02d:%02d:%02d,%03d\r\n", k + 1,
        s / 3600000, (s / 60000) % 60, (s / 1000) % 60, s % 1000,
        e / 3600000, (e / 60000) % 60, (e / 1000) % 60, e % 1000
      if (k % 1000 == 0) printf "<i>Kursywa %d</i>\r\n\r\n", k; else printf "Linia %d\r\n\r\n", k
    } }' > "$work/many.srt"
  ff -f lavfi -i testsrc=size=64x48:rate=5:duration=2 -i "$work/many.srt" -map 0:v -map 1 \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:s copy -metadata:s:s language=pol \
    "$work/many_cues.mkv"
  mv "$work/many_cues.mkv" "$out/many_cues.mkv"
fi
if [ ! -s "$out/truncated.mkv" ]; then
  size=$(stat -c %s "$out/tracks.mkv")
  head -c $((size * 4 / 10)) "$out/tracks.mkv" > "$work/truncated.mkv"
  mv "$work/truncated.mkv" "$out/truncated.mkv"
fi
