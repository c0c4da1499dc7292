#!/usr/bin/env bash
# The CAD DXF files read by three readers that share no code with Lintra or
# with each other: ezdxf's audit (0 errors, 0 fixes) and its strict loader,
# LibreCAD (dxf2pdf prints a PDF), and the npm package dxf-parser, which
# must count the same entities of each type as ezdxf and as were written.
# The SVG files must parse as XML with one element per entity.
#
# Usage: cad_readers.sh TEST_VECTOR_PROGRAM NPM_FOLDER
#   TEST_VECTOR_PROGRAM writes the sample drawings (CadReaderFiles.*);
#   NPM_FOLDER is where dxf-parser is installed (npm ci) when missing.
# Exits 77 (skipped) only when a reader is missing and cannot be installed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
program=$1
npm_folder=$2
python=/usr/bin/python3

skip() {
  echo "SKIPPED: $*"
  exit 77
}

$python -c 'import ezdxf' 2>/dev/null || skip "python3-ezdxf is not installed (scripts/deps.sh)"
command -v librecad >/dev/null || skip "librecad is not installed (scripts/deps.sh)"
command -v node >/dev/null && command -v npm >/dev/null || skip "node and npm are not installed (scripts/deps.sh)"

# dxf-parser, pinned by the lock file, installed once per build folder.
mkdir -p "$npm_folder"
if ! cmp -s "$here/dxf-readers/package-lock.json" "$npm_folder/package-lock.json" ||
  [ ! -d "$npm_folder/node_modules/dxf-parser" ]; then
  cp "$here/dxf-readers/package.json" "$here/dxf-readers/package-lock.json" "$npm_folder/"
  (cd "$npm_folder" && npm ci --no-audit --no-fund --loglevel=error) || skip "npm ci cannot install dxf-parser"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen
mkdir -m 700 "$XDG_RUNTIME_DIR"

LINTRA_CAD_SAMPLES_DIR="$work" "$program" --gtest_filter='CadReaderFiles.*' >"$work/writer.log" ||
  { cat "$work/writer.log"; exit 1; }

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

dxf_files=("$work"/*.dxf)
[ ${#dxf_files[@]} -ge 6 ] || { echo "FAIL: the writer left ${#dxf_files[@]} DXF files"; exit 1; }
for dxf in "${dxf_files[@]}"; do
  name=$(basename "$dxf" .dxf)

  audit=$($python -m ezdxf audit "$dxf" 2>&1) || true
  grep -qx "No errors found." <<<"$audit" || fail "$name: ezdxf audit: $audit"

  if ezdxf_counts=$($python "$here/cad_entity_counts.py" "$dxf"); then
    [ "$ezdxf_counts" = "$(cat "$work/$name.expected")" ] ||
      fail "$name: ezdxf counts [$ezdxf_counts], written [$(cat "$work/$name.expected")]"
  else
    fail "$name: ezdxf's loader"
  fi

  if parser_counts=$(NODE_PATH="$npm_folder/node_modules" node "$here/dxf-readers/count_entities.js" "$dxf"); then
    [ "$parser_counts" = "$ezdxf_counts" ] || fail "$name: dxf-parser counts [$parser_counts], ezdxf [$ezdxf_counts]"
  else
    fail "$name: dxf-parser"
  fi

  rm -f "$work/$name.pdf"
  timeout 120 librecad dxf2pdf -a -o "$work/$name.pdf" "$dxf" >"$work/librecad.log" 2>&1 || true
  if [ "$(head -c 4 "$work/$name.pdf" 2>/dev/null)" != "%PDF" ]; then
    fail "$name: LibreCAD printed no PDF: $(tail -5 "$work/librecad.log")"
  fi
  echo "$name: ezdxf audit clean; ezdxf and dxf-parser read [$(tr '\n' ' ' <<<"$ezdxf_counts")]; LibreCAD PDF $(stat -c %s "$work/$name.pdf" 2>/dev/null || echo 0) bytes"
done

# A drawing with entities prints more than the empty one.
for version in r2000 r12; do
  for name in parts many; do
    [ "$(stat -c %s "$work/${name}_$version.pdf")" -gt "$(stat -c %s "$work/empty_$version.pdf")" ] ||
      fail "${name}_$version: LibreCAD's PDF is no larger than the empty drawing's"
  done
done

for svg in "$work"/*.svg; do
  name=$(basename "$svg" .svg)
  $python - "$svg" "$(awk '{n += $2} END {print n + 0}' "$work/${name}_r2000.expected")" <<'PY' || fail "$name.svg"
import sys
import xml.etree.ElementTree as ET

ns = "{http://www.w3.org/2000/svg}"
root = ET.parse(sys.argv[1]).getroot()
shapes = [e for e in root.iter() if e.tag in (ns + "path", ns + "circle")]
if len(shapes) != int(sys.argv[2]):
    sys.exit(f"{sys.argv[1]}: {len(shapes)} shapes, {sys.argv[2]} entities written")
PY
done

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "All ${#dxf_files[@]} DXF files pass ezdxf, LibreCAD and dxf-parser"
