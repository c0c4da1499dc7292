#!/usr/bin/env python3
"""Turns one run of bench/run into tables of medians and ratios, checks them
against the speed goals, prints them and, with --doc, rewrites
docs/performance.md (keeping its hand-written "## Notes" section).

Inputs: whole.tsv, one line per whole-process run: label, wall seconds, CPU
seconds (user + system), peak resident set in kB; and Google Benchmark's JSON
with the median aggregates of lintra-bench."""

import argparse
import json
import os
import statistics
import sys

# Whole-process rows: what, Lintra's label, the peer's label, the peer's name.
WHOLE_ROWS = [
    ("A4 300 dpi, 24-bit BMP to DXF", "lintra_a4_24bit", "potrace_a4_24bit", "potrace"),
    ("A4 300 dpi, 8-bit BMP to DXF", "lintra_a4_8bit", "potrace_a4_8bit", "potrace"),
    ("A4 600 dpi, 8-bit BMP to DXF", "lintra_600dpi_8bit", "potrace_600dpi_8bit", "potrace"),
    ("A4 300 dpi, 24-bit to 256 colours", "palettor_a4_24bit", "convert_a4_24bit", "ImageMagick"),
]

# The same drawing at four resolutions (lintra-make-page --dpi N, 8-bit):
# dpi, Lintra's label, the page's pixels (lintra-make-page's A4 sizes).
RESOLUTION_ROWS = [
    (150, "lintra_150dpi_8bit", 1240 * 1754),
    (300, "lintra_a4_8bit", 2480 * 3508),
    (600, "lintra_600dpi_8bit", 4960 * 7016),
    (1200, "lintra_1200dpi_8bit", 9920 * 14032),
]
# A step's cost per megapixel may differ by at most this factor between
# resolutions (largest over smallest).
PER_MEGAPIXEL_SPREAD = 1.5

# Whole jobs against potrace on the same file: label, peer label, what, limit.
POTRACE_GOALS = [
    ("lintra_a4_8bit", "potrace_a4_8bit", "8-bit A4 300 dpi", 0.3),
    ("lintra_a4_24bit", "potrace_a4_24bit", "24-bit A4 300 dpi", 0.4),
    ("lintra_600dpi_8bit", "potrace_600dpi_8bit", "8-bit A4 600 dpi", 0.5),
]
# Peak memory of the whole 8-bit A4 300-dpi job, in bytes per pixel.
PEAK_BYTES_PER_PIXEL = 12.0

COPY = "BM_PageCopy"

# Lintra's benchmark and the OpenCV benchmark it is set against.
COUNTERPARTS = {
    "BM_PageCopy": "BM_OpenCV_Copy",
    "BM_EdgeSobel": "BM_OpenCV_SobelMax",
    "BM_EdgePrewitt": "BM_OpenCV_PrewittMax",
    "BM_EdgeKirsch": "BM_OpenCV_SobelMax",
    "BM_BinariseThreshold": "BM_OpenCV_Threshold",
    "BM_RemoveBlackWhitePoints": "BM_OpenCV_Median3x3",
    "BM_RemoveSmallBlackBlobs/3": "BM_OpenCV_ConnectedComponentsWithStats",
    "BM_LabelBlackBlobs": "BM_OpenCV_ConnectedComponentsWithStats",
    "BM_ThinImage": "BM_OpenCV_ThinningZhangSuen",
    "BM_Vectorise1": "BM_OpenCV_FindContoursApproxPolyDP",
}

POINT_OPERATIONS = [
    "BM_BinariseThreshold",
    "BM_BinariseIterative",
    "BM_InvertBlackWhite",
    "BM_MakeBorderWhite",
    "BM_ComputeHistogram",
]

PARAM_COMMANDS = [
    ("BinariseGradient", "binarise by gradient", 16.0),
    ("BinariseThreshold", "binarise by threshold", 16.0),
    ("SmallBlobs", "remove small blobs", 100.0),
    ("ShortBranches", "remove short branches", 100.0),
]
PARAM_VALUES = [0, 3, 30, 128, 255]
PARAM_PREFIX = "BM_ParamChange/"

UNIT_TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def load_whole(path):
    """label -> list of (wall s, cpu s, peak kB), in the order measured."""
    runs = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            if not line.strip():
                continue
            fields = line.rstrip("\n").split("\t")
            if len(fields) != 4:
                raise ValueError(f"{path}:{number}: expected 4 tab-separated fields")
            label, wall, cpu, peak = fields
            runs.setdefault(label, []).append((float(wall), float(cpu), int(peak)))
    return runs


def load_steps(path):
    """label -> {step -> list of milliseconds}, steps in the order first seen."""
    steps = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            if not line.strip():
                continue
            fields = line.rstrip("\n").split("\t")
            if len(fields) != 3:
                raise ValueError(f"{path}:{number}: expected 3 tab-separated fields")
            label, step, ms = fields
            steps.setdefault(label, {}).setdefault(step, []).append(float(ms))
    return steps


def load_inprocess(path):
    """run name -> median real time in milliseconds: the median aggregate, or
    where there is none (a single repetition) the median of the runs."""
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    medians, runs = {}, {}
    for bench in data.get("benchmarks", []):
        if bench.get("error_occurred"):
            continue
        ms = bench["real_time"] * UNIT_TO_MS[bench.get("time_unit", "ns")]
        if bench.get("run_type") == "aggregate":
            if bench.get("aggregate_name") == "median":
                medians[bench["run_name"]] = ms
        else:
            runs.setdefault(bench.get("run_name", bench["name"]), []).append(ms)
    for name, times in runs.items():
        medians.setdefault(name, statistics.median(times))
    return medians


def whole_medians(runs, label):
    """(wall s, cpu s, peak MB) medians of one label, or None when absent."""
    rows = runs.get(label)
    if not rows:
        return None
    return (
        statistics.median(r[0] for r in rows),
        statistics.median(r[1] for r in rows),
        statistics.median(r[2] for r in rows) / 1024,
    )


def ratio(a, b):
    if a is None or b is None or b <= 0:
        return None
    return a / b


class Goal:
    """One goal: a measured value against a limit (value <= limit, or < when
    strict). met is None when the value could not be measured."""

    def __init__(self, name, value, limit, unit, strict=False):
        self.name, self.value, self.limit, self.unit, self.strict = name, value, limit, unit, strict
        if value is None:
            self.met = None
        else:
            self.met = value < limit if strict else value <= limit

    def cells(self):
        limit = ("< " if self.strict else "<= ") + fmt(self.limit, self.unit)
        verdict = {None: "not measured", True: "met", False: "NOT met"}[self.met]
        return [self.name, fmt(self.value, self.unit), limit, verdict]


def fmt(value, unit):
    if value is None:
        return "-"
    if unit == "x":
        return f"{value:.2f}x"
    if unit == "ms":
        return f"{value:.3g} ms" if value < 10 else f"{value:.1f} ms"
    if unit == "s":
        return f"{value:.3f} s"
    if unit == "MB":
        return f"{value:.0f} MB"
    if unit == "B/px":
        return f"{value:.1f} bytes per pixel"
    return f"{value:g} {unit}"


def param_latency(medians, key, value):
    return medians.get(f"{PARAM_PREFIX}{key}/{value}")


def param_worst(medians, key):
    values = [param_latency(medians, key, v) for v in PARAM_VALUES]
    return None if any(v is None for v in values) else max(values)


def per_megapixel(steps):
    """step -> {dpi -> median ms per megapixel} over the resolution rows
    present in steps, steps in the order first seen."""
    table = {}
    for dpi, label, pixels in RESOLUTION_ROWS:
        for name, times in steps.get(label, {}).items():
            table.setdefault(name, {})[dpi] = statistics.median(times) / (pixels / 1e6)
    return table


def spread(costs):
    """Largest over smallest of a step's costs per megapixel; None unless
    every resolution was measured."""
    if len(costs) < len(RESOLUTION_ROWS) or min(costs.values()) <= 0:
        return None
    return max(costs.values()) / min(costs.values())


def evaluate_goals(runs, medians, steps=None):
    goals = []
    for ours, theirs, what, limit in POTRACE_GOALS:
        a, b = whole_medians(runs, ours), whole_medians(runs, theirs)
        goals.append(Goal(f"whole process, {what} to DXF / potrace", ratio(a and a[0], b and b[0]), limit, "x"))
    lintra = whole_medians(runs, "lintra_a4_24bit")
    palettor = whole_medians(runs, "palettor_a4_24bit")
    convert = whole_medians(runs, "convert_a4_24bit")
    goals.append(Goal("Palettor / ImageMagick convert -colors 256",
                      ratio(palettor and palettor[0], convert and convert[0]), 0.2, "x"))
    copy = medians.get(COPY)
    for name in POINT_OPERATIONS:
        goals.append(Goal(f"{name[3:]} / page copy", ratio(medians.get(name), copy), 3.0, "x"))
    for ours, limit in [("BM_EdgeSobel", 1.0), ("BM_EdgePrewitt", 1.0), ("BM_EdgeKirsch", 3.0),
                        ("BM_RemoveSmallBlackBlobs/3", 1.0), ("BM_ThinImage", 0.25), ("BM_Vectorise1", 2.0)]:
        theirs = COUNTERPARTS[ours]
        goals.append(Goal(f"{ours[3:]} / {theirs[3:].replace('OpenCV_', 'OpenCV ')}",
                          ratio(medians.get(ours), medians.get(theirs)), limit, "x"))
    for key, title, limit in PARAM_COMMANDS:
        goals.append(Goal(f"parameter change, {title}, slowest of {PARAM_VALUES}",
                          param_worst(medians, key), limit, "ms", strict=True))
    goals.append(Goal("peak memory, whole process on the 24-bit A4 page",
                      lintra and lintra[2], 200.0, "MB", strict=True))
    grey = whole_medians(runs, "lintra_a4_8bit")
    pixels = RESOLUTION_ROWS[1][2]
    goals.append(Goal("peak memory, whole process on the 8-bit A4 page",
                      grey and grey[2] * 1024 * 1024 / pixels, PEAK_BYTES_PER_PIXEL, "B/px"))
    dpis = "/".join(str(dpi) for dpi, _, _ in RESOLUTION_ROWS)
    for name, costs in per_megapixel(steps or {}).items():
        goals.append(Goal(f"{name} per megapixel, largest / smallest at {dpis} dpi",
                          spread(costs), PER_MEGAPIXEL_SPREAD, "x"))
    return goals


def table(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "|".join("---" for _ in header) + "|"]
    lines += ["| " + " | ".join(str(c) for c in row) + " |" for row in rows]
    return "\n".join(lines)


def whole_table(runs):
    rows = []
    for title, ours, theirs, peer in WHOLE_ROWS:
        a, b = whole_medians(runs, ours), whole_medians(runs, theirs)
        count = len(runs.get(ours, []))
        rows.append([
            title, peer, count,
            fmt(a and a[0], "s"), fmt(b and b[0], "s"), fmt(ratio(a and a[0], b and b[0]), "x"),
            fmt(a and a[1], "s"), fmt(b and b[1], "s"),
            fmt(a and a[2], "MB"), fmt(b and b[2], "MB"),
        ])
    return table(["job", "peer", "runs", "Lintra wall", "peer wall", "ratio", "Lintra CPU", "peer CPU",
                  "Lintra peak", "peer peak"], rows)


def steps_table(steps):
    labels = [ours for _, ours, _, _ in WHOLE_ROWS if ours in steps]
    names = []
    for label in labels:
        names += [n for n in steps[label] if n not in names]
    rows = []
    for name in names:
        cells = [steps[label].get(name) for label in labels]
        rows.append([name] + [fmt(statistics.median(c), "ms") if c else "-" for c in cells])
    totals = [sum(statistics.median(c) for c in steps[label].values()) for label in labels]
    rows.append(["all steps"] + [fmt(t, "ms") for t in totals])
    titles = [title for title, ours, _, _ in WHOLE_ROWS if ours in steps]
    return table(["lintra-batch step (median)"] + titles, rows)


def resolution_table(steps):
    costs = per_megapixel(steps)
    present = [(dpi, label, pixels) for dpi, label, pixels in RESOLUTION_ROWS if label in steps]
    rows = []
    for name, by_dpi in costs.items():
        cells = []
        for dpi, label, pixels in present:
            times = steps[label].get(name)
            cells.append(fmt(times and statistics.median(times), "ms"))
            cells.append(fmt(by_dpi.get(dpi), "ms"))
        rows.append([name] + cells + [fmt(spread(by_dpi), "x")])
    header = ["lintra-batch step (median)"]
    for dpi, label, pixels in present:
        header += [f"{dpi} dpi ({pixels / 1e6:.1f} MP)", "per MP"]
    return table(header + ["largest / smallest per MP"], rows)


def inprocess_table(medians):
    copy = medians.get(COPY)
    rows = []
    for name in sorted(medians):
        if name.startswith("BM_OpenCV_") or name.startswith(PARAM_PREFIX):
            continue
        ours = medians[name]
        theirs_name = COUNTERPARTS.get(name)
        theirs = medians.get(theirs_name) if theirs_name else None
        rows.append([
            name[3:], fmt(ours, "ms"), fmt(ratio(ours, copy), "x"),
            theirs_name[3:] if theirs_name else "", fmt(theirs, "ms") if theirs_name else "",
            fmt(ratio(ours, theirs), "x") if theirs_name else "",
        ])
    return table(["operation", "Lintra median", "/ page copy", "OpenCV counterpart", "OpenCV median",
                  "Lintra / OpenCV"], rows)


def param_table(medians):
    rows = []
    for key, title, limit in PARAM_COMMANDS:
        cells = [fmt(param_latency(medians, key, v), "ms") for v in PARAM_VALUES]
        rows.append([title] + cells + [fmt(param_worst(medians, key), "ms"), f"< {limit:g} ms"])
    return table(["command"] + [f"at {v}" for v in PARAM_VALUES] + ["slowest", "goal"], rows)


def render(runs, medians, goals, info, steps=None):
    met = sum(1 for g in goals if g.met)
    measured = sum(1 for g in goals if g.met is not None)
    parts = [
        f"Measured {info['date']} on {info['cpu']} (lscpu model name), with `{info['command']}`.",
        f"Every timed program and lintra-bench ran pinned to core {info['core']} (`taskset -c "
        f"{info['core']}`); OpenCV ran on one thread (`cv::setNumThreads(1)`). The machine is shared "
        "and noisy: compare the ratios, which come from one run, rather than the absolute times.",
        f"Pages: {info['files']}",
        "",
        "### Whole process (medians of wall-clock seconds; CPU = user + system; peak = Maximum "
        "resident set size from `/usr/bin/time -v`)",
        "",
        whole_table(runs),
        "",
    ]
    if steps:
        parts += [
            "Where Lintra's time goes (`lintra-batch --verbose`; the open includes Palettor for the "
            "24-bit page):",
            "",
            steps_table(steps),
            "",
        ]
        if any(label in steps for _, label, _ in RESOLUTION_ROWS):
            parts += [
                "Each step on the same drawing at four resolutions (`lintra-make-page --dpi N`, 8-bit; "
                "times from `lintra-batch --verbose`, medians; per MP = milliseconds per million pixels):",
                "",
                resolution_table(steps),
                "",
            ]
    parts += [
        "### In process (lintra-bench, medians of the repetitions, real time)",
        "",
        inprocess_table(medians),
        "",
        "### One parameter change through the view's re-application path (A4 page)",
        "",
        param_table(medians),
        "",
        f"### Goals: {met} of {len(goals)} met ({measured} measured)",
        "",
        table(["goal", "measured", "limit", "verdict"], [g.cells() for g in goals]),
    ]
    return "\n".join(parts) + "\n"


DOC_HEAD = """# Performance

`bash bench/run` measures Lintra beside its peers on a synthetic scan of an A4
line drawing (2480 x 3508 pixels at 300 dpi, and the same sheet at 600 dpi,
4960 x 7016), made by `lintra-make-page`: the page the in-process benchmarks
use, written as an 8-bit and a 24-bit BMP. The same drawing at 150, 300, 600
and 1200 dpi (1240 x 1754 to 9920 x 14032) shows how each step's cost grows
with the resolution. It installs what it needs (potrace,
OpenCV with its contrib modules, ImageMagick, GNU time), builds the default
preset with `-DLINTRA_BENCH_OPENCV=ON` and takes 7 to 8 minutes (three rounds,
on a busy machine). The
tables below are from its last run and are rewritten by each run; the notes
at the end are kept.

How it measures:

- Whole process: after one warm-up round, each round runs every program once
  in turn, so that drift in the machine's load touches all of them alike; the
  tables give medians over the rounds. Wall time is taken around
  `/usr/bin/time -v`, which gives the CPU time and the peak memory (Maximum
  resident set size) of the same runs. For the 24-bit page `lintra-batch`
  starts Palettor: the peak is the larger of the two, not their sum.
- The jobs: `lintra-batch PAGE binarise-iterative remove-small-blobs thin
  remove-short-branches vectorise-1 dxf=OUT` (a 24-bit page is opened through
  Palettor, as the desktop program opens it) against `potrace -b dxf -o OUT
  PAGE`. potrace reads the BMP files as they are and turns each pixel black or
  white at its black level 0.5: the mean of red, green and blue below 127.5
  is black (grey 127 black, 128 white); it drops specks of up to 2 pixels and
  traces the outlines of the ink as curves. Lintra finds its threshold from
  the page's histogram, removes blobs under 3 pixels, thins the strokes to
  centre lines and writes line segments. Palettor is set against
  `convert PAGE -colors 256 OUT`. The 150- and 1200-dpi pages run Lintra's
  job alone, the 1200-dpi one in half the rounds (rounded up).
- In process: `lintra-bench --benchmark_repetitions=5 --benchmark_min_time=0.2`,
  real-time medians of the repetitions. Lintra's operations work in place on a
  fresh copy of the page each iteration (the copy untimed; `PageCopy` times
  that copy alone, the memory limit); the OpenCV counterparts read the page and
  write an output allocated before timing, on one thread: Sobel and Prewitt as
  two 16-bit responses, saturated absolute values and their maximum (Lintra's
  definition); threshold at 30; a 3 x 3 median on the binarised page against
  the majority filter; `connectedComponentsWithStats` (8-connected) against
  blob removal and labelling; ximgproc's Zhang-Suen thinning against thinning,
  both on the binarised page; `findContours` (list, simple chains) with
  `approxPolyDP` (1 pixel) of each contour against Vectorise 1 on the thinned
  page.
- A parameter change: the view's re-application path for one reported
  position (the saved base copied back, the operation re-run, the view
  invalidated; repainting is the desktop program's and not timed), on the
  page opened from its file: the two binarisations on the grey scan, blob
  removal on its iterative binarisation, short-branch removal on the thinned
  page.

## Last run

"""

NOTES_HEADING = "\n## Notes\n"


def write_doc(path, body):
    notes = NOTES_HEADING + "\n(none yet)\n"
    try:
        with open(path, encoding="utf-8") as f:
            old = f.read()
        at = old.find(NOTES_HEADING)
        if at >= 0:
            notes = old[at:]
    except FileNotFoundError:
        pass
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(DOC_HEAD + body + notes)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--whole", required=True)
    parser.add_argument("--steps")
    parser.add_argument("--inprocess", required=True)
    parser.add_argument("--cpu", default="an unknown processor")
    parser.add_argument("--command", default="bash bench/run")
    parser.add_argument("--core", default="1")
    parser.add_argument("--date", default="")
    parser.add_argument("--files", default="")
    parser.add_argument("--doc")
    args = parser.parse_args(argv)
    runs = load_whole(args.whole)
    medians = load_inprocess(args.inprocess)
    steps = load_steps(args.steps) if args.steps else None
    goals = evaluate_goals(runs, medians, steps)
    body = render(runs, medians, goals, vars(args), steps)
    print(body)
    if args.doc:
        write_doc(args.doc, body)
        print(f"written to {args.doc}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
