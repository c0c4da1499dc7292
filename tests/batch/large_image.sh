#!/usr/bin/env bash
# Opens a large honest drawing (an 8-bit synthetic scan, default 12000 x 9000)
# with lintra-batch and runs every command on it, with every output, under
# /usr/bin/time -v: prints each step's time and the peak memory (maximum
# resident set size), and fails when any step fails or an output is missing.
# With --per-step it also measures the peak of the open alone and of each
# heavy step run on its own after the open; with --colour the drawing is a
# 24-bit file, opened through Palettor (the peak then covers Palettor too).
#
#   tests/batch/large_image.sh [--per-step] [--colour] [WIDTH HEIGHT [BIN_DIR]]
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
perStep=0
colour=()
while [ "${1:-}" = --per-step ] || [ "${1:-}" = --colour ]; do
  [ "$1" = --per-step ] && perStep=1
  [ "$1" = --colour ] && colour=(--colour)
  shift
done
width="${1:-12000}"
height="${2:-9000}"
bin="${3:-$here/build/bin}"

work="$(mktemp -d "${TMPDIR:-/tmp}/lintra-large-XXXXXX")"
trap 'rm -rf "$work"' EXIT
python3 "$here/tests/batch/make_drawing.py" "${colour[@]}" "$width" "$height" "$work/drawing.bmp"
echo "drawing: ${width} x ${height}, $(stat -c %s "$work/drawing.bmp") bytes"

# Every command once, in an order that gives each a sensible picture.
steps=(
  edge-sobel restore-original edge-roberts restore-previous restore-original
  edge-prewitt restore-original edge-kirsch restore-original
  edge-gauss-laplace restore-original edge-gradient restore-original
  binarise-gradient restore-original param-binarise-gradient=20,60 restore-original
  binarise-iterative restore-original param-binarise-threshold=90,128
  invert invert remove-black-white-points remove-small-blobs param-small-blobs=2,6
  remove-isolated-points white-border
  contour-1 restore-previous contour-2 restore-previous outermost-contour restore-previous
  thin remove-short-branches param-short-branches=1,3
  vectorise-1 show-bitmap show-vector "dxf=$work/v1.dxf" "svg=$work/v1.svg" "save=$work/v1.bmp"
  peel-contour "save=$work/peel.bmp"
  restore-original binarise-threshold thin vectorise-2
  "nc=$work/v2.nc" "dxf=$work/v2.dxf" "svg=$work/v2.svg"
)

# Runs lintra-batch on the drawing with the given steps; prints the peak.
measure() {
  local label="$1"
  shift
  local timer=()
  [ -x /usr/bin/time ] && timer=(/usr/bin/time -v -o "$work/time.txt")
  : >"$work/time.txt"
  if ! "${timer[@]}" "$bin/lintra-batch" --verbose "$work/drawing.bmp" "$@" \
    >"$work/steps.txt" 2>"$work/err.txt"; then
    echo "FAIL $label" >&2
    cat "$work/err.txt" "$work/time.txt" >&2
    exit 1
  fi
  local kib wall
  kib=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
  printf '%-44s peak %6d MiB  wall %s\n' "$label" $((${kib:-0} / 1024)) "${wall:-(no /usr/bin/time)}"
}

measure "every command" "${steps[@]}"
echo "steps (ms):"
sed 's/^/  /' "$work/steps.txt"
for output in v1.dxf v1.svg v1.bmp peel.bmp v2.nc v2.dxf v2.svg; do
  if [ ! -s "$work/$output" ]; then
    echo "FAIL: $output missing or empty" >&2
    exit 1
  fi
done
lines=$(grep -c '^LINE' "$work/v1.dxf" || true)
echo "Vectorise 1: $lines segments in v1.dxf"

if [ "$perStep" = 1 ]; then
  measure "open only"
  for step in edge-kirsch edge-gauss-laplace binarise-iterative param-binarise-threshold=90,128; do
    measure "$step" "$step"
  done
  for step in remove-small-blobs param-small-blobs=2,6 contour-2 outermost-contour thin vectorise-2; do
    measure "binarise-threshold $step" binarise-threshold "$step"
  done
  measure "binarise-threshold thin vectorise-1 dxf=" binarise-threshold thin vectorise-1 "dxf=$work/p.dxf"
  measure "binarise-threshold thin remove-short-branches" binarise-threshold thin remove-short-branches
fi
