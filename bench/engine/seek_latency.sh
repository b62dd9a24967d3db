#!/usr/bin/env bash
# Seek latency: from a Right-arrow key press to the first frame of the new position on screen,
# the program against plain mpv on the same file, both paused, presses interleaved.
#
#   bench/engine/seek_latency.sh <zentavista binary> [presses=15] [clip]
#
# How "on screen" is seen: the clip (made here unless given) is a test pattern beside a flat
# panel whose colour changes every second (a hue step that repeats only after 23 s), and Right
# moves about 5 s on in both players, so every press must change the panel. The script sends the key itself through XTEST (no helper process
# in the timed path) and then reads one screen pixel of the panel with XGetImage every half
# millisecond until it changes. That is the picture on the X screen, not an engine's report, so
# it counts everything the user waits for: key handling, the seek, decoding, drawing.
#
# mpv's Right is a keyframe seek; ours goes to the exact time (subtitles follow it), which may
# decode up to a keyframe interval more. So mpv is measured twice: as it ships, and with
# --hr-seek=yes (the same exact seek); the second ratio is the like-for-like one.
# mpv's OSD is off (as ours is): its seek bar would appear before the new frame.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:?usage: seek_latency.sh <zentavista binary> [presses] [clip]}
presses=${2:-15}
clip=${3:-}
command -v mpv >/dev/null || { echo "mpv is needed as the anchor" >&2; exit 1; }
command -v xdotool >/dev/null || { echo "xdotool is needed to find the windows" >&2; exit 1; }

. "$root/bench/app_session.sh"

if [ -z "$clip" ]; then
    # 4 minutes (enough for 35 presses): 2 s keyframe interval, a moving pattern left, the colour panel right, a tone.
    clip=$home/seek.mkv
    ffmpeg -v error -f lavfi -i "testsrc2=s=320x360:r=25:d=240" \
        -f lavfi -i "color=c=red:s=320x360:r=25:d=240,hue=h=floor(t)*47" \
        -f lavfi -i "sine=f=440:d=240" \
        -filter_complex "[0:v][1:v]hstack,format=yuv420p[v]" -map "[v]" -map 2:a \
        -c:v libx264 -preset veryfast -g 50 -c:a aac -b:a 96k "$clip" </dev/null
fi

mpv_args=(--no-config --really-quiet --vo=gpu,x11 --gpu-sw=yes --audio-fallback-to-null=yes
          --osd-level=0 --osd-bar=no --keep-open=yes --pause --no-border)
# mpv's windows as large as our picture of this clip, 640 x 360 (the software renderer's cost
# grows with the pixels), away from ours.
mpv "${mpv_args[@]}" --geometry=640x360+1240+0 "$clip" >/dev/null 2>&1 &
mpv_pid=$!
mpv "${mpv_args[@]}" --hr-seek=yes --geometry=640x360+1240+400 "$clip" >/dev/null 2>&1 &
mpv_hr_pid=$!
# Ours opens the clip stopped at its start, as mpv does with --pause.
printf '[Main]\nAutoPlay=0\n' >"$home/zentavista.ini"
"$bin" "$clip" >/dev/null 2>&1 &
app_pid=$!
trap 'kill $mpv_pid $mpv_hr_pid 2>/dev/null || true; zv_app_session_cleanup' EXIT INT TERM

window_of() { # pid, name pattern
    local w
    for _ in $(seq 100); do
        w=$(xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | head -n 1 || true)
        [ -n "$w" ] && { echo "$w"; return; }
        sleep 0.1
    done
    echo "no window for process $1" >&2
    exit 1
}
ours_win=$(window_of "$app_pid" ' - Zentavista$') # the main window; the line windows are bare
mpv_win=$(window_of "$mpv_pid" mpv)
mpv_hr_win=$(window_of "$mpv_hr_pid" mpv)
sleep 2 # the clip opens

python3 - "$presses" "$ours_win" "$mpv_win" "$mpv_hr_win" <<'PY'
import ctypes, statistics, sys, time

presses = int(sys.argv[1])
wins = {"ours": int(sys.argv[2]), "mpv": int(sys.argv[3]), "mpv-hr": int(sys.argv[4])}

X = ctypes.CDLL("libX11.so.6")
Xtst = ctypes.CDLL("libXtst.so.6")
X.XOpenDisplay.restype = ctypes.c_void_p
X.XDefaultRootWindow.restype = ctypes.c_ulong
X.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
X.XGetImage.restype = ctypes.c_void_p
X.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                        ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
X.XGetPixel.restype = ctypes.c_ulong
X.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
X.XFree.argtypes = [ctypes.c_void_p]
X.XStringToKeysym.restype = ctypes.c_ulong
X.XStringToKeysym.argtypes = [ctypes.c_char_p]
X.XKeysymToKeycode.restype = ctypes.c_ubyte
X.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
X.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
X.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
X.XFlush.argtypes = [ctypes.c_void_p]
X.XTranslateCoordinates.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                    ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_int),
                                    ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong)]
X.XGetGeometry.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong)] + \
    [ctypes.POINTER(ctypes.c_int)] * 2 + [ctypes.POINTER(ctypes.c_uint)] * 4
Xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

dpy = X.XOpenDisplay(None)
root = X.XDefaultRootWindow(dpy)
ALL_PLANES = 0xFFFFFFFF
Z_PIXMAP = 2

def rgb(v):
    return (v >> 16) & 255, (v >> 8) & 255, v & 255

def region(x, y, w, h):
    img = X.XGetImage(dpy, root, x, y, w, h, ALL_PLANES, Z_PIXMAP)
    if not img:
        return None
    return img

def pixel(x, y):
    img = X.XGetImage(dpy, root, x, y, 1, 1, ALL_PLANES, Z_PIXMAP)
    v = X.XGetPixel(img, 0, 0)
    X.XFree(img)  # the struct; its 4 bytes of data are left, a few kB over a run
    return rgb(v)

def differs(a, b):
    return sum(abs(p - q) for p, q in zip(a, b)) > 60

def geometry(win):
    r, x, y = ctypes.c_ulong(), ctypes.c_int(), ctypes.c_int()
    w, h, bw, d = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
    X.XGetGeometry(dpy, win, ctypes.byref(r), ctypes.byref(x), ctypes.byref(y), ctypes.byref(w),
                   ctypes.byref(h), ctypes.byref(bw), ctypes.byref(d))
    rx, ry, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
    X.XTranslateCoordinates(dpy, win, root, 0, 0, ctypes.byref(rx), ctypes.byref(ry),
                            ctypes.byref(child))
    return rx.value, ry.value, w.value, h.value

def find_panel(win):
    """Screen point in the middle of the panel: the centre of the pixels that are far from
    grey (the pattern is left of the panel, the program's widgets are grey)."""
    x0, y0, w, h = geometry(win)
    img = region(x0, y0, w, h)
    xs, ys = [], []
    step = 4
    for y in range(0, h, step):
        for x in range(0, w, step):
            r, g, b = rgb(X.XGetPixel(img, x, y))
            if r > 200 and g < 60 and b < 60:  # the first panel colour, red
                xs.append(x)
                ys.append(y)
    X.XFree(img)
    if len(xs) < 20:
        return None
    return x0 + int(statistics.median(xs)), y0 + int(statistics.median(ys))

def wait_panel(win):
    """The panel of a player that may still be drawing its first frame."""
    for _ in range(50):
        point = find_panel(win)
        if point:
            return point
        time.sleep(0.2)
    sys.exit(f"the red panel is not on screen in window {win:#x}")

def key(name, win):
    X.XSetInputFocus(dpy, win, 2, 0)
    X.XSync(dpy, 0)
    code = X.XKeysymToKeycode(dpy, X.XStringToKeysym(name.encode()))
    Xtst.XTestFakeKeyEvent(dpy, code, 1, 0)
    Xtst.XTestFakeKeyEvent(dpy, code, 0, 0)
    X.XFlush(dpy)
    return time.perf_counter()

def settle(x, y, quiet=0.3, limit=5.0):
    """Waits until the pixel stays the same for `quiet` seconds; returns it."""
    end = time.perf_counter() + limit
    last, since = pixel(x, y), time.perf_counter()
    while time.perf_counter() < end:
        time.sleep(0.01)
        now = pixel(x, y)
        if differs(now, last):
            last, since = now, time.perf_counter()
        elif time.perf_counter() - since >= quiet:
            return last
    return last

points = {name: wait_panel(win) for name, win in wins.items()}

times = {name: [] for name in wins}
for i in range(presses):
    for name, win in wins.items():  # interleaved: a slow moment hits all alike
        x, y = points[name]
        before = settle(x, y)
        t0 = key("Right", win)
        end = t0 + 5
        while True:
            now = pixel(x, y)
            t = time.perf_counter()
            if differs(now, before):
                times[name].append(t - t0)
                break
            if t > end:
                sys.exit(f"{name}: no new frame 5 s after press {i + 1} (pixel {now} at {x},{y})")
            time.sleep(0.0005)

med = {name: statistics.median(v) for name, v in times.items()}
for name, v in times.items():
    print(f"{name:7s} median {med[name] * 1000:6.1f} ms   min {min(v) * 1000:6.1f}   max {max(v) * 1000:6.1f}"
          f"   ({len(v)} presses)")
print(f"ratio ours / mpv            {med['ours'] / med['mpv']:.2f}x  (mpv's keyframe seek)")
print(f"ratio ours / mpv --hr-seek  {med['ours'] / med['mpv-hr']:.2f}x  (exact seeks both; target <= 1.10)")
PY
