#!/bin/sh
# Peak memory of the whole program loading a subtitle file given on its command line, above
# the same program started with nothing, as a multiple of the file's size.
#
#   bench/subtitles/app_peak_memory.sh <zentavista binary> <subtitle file>
#
# Make a large file with: bench_subtitles --write 1 1000000 cp1250 FILE
# Runs under the display in $DISPLAY, or under a private Xvfb when none is set, with a private
# ZENTAVISTA_HOME. Memory is read once the resident size has stopped changing for two seconds.
set -eu

bin=${1:?usage: app_peak_memory.sh <zentavista binary> <subtitle file>}
file=${2:?usage: app_peak_memory.sh <zentavista binary> <subtitle file>}

. "$(dirname "$0")/../app_session.sh"

status_kb() { # pid, field
    awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/status"
}

settled_status() { # pid -> "rss hwm" once VmRSS held still for 8 samples 0.25 s apart
    prev=0
    same=0
    for _ in $(seq 400); do
        sleep 0.25
        kill -0 "$1" 2>/dev/null || { echo "the program ended early" >&2; exit 1; }
        rss=$(status_kb "$1" VmRSS)
        if [ "$rss" = "$prev" ]; then same=$((same + 1)); else same=0; fi
        prev=$rss
        [ "$same" -ge 8 ] && break
    done
    echo "$rss $(status_kb "$1" VmHWM)"
}

"$bin" >/dev/null 2>&1 &
app_pid=$!
idle=$(settled_status "$app_pid" | cut -d' ' -f1)
stop_app

"$bin" "$file" >/dev/null 2>&1 &
app_pid=$!
set -- $(settled_status "$app_pid")
size=$(stat -c %s "$file")
awk -v idle="$idle" -v rss="$1" -v hwm="$2" -v size="$size" 'BEGIN {
    printf "file %.1f MB; idle program %.1f MB\n", size / 1048576, idle / 1024
    printf "loaded: holds %.1f MB above idle (%.2f x the file)\n", (rss - idle) / 1024, (rss - idle) * 1024 / size
    printf "peak:   %.1f MB above idle (%.2f x the file)\n", (hwm - idle) / 1024, (hwm - idle) * 1024 / size
}'
