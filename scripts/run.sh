#!/usr/bin/env bash
# Installs what is missing, builds with the default preset and traces the
# bundled drawing. With a display it opens the desktop program on it;
# without one it runs the whole pipeline through lintra-batch and writes a
# DXF and an SVG next to the build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset default
cmake --build --preset default

sample="$PWD/data/crawfish_459x477_24bit.bmp"
if [ -n "${DISPLAY:-}" ] && [ -x build/bin/lintra ]; then
  exec build/bin/lintra "$sample"
fi

mkdir -p out
build/bin/lintra-batch --verbose "$sample" \
  binarise-iterative remove-small-blobs thin remove-short-branches vectorise-1 \
  dxf="$PWD/out/crawfish.dxf" svg="$PWD/out/crawfish.svg" cad="$PWD/out/crawfish-cad.dxf"
echo "DXF: $PWD/out/crawfish.dxf"
echo "CAD drawing (polylines, lines, arcs, circles): $PWD/out/crawfish-cad.dxf"
echo "SVG: $PWD/out/crawfish.svg"
