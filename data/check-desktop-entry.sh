#!/usr/bin/env bash
# Checks the player's desktop entry: valid, and offering the player for the media and subtitle
# types it reads but not for plain text (which would put it on every text file's list).
# The entry is installed into private XDG folders and asked about through the real xdg-mime.
#   data/check-desktop-entry.sh [entry]      (default: the entry beside this script)
set -euo pipefail
entry=${1:-$(dirname "$0")/zentavista.desktop}

desktop-file-validate "$entry"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/data/applications" "$tmp/config" "$tmp/etc" "$tmp/share"
cp "$entry" "$tmp/data/applications/zentavista.desktop"
update-desktop-database "$tmp/data/applications"

default_for() {
  env -u XDG_CURRENT_DESKTOP -u XDG_SESSION_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION \
      -u GNOME_DESKTOP_SESSION_ID -u DISPLAY \
      XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" \
      XDG_CONFIG_DIRS="$tmp/etc" XDG_DATA_DIRS="$tmp/share" \
      xdg-mime query default "$1"
}

status=0
for type in video/x-msvideo video/mp4 video/x-matroska video/mpeg audio/mpeg audio/x-mpegurl \
            application/x-subrip text/x-microdvd text/x-mpl2; do
  got=$(default_for "$type")
  if [ "$got" != zentavista.desktop ]; then
    echo "$type: expected zentavista.desktop, xdg-mime says '${got}'" >&2
    status=1
  fi
done
for type in text/plain text/x-csrc application/x-shellscript; do
  got=$(default_for "$type")
  if [ -n "$got" ]; then
    echo "$type: the entry must not claim it, xdg-mime says '${got}'" >&2
    status=1
  fi
done
exit $status
