# Sourced by the benchmark scripts that run the program itself: a private ZENTAVISTA_HOME and
# runtime folder (the user's settings stay untouched and no running instance takes the file),
# a display (a private Xvfb when DISPLAY is unset), and stop_app for the program in $app_pid.
home=$(mktemp -d)
. "$(dirname "$0")/../../scripts/xvfb.sh"
app_pid=
stop_app() {
    [ -n "$app_pid" ] || return 0
    kill "$app_pid" 2>/dev/null || true
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.5
    done
    kill -9 "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=
}
zv_app_session_cleanup() {
    stop_app
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$home"
}
trap zv_app_session_cleanup EXIT INT TERM

zv_ensure_display
export ZENTAVISTA_HOME="$home"
export XDG_RUNTIME_DIR="$home/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export ASAN_OPTIONS=detect_leaks=0
