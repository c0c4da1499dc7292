"""Counts the model-space entities of a DXF file by type as ezdxf reads it
(its strict loader), one "TYPE count" line per type in name order. Exits 1
when ezdxf cannot load the file or logs a warning while loading it (ezdxf
repairs some faults silently, logging them)."""
import logging
import sys

import ezdxf

warnings = []


class Collect(logging.Handler):
    def emit(self, record):
        warnings.append(record.getMessage())


logging.getLogger("ezdxf").addHandler(Collect(level=logging.WARNING))
try:
    doc = ezdxf.readfile(sys.argv[1])
except Exception as error:  # any loader failure is a fault of the file
    print(f"ezdxf cannot read {sys.argv[1]}: {error}", file=sys.stderr)
    sys.exit(1)
if warnings:
    print(f"ezdxf warned while loading {sys.argv[1]}:", *warnings, sep="\n  ", file=sys.stderr)
    sys.exit(1)
counts = {}
for entity in doc.modelspace():
    counts[entity.dxftype()] = counts.get(entity.dxftype(), 0) + 1
for name in sorted(counts):
    print(name, counts[name])
