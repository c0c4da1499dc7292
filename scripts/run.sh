#!/usr/bin/env bash
# Installs what is missing, builds the programs (not the tests and
# benchmarks: scripts/test.sh builds those) and traces the bundled drawing.
# With a display it opens the desktop program on it; without one it traces
# it through lintra-batch and writes the CAD drawing, the segment DXF and an
# SVG into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset default
programs=(lintra-batch Palettor)
# The desktop program is built where Qt 6 is installed.
if cmake --build build --target help | grep -q '^lintra:'; then programs+=(lintra); fi
cmake --build --preset default --target "${programs[@]}"

sample="$PWD/data/crawfish_459x477_24bit.bmp"
if [ -n "${DISPLAY:-}" ] && [ -x build/bin/lintra ]; then
  exec build/bin/lintra "$sample"
fi

mkdir -p out
build/bin/lintra-batch --verbose "$sample" trace \
  dxf="$PWD/out/crawfish.dxf" svg="$PWD/out/crawfish.svg" cad="$PWD/out/crawfish-cad.dxf"
echo "DXF: $PWD/out/crawfish.dxf"
echo "CAD drawing (polylines, lines, arcs, circles): $PWD/out/crawfish-cad.dxf"
echo "SVG: $PWD/out/crawfish.svg"
