#!/usr/bin/env bash
# Films with speech at known times, for the automatic synchronisation.
#   make_speech_films.sh OUT                      the short clip set the tests use (about 2.5 min)
#   make_speech_films.sh OUT NAME MINUTES [ac3]   a longer film NAME.mkv (+ its subtitle copies),
#                                                 AC-3 5.1 with "ac3", else AAC stereo
# Speech is espeak-ng sentences (silence trimmed) laid at exact sample offsets over a quiet,
# music-like bed, so the true start and end of every sentence is known. Beside each film:
#   NAME.truth.tsv        index, speech start, speech end (seconds), text
#   NAME.true.srt         line start = speech start, end = speech end + 0.4 s reading time
#   NAME.offset.srt       every line 7.3 s late
#   NAME.rate.srt         timed for 23.976 fps shown at 25 fps, plus 1.5 s
#   NAME.cut.srt          lines of the second half 12 s late (a scene removed from the film)
#   NAME.reading.srt      ends at reading time (characters), not at speech end
#   NAME.tmp.txt          time lines "h:mm:ss:text", whole seconds, 5 s late
#   NAME.wrong.srt        the same lines with their gaps shuffled: a file for another film
#   NAME.noise.<ext>      the film under pink noise 10 dB louder than the speech
# Only missing files are made.
set -euo pipefail
out=${1:-media}
name=${2:-speech}
minutes=${3:-2.5}
codec=${4:-aac}
mkdir -p "$out"
command -v espeak-ng >/dev/null || { echo "make_speech_films: espeak-ng missing, skipped" >&2; exit 0; }
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
ext=mkv; [ "$name" = speech ] && ext=mp4
film="$out/$name.$ext"
noisy="$out/$name.noise.$ext"
want=("$film" "$noisy" "$out/$name.truth.tsv" "$out/$name.wrong.srt" "$out/$name.tmp.txt")
[ "$name" = speech ] && want+=("$out/speech.noaudio.mkv" "$out/speech.short.mp4" "$out/speech.badaudio.mkv" "$out/speech.two.srt")
missing=0
for f in "${want[@]}"; do [ -s "$f" ] || missing=1; done
[ $missing = 1 ] || exit 0

rate=22050
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sentences=(
  "Dzień dobry, nazywam się Anna i mieszkam w Krakowie."
  "Pociąg do Warszawy odjeżdża z peronu trzeciego."
  "Czy mogę prosić o filiżankę herbaty z cytryną?"
  "Wczoraj wieczorem padał deszcz przez całą noc."
  "Nasz pies uwielbia biegać po parku."
  "Spotkajmy się jutro o siódmej przed kinem."
  "To była najdłuższa zima od wielu lat."
  "Zapomniałem kluczy i nie mogę wejść do domu."
  "Kapitan kazał podnieść kotwicę."
  "W tej bibliotece jest ponad milion książek."
  "Nie wiem, dlaczego telefon znowu nie działa."
  "Proszę zamknąć okno, bo robi się zimno."
  "Mój brat gra na gitarze w zespole rockowym."
  "Na obiad będzie zupa pomidorowa i pierogi."
  "Samolot wyląduje za dwadzieścia minut."
  "Ktoś zostawił otwarte drzwi do piwnicy."
  "Musimy się pospieszyć, zanim zrobi się ciemno."
  "Ten obraz namalował mój dziadek."
  "Latem jeździmy nad morze do Gdańska."
  "Policja szuka świadków wypadku."
  "Czy widziałeś mój niebieski parasol?"
  "Jutro rano mam bardzo ważne spotkanie."
  "Słońce zachodzi dziś o ósmej dwadzieścia."
  "Nikt nie wie, gdzie ukryto skarb."
  "Kup, proszę, chleb i mleko w sklepie."
  "Lekarz powiedział, że wszystko jest w porządku."
  "Za górami, za lasami żyła sobie królewna."
  "Ten samochód jest zdecydowanie za drogi."
  "Słyszałem dziwne hałasy na strychu."
  "Wracajmy już, robi się późno."
  "Pani profesor sprawdzi egzaminy w piątek."
  "Mamy jeszcze trochę czasu do odjazdu."
  "Rzeka wylała po ulewnych deszczach."
  "Nigdy wcześniej nie byłem w Paryżu."
  "Daj mi znać, kiedy dotrzesz na miejsce."
  "Kot śpi na parapecie w słońcu."
  "Uważaj, podłoga jest śliska."
  "To nie jest dobry moment na żarty."
  "Zadzwonię do ciebie po południu."
  "Koniec zebrania, dziękuję wszystkim."
)
n=${#sentences[@]}

# Each sentence once: speech only, silence trimmed at both ends, raw 16-bit mono.
for i in $(seq 0 $((n - 1))); do
  espeak-ng -v pl -s 165 -w "$work/s$i.wav" "${sentences[$i]}"
  ff -i "$work/s$i.wav" -af "silenceremove=start_periods=1:start_threshold=-50dB,areverse,silenceremove=start_periods=1:start_threshold=-50dB,areverse,aresample=$rate" \
     -f s16le -ac 1 "$work/s$i.raw"
done

# The time line: sentences cycle with pseudo-random gaps (fixed seed) until the film's length.
total=$(awk -v m="$minutes" -v r=$rate 'BEGIN { printf "%d", m * 60 * r }')
sizes=""
for i in $(seq 0 $((n - 1))); do sizes="$sizes $(stat -c %s "$work/s$i.raw")"; done
awk -v n=$n -v total=$total -v r=$rate -v sizes="$sizes" 'BEGIN {
  srand(20261208); split(sizes, sz, " "); pos = int(1.5 * r); k = 0
  while (1) {
    len = sz[(k % n) + 1] / 2
    if (pos + len + r > total) break
    printf "%d\t%d\t%d\n", k % n, pos, len
    pos += len + int((0.5 + 2.5 * rand()) * r); k++
  }
}' > "$work/plan.tsv"

# Speech track: silence and sentences concatenated at exact sample offsets.
: > "$work/speech.raw"
pos=0
while IFS=$'\t' read -r s start len; do
  head -c $(((start - pos) * 2)) /dev/zero >> "$work/speech.raw"
  cat "$work/s$s.raw" >> "$work/speech.raw"
  pos=$((start + len))
done < "$work/plan.tsv"
head -c $(((total - pos) * 2)) /dev/zero >> "$work/speech.raw"

# Truth, and every subtitle copy, from the plan.
awk -F'\t' -v r=$rate 'BEGIN { OFS = "\t" } { print NR, $2 / r, ($2 + $3) / r, $1 }' "$work/plan.tsv" |
while IFS=$'\t' read -r idx start end s; do
  printf '%s\t%.6f\t%.6f\t%s\n' "$idx" "$start" "$end" "${sentences[$s]}"
done > "$work/truth.tsv"
cp "$work/truth.tsv" "$out/$name.truth.tsv"
lines=$(wc -l < "$work/truth.tsv")

srt() { # stdin: start end text; stdout: SubRip
  awk -F'\t' 'function t(x,  ms) { if (x < 0) x = 0; ms = int(x * 1000 + 0.5)
      return sprintf("%02d:%02d:%02d,%03d", int(ms / 3600000), int(ms / 60000) % 60, int(ms / 1000) % 60, ms % 1000) }
    { printf "%d\r\n%s --> %s\r\n%s\r\n\r\n", NR, t($1), t($2), $3 }'
}
tv() { cut -f2,3,4 "$work/truth.tsv"; }
half=$(awk -F'\t' -v n=$lines 'NR == int(n / 2) + 1 { print $2 }' "$work/truth.tsv")
tv | awk -F'\t' 'BEGIN { OFS = "\t" } { print $1, $2 + 0.4, $3 }' | srt > "$out/$name.true.srt"
tv | awk -F'\t' 'BEGIN { OFS = "\t" } { print $1 + 7.3, $2 + 7.7, $3 }' | srt > "$out/$name.offset.srt"
tv | awk -F'\t' 'BEGIN { OFS = "\t"; f = 25 / 23.976 } { print $1 * f + 1.5, ($2 + 0.4) * f + 1.5, $3 }' | srt > "$out/$name.rate.srt"
tv | awk -F'\t' -v h="$half" 'BEGIN { OFS = "\t" } { d = ($1 >= h) ? 12 : 0; print $1 + d, $2 + 0.4 + d, $3 }' | srt > "$out/$name.cut.srt"
tv | awk -F'\t' 'BEGIN { OFS = "\t" } { r = length($3) * 0.07; if (r < 1.5) r = 1.5; print $1, $1 + r, $3 }' | srt > "$out/$name.reading.srt"
tv | awk -F'\t' '{ s = int($1 + 5); printf "%d:%02d:%02d:%s\r\n", int(s / 3600), int(s / 60) % 60, s % 60, $3 }' > "$out/$name.tmp.txt"
# Another film's file: the same lines and lengths, the gaps between them shuffled.
tv | awk -F'\t' 'BEGIN { OFS = "\t"; srand(7) } { st[NR] = $1; en[NR] = $2; tx[NR] = $3 }
  END { for (i = 1; i <= NR; i++) g[i] = st[i] - (i > 1 ? en[i - 1] : 0)
        for (i = NR; i > 1; i--) { j = int(rand() * i) + 1; x = g[i]; g[i] = g[j]; g[j] = x }
        p = 0; for (i = 1; i <= NR; i++) { s = p + g[i]; e = s + en[i] - st[i]; print s, e + 0.4, tx[i]; p = e } }' |
  srt > "$out/$name.wrong.srt"

# The bed: soft chords changing every 2 s and a little pink noise, 20 dB or so under the speech.
secs=$(awk -v t=$total -v r=$rate 'BEGIN { printf "%.3f", t / r }')
bed="aevalsrc=exprs='0.02*sin(2*PI*t*(196+49*mod(floor(t/2)\,4)))+0.015*sin(2*PI*t*(294+37*mod(floor(t/2)\,3)))+0.01*sin(2*PI*t*523)*(0.5+0.5*sin(2*PI*t*2))':s=$rate:d=$secs"
video="testsrc=size=160x120:rate=5:duration=$secs"
if [ "$codec" = ac3 ]; then
  acodec=(-c:a ac3 -b:a 384k -ac 6)
  up=",pan=5.1|FL=0.5*c0|FR=0.5*c0|FC=c0|LFE=0.1*c0|BL=0.3*c0|BR=0.3*c0"
else
  acodec=(-c:a aac -b:a 96k -ac 2)
  up=""
fi
vcodec=(-c:v mpeg4 -q:v 20 -g 250)
[ -s "$film" ] || ff -f s16le -ar $rate -ac 1 -i "$work/speech.raw" -f lavfi -i "$bed" -f lavfi -i "$video" \
  -filter_complex "[0:a][1:a]amix=inputs=2:duration=first,volume=2,aresample=48000$up[a]" \
  -map 2:v -map "[a]" "${vcodec[@]}" "${acodec[@]}" -shortest "$film"

# Pink noise 10 dB above the speech, both measured over the sentences only.
if [ ! -s "$noisy" ]; then
  cat "$work"/s*.raw > "$work/all.raw"
  sdb=$(ff -f s16le -ar $rate -ac 1 -i "$work/all.raw" -af volumedetect -f null - 2>&1 | sed -n 's/.*mean_volume: \(.*\) dB/\1/p')
  ff -f lavfi -i "anoisesrc=color=pink:amplitude=0.5:seed=3:sample_rate=$rate:duration=$secs" -f s16le "$work/noise.raw"
  ndb=$(ff -f s16le -ar $rate -ac 1 -i "$work/noise.raw" -af volumedetect -f null - 2>&1 | sed -n 's/.*mean_volume: \(.*\) dB/\1/p')
  gain=$(awk -v s="$sdb" -v n="$ndb" 'BEGIN { printf "%.2f", s + 10 - n }')
  ff -f s16le -ar $rate -ac 1 -i "$work/speech.raw" -f s16le -ar $rate -ac 1 -i "$work/noise.raw" -f lavfi -i "$video" \
    -filter_complex "[1:a]volume=${gain}dB[n];[0:a][n]amix=inputs=2:duration=first,volume=2,aresample=48000$up[a]" \
    -map 2:v -map "[a]" "${vcodec[@]}" "${acodec[@]}" -shortest "$noisy"
fi

if [ "$name" = speech ]; then
  # Bad inputs: a film without sound, a 3-second clip, a damaged sound track, a 2-line file.
  [ -s "$out/speech.noaudio.mkv" ] || ff -f lavfi -i "testsrc=size=160x120:rate=5:duration=20" "${vcodec[@]}" "$out/speech.noaudio.mkv"
  [ -s "$out/speech.short.mp4" ] || ff -i "$film" -t 3 -c copy "$out/speech.short.mp4"
  [ -s "$out/speech.badaudio.mkv" ] || ff -i "$film" -c copy -bsf:a noise=amount=2 "$out/speech.badaudio.mkv"
  [ -s "$out/speech.two.srt" ] || head -n 8 "$out/speech.true.srt" > "$out/speech.two.srt"
fi
exit 0
