#!/bin/sh
# CPU used by the running program over a stretch of wall time, and how often its threads woke
# (voluntary context switches of all threads): first with nothing open, then while it plays a
# clip and paused in its window, then playing and paused in full screen with the cursor hidden;
# then plain mpv playing and paused on the same clip, the anchor for the playing wake-ups.
# With xdotool and a window manager (on a private Xvfb the script starts twm when it is
# installed) it also measures the idle player minimised, which should not wake at all.
#
#   bench/idle/idle_cpu.sh <zentavista binary> <clip> [seconds=30]
#
# Runs under the display in $DISPLAY, or under a private Xvfb when none is set. The program
# gets a private ZENTAVISTA_HOME, so the user's settings and playlist are untouched.
set -eu

bin=${1:?usage: idle_cpu.sh <zentavista binary> <clip> [seconds]}
clip=${2:?usage: idle_cpu.sh <zentavista binary> <clip> [seconds]}
secs=${3:-30}

. "$(dirname "$0")/../app_session.sh"

# CPU time of every thread, one "tid nanoseconds" line each (schedstat: the clock-tick counts of
# /proc/PID/stat are too coarse for an idle program's few milliseconds).
cputime() {
    for t in /proc/"$1"/task/*; do
        read -r ns _ <"$t/schedstat" 2>/dev/null && echo "${t##*/} $ns"
    done
}

# Voluntary context switches of every thread, one "tid count" line each: each is a sleep, so
# each is a wake-up too.
wakeups() {
    for t in /proc/"$1"/task/*; do
        awk -v t="${t##*/}" '/^voluntary_ctxt_switches/ { print t, $2 }' "$t/status" 2>/dev/null || true
    done
}

# Growth of a per-thread count between two snapshots: threads that ended meanwhile take their
# counts with them, so only threads still there are compared (new ones from zero), never a
# negative sum.
woke() { # before-file, after-file
    awk 'NR == FNR { was[$1] = $2; next } { n += $2 - ($1 in was ? was[$1] : 0) } END { printf "%.0f\n", n }' "$1" "$2"
}

measure() { # label, pid
    sleep 3   # start-up and opening are not what is measured
    kill -0 "$2" 2>/dev/null || { echo "the program ended early" >&2; exit 1; }
    cputime "$2" >"$home/c0"; wakeups "$2" >"$home/w0"
    sleep "$secs"
    cputime "$2" >"$home/c1"; wakeups "$2" >"$home/w1"
    awk -v l="$1" -v d="$(woke "$home/c0" "$home/c1")" -v w="$(woke "$home/w0" "$home/w1")" -v s="$secs" \
        'BEGIN { printf "%-10s %8.3f s CPU in %d s  (%6.3f %% of one core)  %7.1f wake-ups/s\n", l, d / 1e9, s, 100 * d / 1e9 / s, w / s }' \
        | tee -a "$home/results"
}

# Wake-ups per second of a measured phase, from the lines measure wrote.
rate_of() { awk -v l="$1" '$1 == l { print $(NF - 1) }' "$home/results"; }

# Each phase must see the clip playing: a clip shorter than a phase would end (and stop) while
# measured, so it is repeated to outlast the two full-screen phases.
long="$home/long.${clip##*.}"
if command -v ffmpeg >/dev/null \
    && ffmpeg -v error -stream_loop -1 -i "$clip" -t $((2 * secs + 10)) -c copy "$long" </dev/null; then
    clip=$long
fi

# The program's managed top-level window (WM_STATE Normal), empty when none is managed.
main_window() {
    for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        xprop -id "$w" WM_STATE 2>/dev/null | grep -q 'state: Normal' && { echo "$w"; return; }
    done
}

"$bin" >/dev/null 2>&1 &
app_pid=$!
measure "idle" "$app_pid"
stop_app

# A clip on the command line opens and, with AutoPlay on (the default), plays.
"$bin" "$clip" >/dev/null 2>&1 &
app_pid=$!
kill -0 "$app_pid" 2>/dev/null || { echo "the program ended early" >&2; exit 1; }
measure "playing" "$app_pid"
# Paused in its window: nothing moves, so nothing should wake the program. The main window is
# the visible one titled "<film> - Zentavista"; it gets the keyboard for the pause key.
win=$(xdotool search --all --onlyvisible --pid "$app_pid" --name ' - Zentavista$' 2>/dev/null | head -n 1 || true)
if [ -n "$win" ]; then
    xdotool windowfocus --sync "$win" key space
    measure "paused" "$app_pid"
else
    echo "paused     (not measured: no window found with xdotool)"
fi
stop_app

# Plain mpv on the same clip and picture output, playing and paused: the anchor.
if command -v mpv >/dev/null; then
    mpv_args="--no-config --really-quiet --vo=gpu,x11 --gpu-sw=yes --audio-fallback-to-null=yes"
    # shellcheck disable=SC2086
    mpv $mpv_args "$clip" >/dev/null 2>&1 &
    app_pid=$!
    measure "mpv-play" "$app_pid"
    stop_app
    # shellcheck disable=SC2086
    mpv $mpv_args --pause "$clip" >/dev/null 2>&1 &
    app_pid=$!
    measure "mpv-paused" "$app_pid"
    stop_app
    awk -v o="$(rate_of playing)" -v m="$(rate_of mpv-play)" \
        'BEGIN { if (m > 0) printf "playing wake-ups ours / mpv  %.2fx\n", o / m }'
fi

# Full screen ("/f"): the cursor hides 2 s after the last movement; nothing polls the mouse.
"$bin" /f "$clip" >/dev/null 2>&1 &
app_pid=$!
measure "fullscreen" "$app_pid"
if command -v xdotool >/dev/null; then
    xdotool key space   # the full-screen window has the keyboard: pause
    measure "fs-paused" "$app_pid"
fi
stop_app

# Minimising needs a window manager; a bare Xvfb has none. It comes last:
# its focus follows the pointer, which the full-screen phase's key press must not meet.
wm_pid=
if [ -n "$xvfb_pid" ] && command -v twm >/dev/null; then
    printf '%s\n' RandomPlacement 'UsePPosition "on"' NoGrabServer 'TitleFont "fixed"' \
        'ResizeFont "fixed"' 'MenuFont "fixed"' 'IconFont "fixed"' 'IconManagerFont "fixed"' >"$home/twmrc"
    twm -f "$home/twmrc" >/dev/null 2>&1 &
    wm_pid=$!
    sleep 0.5
fi

if command -v xdotool >/dev/null && command -v xprop >/dev/null; then
    "$bin" >/dev/null 2>&1 &
    app_pid=$!
    sleep 3
    win=$(main_window "$app_pid")
    if [ -n "$win" ]; then
        xdotool windowminimize "$win"
        sleep 1
        if xprop -id "$win" WM_STATE | grep -q 'state: Iconic'; then
            measure "minimised" "$app_pid"
        else
            echo "minimised  (not measured: the window manager did not iconify the window)"
        fi
    else
        echo "minimised  (not measured: no window manager)"
    fi
    stop_app
fi
