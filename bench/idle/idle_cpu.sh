#!/bin/sh
# CPU used by the running program over a stretch of wall time, and how often its threads woke
# (voluntary context switches of all threads): first with nothing open, then while it plays a
# clip, then playing and paused in full screen with the cursor hidden.
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
hz=$(getconf CLK_TCK)

. "$(dirname "$0")/../app_session.sh"

# utime + stime of a process, in clock ticks.
ticks() {
    awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}

# Voluntary context switches of every thread: each is a sleep, so each is a wake-up too.
wakeups() {
    cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }'
}

measure() { # label, pid
    sleep 3   # start-up and opening are not what is measured
    kill -0 "$2" 2>/dev/null || { echo "the program ended early" >&2; exit 1; }
    t0=$(ticks "$2"); w0=$(wakeups "$2")
    sleep "$secs"
    t1=$(ticks "$2"); w1=$(wakeups "$2")
    awk -v l="$1" -v d="$((t1 - t0))" -v w="$((w1 - w0))" -v hz="$hz" -v s="$secs" \
        'BEGIN { printf "%-10s %6.2f s CPU in %d s  (%5.2f %% of one core)  %7.1f wake-ups/s\n", l, d / hz, s, 100 * d / hz / s, w / s }'
}

# Minimising needs a window manager; a bare Xvfb has none. It runs for the idle phases only:
# its focus follows the pointer, which the full-screen phases' key press must not meet.
wm_pid=
if [ -n "$xvfb_pid" ] && command -v twm >/dev/null; then
    printf '%s\n' RandomPlacement 'UsePPosition "on"' NoGrabServer 'TitleFont "fixed"' \
        'ResizeFont "fixed"' 'MenuFont "fixed"' 'IconFont "fixed"' 'IconManagerFont "fixed"' >"$home/twmrc"
    twm -f "$home/twmrc" >/dev/null 2>&1 &
    wm_pid=$!
    sleep 0.5
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
if command -v xdotool >/dev/null && command -v xprop >/dev/null; then
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
fi
stop_app
if [ -n "$wm_pid" ]; then
    kill "$wm_pid" 2>/dev/null || true
    wait "$wm_pid" 2>/dev/null || true
fi

# A clip on the command line opens and, with AutoPlay on (the default), plays.
"$bin" "$clip" >/dev/null 2>&1 &
app_pid=$!
kill -0 "$app_pid" 2>/dev/null || { echo "the program ended early" >&2; exit 1; }
measure "playing" "$app_pid"
stop_app

# Full screen ("/f"): the cursor hides 2 s after the last movement; nothing polls the mouse.
"$bin" /f "$clip" >/dev/null 2>&1 &
app_pid=$!
measure "fullscreen" "$app_pid"
if command -v xdotool >/dev/null; then
    xdotool key space   # the full-screen window has the keyboard: pause
    measure "fs-paused" "$app_pid"
fi
