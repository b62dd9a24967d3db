#!/usr/bin/env bash
# Installs the Debian package built in a folder, starts the installed player on a virtual
# display until its main window shows, then purges the package again.
#   scripts/package-test.sh build/package
set -euo pipefail
dir=${1:-build/package}
deb=$(ls -t "$dir"/zentavista_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "no package in $dir" >&2; exit 1; }
command -v apt-get >/dev/null || { echo "apt-get not found: package test skipped"; exit 0; }

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

. "$(dirname "$0")/xvfb.sh"
home=$(mktemp -d)
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$home"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y -qq zentavista >/dev/null 2>&1 || true
}
trap cleanup EXIT

echo "Installing $deb"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$(realpath "$deb")" </dev/null
dpkg -L zentavista | grep -qx /usr/bin/zentavista
dpkg -L zentavista | grep -qx /usr/share/applications/zentavista.desktop
dpkg -L zentavista | grep -q '/usr/share/icons/hicolor/.*/apps/zentavista\.'
# The installed entry: valid, and claiming the media and subtitle types but not plain text.
if command -v desktop-file-validate >/dev/null && command -v update-desktop-database >/dev/null \
   && command -v xdg-mime >/dev/null; then
  "$(dirname "$0")/../data/check-desktop-entry.sh" /usr/share/applications/zentavista.desktop
fi

zv_ensure_display
mkdir -m 700 "$home/run"
ZENTAVISTA_HOME="$home" XDG_RUNTIME_DIR="$home/run" /usr/bin/zentavista >"$home/log" 2>&1 </dev/null &
app_pid=$!
shown=""
for _ in $(seq 100); do
  if xdotool search --onlyvisible --name '^Zentavista$' >/dev/null 2>&1; then shown=yes; break; fi
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.2
done
[ -n "$shown" ] || { echo "the installed player did not show its window" >&2; cat "$home/log" >&2; exit 1; }
kill "$app_pid"; wait "$app_pid" 2>/dev/null || true; app_pid=""

DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y -qq zentavista </dev/null
! dpkg -s zentavista >/dev/null 2>&1
echo "Package installs, starts and purges cleanly"
