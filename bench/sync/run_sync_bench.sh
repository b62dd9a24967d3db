#!/usr/bin/env bash
# Times and scores `zentavista-subs sync` on generated films with speech at known times.
#   bench/sync/run_sync_bench.sh CACHE [BUILD] [--100]
# CACHE keeps the generated films between runs (15-minute AAC film; with --100 also the
# 100-minute AC-3 5.1 film). BUILD is a Release build folder with zentavista-subs and
# sync_floor (default build/bench, as `make bench` makes it). Prints per distortion: lines
# within 100 ms of the truth, median and worst error, wall and CPU time, peak memory; then the
# decode floor and the alignment alone.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
cache=${1:?usage: run_sync_bench.sh CACHE [BUILD] [--100]}
build=${2:-$root/build/bench}
long=0
for a in "$@"; do [ "$a" = --100 ] && long=1; done
tool="$build/src/tools/zentavista-subs"
floor="$build/bench/sync/sync_floor"
for b in "$tool" "$floor"; do [ -x "$b" ] || { echo "missing $b (build it in Release)" >&2; exit 2; }; done
mkdir -p "$cache"
make="$root/tests/media/make_speech_films.sh"
"$make" "$cache" film15 15 aac
[ $long = 1 ] && "$make" "$cache" film100 100 ac3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

base_kb=$(/usr/bin/time -f %M "$tool" --version 2>&1 >/dev/null | tail -1)

# Truth starts against the output's starts, in order: share within 100 ms, median, worst (ms).
score() { # truth.tsv out.srt
  awk -F'\t' 'NR == FNR { t[++n] = $2; next }
    / --> / { split($1, a, /[:,]/); g[++m] = a[1] * 3600 + a[2] * 60 + a[3] + a[4] / 1000 }
    END { if (m != n) { print "mismatch"; exit }
          for (i = 1; i <= n; i++) { e = g[i] - t[i]; if (e < 0) e = -e; print e * 1000 } }' "$1" "$2" |
  sort -n | awk '{ e[NR] = $1; if ($1 <= 100) ok++ }
    END { if (e[1] == "mismatch" || NR == 0) { printf "%-26s", "line count differs"; exit }
          printf "%5.1f %%  %6.0f  %6.0f", 100 * ok / NR, e[int((NR + 1) / 2)], e[NR] }'
}

run() { # label film subs truth
  local label=$1 film=$2 subs=$3 truth=$4 out="$work/out.srt" status
  rm -f "$out"
  set +e
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$tool" sync "$film" "$subs" --json -o "$out" > "$work/json" 2> "$work/err"
  status=$?
  set -e
  read -r secs user sys kb < <(tail -n 1 "$work/time")
  local cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
  local acc="     refused: $(grep -o '"refusal": "[^"]*"' "$work/json" | cut -d'"' -f4)"
  [ $status = 0 ] && acc=$(score "$truth" "$out")
  local conf=$(grep -o '"confidence": [0-9.e-]*' "$work/json" | awk '{ printf "%.2f", $2 }')
  local pieces=$(grep -c '"firstLine"' "$work/json" || true)
  printf '%-22s %-34s %6.2f s (cpu %5s s) %5d MB (+%d)  conf %s  pieces %s  exit %d\n' "$label" "$acc" \
    "$secs" "$cpu" $((kb / 1024)) $(((kb - base_kb) / 1024)) "$conf" "$pieces" $status
}

films=(film15)
[ $long = 1 ] && films+=(film100)
for f in "${films[@]}"; do
  ext=mkv
  film="$cache/$f.$ext"
  truth="$cache/$f.truth.tsv"
  lines=$(wc -l < "$truth")
  echo "== $f ($lines lines): within 100 ms, median ms, worst ms, wall time (cpu), peak memory (+ over the tool's own start)"
  run identity "$film" "$cache/$f.true.srt" "$truth"
  run "offset +7.3 s" "$film" "$cache/$f.offset.srt" "$truth"
  run "rate 25/23.976+1.5" "$film" "$cache/$f.rate.srt" "$truth"
  run "cut (12 s)" "$film" "$cache/$f.cut.srt" "$truth"
  run "reading-time ends" "$film" "$cache/$f.reading.srt" "$truth"
  run "pink noise -10 dB" "$cache/$f.noise.$ext" "$cache/$f.true.srt" "$truth"
  run "TMPlayer (seconds)" "$film" "$cache/$f.tmp.txt" "$truth"
  run "wrong file" "$film" "$cache/$f.wrong.srt" "$truth"
  "$floor" decode "$film" | sed 's/^/decode floor (in-process, 16 kHz mono): /'
done
"$floor" align 400
if command -v ffsubsync >/dev/null; then
  echo "ffsubsync found: $(command -v ffsubsync) (run it by hand on the same films for the comparison)"
else
  echo "ffsubsync: not measured here: it is a PyPI package and PyPI cannot be reached from this machine"
fi
