#!/usr/bin/env bash
# Starts the built player on FILE, or on the generated demo clip when FILE is empty.
set -euo pipefail
build=$1
file=${2:-}
if [ -z "$file" ]; then
  file="$build/demo/clip.avi"
fi
exec "$build/src/zentavista" "$(realpath -m "$file")"
