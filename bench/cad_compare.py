#!/usr/bin/python3
"""The CAD-ready drawing beside potrace -b dxf on the same binarised picture.

For each line drawing: lintra-batch binarises it (the picture potrace gets),
cleans, thins and traces it with Vectorise 1, then writes cad=; potrace
traces the binarised picture. Counted with ezdxf: entities, and vertices (2
per LINE, 3 per ARC or CIRCLE, every polyline point, every spline control
point). Timed from lintra-batch --verbose: the export step against the whole
job, medians of the runs. Prints a Markdown table and, with --doc, puts it in
the given file between its markers.

  bench/cad_compare.py --bin build/bin --work DIR [--runs N] [--doc docs/performance.md] PICTURE...
"""
import argparse
import os
import re
import statistics
import subprocess
import sys

import ezdxf

BEGIN = "<!-- cad-compare begin -->"
END = "<!-- cad-compare end -->"
STEPS = ["binarise-iterative", "remove-small-blobs", "thin", "remove-short-branches", "vectorise-1"]


def count(path):
    doc = ezdxf.readfile(path)
    entities = vertices = 0
    for e in doc.modelspace():
        kind = e.dxftype()
        entities += 1
        if kind == "LINE":
            vertices += 2
        elif kind in ("ARC", "CIRCLE"):
            vertices += 3
        elif kind == "LWPOLYLINE":
            vertices += len(e)
        elif kind == "POLYLINE":
            vertices += len(e.vertices)
        elif kind == "SPLINE":
            vertices += len(e.control_points)
    return entities, vertices


def run_lintra(batch, picture, work, name):
    binarised = os.path.join(work, name + ".binarised.bmp")
    cad = os.path.join(work, name + ".cad.dxf")
    args = [batch, "--verbose", picture, STEPS[0], "save=" + binarised] + STEPS[1:] + ["cad=" + cad]
    out = subprocess.run(args, check=True, capture_output=True, text=True).stdout
    times = {}
    for line in out.splitlines():
        m = re.match(r"(.*): ([0-9.]+) ms$", line)
        if m:
            times[m.group(1)] = float(m.group(2))
    job = sum(t for step, t in times.items() if not step.startswith("save="))
    return binarised, cad, job, times["cad=" + cad]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--doc")
    parser.add_argument("pictures", nargs="+")
    a = parser.parse_args()
    os.makedirs(a.work, exist_ok=True)
    batch = os.path.join(a.bin, "lintra-batch")
    rows = []
    met = True
    for picture in a.pictures:
        name = os.path.splitext(os.path.basename(picture))[0]
        jobs, exports = [], []
        for _ in range(a.runs):
            binarised, cad, job, export = run_lintra(batch, picture, a.work, name)
            jobs.append(job)
            exports.append(export)
        potrace = os.path.join(a.work, name + ".potrace.dxf")
        subprocess.run(["potrace", "-b", "dxf", "-o", potrace, binarised], check=True)
        ours, theirs = count(cad), count(potrace)
        job, export = statistics.median(jobs), statistics.median(exports)
        entity_ratio = ours[0] / max(theirs[0], 1)
        vertex_ratio = ours[1] / max(theirs[1], 1)
        share = export / job
        ok = entity_ratio <= 2 and vertex_ratio <= 0.25 and share <= 0.2
        met = met and ok
        rows.append(f"| {name} | {ours[0]} | {theirs[0]} | {entity_ratio:.2f}x | {ours[1]} | {theirs[1]} | "
                    f"{vertex_ratio:.2f}x | {export:.1f} of {job:.1f} ms ({share:.0%}) | {'met' if ok else 'NOT met'} |")
    table = "\n".join([
        "| drawing | entities | potrace | ratio (goal <= 2x) | vertices | potrace | ratio (goal <= 0.25x) "
        "| export of job (goal <= 20%) | goals |",
        "|---|---:|---:|---:|---:|---:|---:|---:|---|"] + rows)
    print(table)
    if a.doc:
        text = open(a.doc, encoding="utf-8").read()
        section = (f"{BEGIN}\n`bench/cad_compare.py`, {a.runs} runs, medians; the drawing from "
                   f"{' '.join(STEPS)} then `cad=` (the fit tolerance from the measured stroke width), potrace on the binarised picture.\n\n"
                   f"{table}\n{END}")
        if BEGIN in text:
            text = re.sub(re.escape(BEGIN) + ".*?" + re.escape(END), lambda _: section, text, flags=re.S)
        else:
            text += "\n## The CAD-ready drawing beside potrace\n\n" + section + "\n"
        open(a.doc, "w", encoding="utf-8").write(text)
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
