# Sourced by the test and benchmark scripts. zv_ensure_display: when DISPLAY is unset, starts
# Xvfb on the first free display number, waits until it accepts connections and exports
# DISPLAY; the caller kills "$xvfb_pid" (empty when nothing was started) on exit.
xvfb_pid=""
zv_ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    # The socket appears before the server answers; a client started in between fails.
    for _ in $(seq 100); do
      kill -0 "$xvfb_pid" 2>/dev/null || break
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        ! command -v xdpyinfo >/dev/null 2>&1 && break
        xdpyinfo -display ":$n" >/dev/null 2>&1 && break
      fi
      sleep 0.1
    done
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; return 0; fi
    xvfb_pid=""
  done
  echo "could not start Xvfb" >&2
  return 1
}
