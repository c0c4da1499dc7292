#!/usr/bin/env bash
# The real lintra under Xvfb, driven with xdotool as a person drives it:
# opens a picture and the grey-level parameter dialog, drags the dialog's
# thumb with the mouse and lets go, and checks that the picture in the main
# window changed. Also checks the titles the X server shows for the two
# windows (no application name appended). Leaves before.png and after.png,
# grabs of the screen, in the output folder.
# Usage: xvfb_trackbar.sh <lintra> <sample.bmp> <out-folder>
set -euo pipefail
if [ -z "${LINTRA_IN_XVFB:-}" ]; then
  export LINTRA_IN_XVFB=1
  exec timeout 120 xvfb-run -a -s "-screen 0 1000x760x24" bash "$0" "$@"
fi
lintra=$1
sample=$2
out=$3
[ -f "$sample" ] || { echo "missing sample $sample"; exit 1; }
mkdir -p "$out"

config=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$config"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$config XDG_RUNTIME_DIR=$config
unset QT_QPA_PLATFORM

"$lintra" --lang zh "$sample" --run-steps param-binarise-threshold &
pid=$!

dialog=
for _ in $(seq 150); do
  dialog=$(xdotool search --onlyvisible --name '^参数调整' 2>/dev/null | head -1 || true)
  [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$dialog" ] || { echo "the parameter dialog did not open"; exit 1; }
frame=$(xdotool search --onlyvisible --name ' - Contourix' | head -1)
dialog_title=$(xdotool getwindowname "$dialog")
frame_title=$(xdotool getwindowname "$frame")
echo "dialog title: $dialog_title"
echo "frame title:  $frame_title"
[ "$dialog_title" = "参数调整" ] || { echo "unexpected dialog title"; exit 1; }
[ "$frame_title" = "$(realpath "$sample") - Contourix" ] || { echo "unexpected frame title"; exit 1; }
sleep 0.5

# The top left of the picture, well clear of the dialog in the middle.
eval "$(xdotool getwindowgeometry --shell "$frame" | sed 's/^/F/')"
region="150x100+$((FX + 10))+$((FY + 90))"
import -window root "$out/before.png"

# The thumb sits at the left end of the trackbar, which spans the dialog's
# width a little below the middle of its upper half.
eval "$(xdotool getwindowgeometry --shell "$dialog" | sed 's/^/D/')"
x=$((DX + 6))
y=$((DY + DHEIGHT * 41 / 96))
xdotool mousemove "$x" "$y" mousedown 1
for step in 10 30 60 90 120; do
  xdotool mousemove "$((x + step))" "$y"
  sleep 0.05
done
xdotool mouseup 1
sleep 1
import -window root "$out/after.png"

changed=$(compare -metric AE -extract "$region" "$out/before.png" "$out/after.png" null: 2>&1 || true)
echo "pixels changed in the picture's corner after the drag: $changed"
[ "${changed%%.*}" -gt 1000 ] 2>/dev/null || { echo "the picture did not change"; exit 1; }
echo "the drag re-applied the threshold"
