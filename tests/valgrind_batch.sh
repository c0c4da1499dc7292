#!/usr/bin/env bash
# Runs lintra-batch under valgrind's memcheck over every 8- and 24-bit sample:
# every command of the four processing menus, the parameter steps, both
# vectorisers and every output. Palettor is followed into for the 24-bit
# files (it converts them during the load) and also run on its own on each.
# Any memory error or definitely or indirectly lost block fails the run.
#
#   tests/valgrind_batch.sh [BIN_DIR [SAMPLES_DIR]]
#
# BIN_DIR holds lintra-batch and Palettor (default build/bin); SAMPLES_DIR
# the sample BMP files (default tests/data/samples).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$here/build/bin}"
samples="${2:-$here/tests/data/samples}"

if ! command -v valgrind >/dev/null; then
  echo "valgrind is not installed" >&2
  exit 77
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/lintra-valgrind-XXXXXX")"
trap 'rm -rf "$work"' EXIT

memcheck=(valgrind --quiet --error-exitcode=1 --leak-check=full
  --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect
  --trace-children=yes)

# Every command once: the edge operators from the picture as loaded, the
# binarisations and their parameter dialogs, clean-up, contours, thinning,
# Vectorise 1 with its outputs, the peeling step, then Vectorise 2.
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
  peel-contour peel-contour "save=$work/peel.bmp"
  restore-original binarise-threshold thin vectorise-2
  "nc=$work/v2.nc" "dxf=$work/v2.dxf" "svg=$work/v2.svg"
)

status=0
runs=0
for file in "$samples"/*.bmp; do
  bits=$(od -An -tu2 -j28 -N2 "$file" | tr -d ' ')
  [ "$bits" = 8 ] || [ "$bits" = 24 ] || continue
  name=$(basename "$file")
  if ! "${memcheck[@]}" --log-file="$work/batch.%p.log" "$bin/lintra-batch" "$file" "${steps[@]}" \
    >/dev/null 2>"$work/batch.err"; then
    echo "FAIL lintra-batch $name" >&2
    cat "$work"/batch.*.log "$work/batch.err" >&2
    status=1
  else
    echo "ok   lintra-batch $name"
  fi
  rm -f "$work"/batch.*.log
  runs=$((runs + 1))
  if [ "$bits" = 24 ]; then
    if ! "${memcheck[@]}" --log-file="$work/palettor.log" "$bin/Palettor" "$file" "$work/out8.bmp" \
      >/dev/null; then
      echo "FAIL Palettor $name" >&2
      cat "$work/palettor.log" >&2
      status=1
    else
      echo "ok   Palettor $name"
    fi
    runs=$((runs + 1))
  fi
done

if [ "$runs" = 0 ]; then
  echo "no 8- or 24-bit samples in $samples" >&2
  exit 1
fi
exit "$status"
