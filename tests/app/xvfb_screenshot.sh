#!/usr/bin/env bash
# Starts the real lintra under Xvfb with a sample on its command line, lets
# it run the given steps, and keeps the screen grab it takes for a person to
# look at. Fails when the program fails or the grab is blank.
# Usage: xvfb_screenshot.sh <lintra> <sample.bmp> <out.png> [steps] [zh|en]
set -euo pipefail
lintra=$1
sample=$2
out=$3
steps=${4:-}
lang=${5:-}
# A missing sample would still give a screen grab, of the empty window and
# the program's message.
[ -f "$sample" ] || { echo "missing sample $sample"; exit 1; }

# A private settings folder: the run must not touch the user's recent files.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME=$config
export XDG_RUNTIME_DIR=$config
unset QT_QPA_PLATFORM

args=("$sample" --screenshot "$out")
[ -n "$steps" ] && args+=(--run-steps "$steps")
[ -n "$lang" ] && args+=(--lang "$lang")
rm -f "$out"
timeout 120 xvfb-run -a -s "-screen 0 1000x760x24" "$lintra" "${args[@]}"

test -s "$out" || { echo "no screenshot at $out"; exit 1; }
size=$(identify -format '%wx%h' "$out")
colours=$(identify -format '%k' "$out")
echo "screenshot $out: $size, $colours colours"
[ "$size" = "1000x760" ] || { echo "unexpected size $size"; exit 1; }
# Menus, toolbar icons and a picture give hundreds of colours; a blank or
# single-colour screen gives a handful.
[ "$colours" -ge 50 ] || { echo "the screen looks blank"; exit 1; }
