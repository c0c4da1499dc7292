#!/usr/bin/python3
"""Both cores on one picture (--threads), and several pictures at once (--jobs).

(a) The 600-dpi job, `lintra-batch --threads T --verbose PAGE binarise-iterative
remove-small-blobs thin remove-short-branches vectorise-1 dxf=OUT`, with T = 1
and T = 2 in turn each round: medians of the wall time around the process,
of its CPU time (user + system) and of each step's time from --verbose. The
DXF files of the two must be the same bytes.

(b) A batch of A4 300-dpi 8-bit pages (a few drawings made by
lintra-make-page --seed, linked under as many names as pages are wanted)
through the many-files form, `lintra-batch [--jobs J] PAGES -- ... dxf=...`,
with --jobs 1 and --jobs 2 (threads by default: the cores shared among the
runs), and --jobs 1 --threads 1: pages per second from the wall time.

(c) The operations that split their rows, in process with lintra-bench:
pinned to one core (one thread) against free on every core.

(d) Each core's own speed: the same one-thread work (thinning the 300-dpi
page) pinned to each core in turn, before and after the rest. On a virtual
machine one core can run well below another; two threads can then at best
run 1 + slower / faster times as fast as the faster core alone.

Prints Markdown tables with the goals met or not and, with --doc, puts them in
the given file between its markers (a new section at the end when there are
none). Exit status 1 when a goal is not met.

  bench/threads_compare.py --bin build/bin --work DIR [--runs N] [--batch-runs N]
      [--pages N] [--drawings N] [--doc docs/performance.md]
"""
import argparse
import datetime
import filecmp
import json
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import time

BEGIN = "<!-- threads begin -->"
END = "<!-- threads end -->"
STEPS = ["binarise-iterative", "remove-small-blobs", "thin", "remove-short-branches", "vectorise-1"]
JOB_GOAL = 1.5  # the 600-dpi job, 2 threads against 1
BATCH_GOAL = 1.8  # pages per second, --jobs 2 against --jobs 1


def timed(args):
    """Runs args; returns (wall seconds, CPU seconds of the child, stdout)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(args, check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu, done.stdout


def step_times(out):
    times = {}
    for line in out.splitlines():
        m = re.match(r"(.*): ([0-9.]+) ms$", line)
        if m:
            times[m.group(1)] = float(m.group(2))
    return times


def make_page(a, name, *options):
    """The 8-bit page name in the work folder, made by lintra-make-page with
    options unless it is there already."""
    page = os.path.join(a.work, name)
    if not os.path.exists(page):
        subprocess.run([os.path.join(a.bin, "lintra-make-page"), *options, "--grey", page], check=True)
    return page


def one_page_job(a, batch):
    page = make_page(a, "a4_600dpi_8bit.bmp", "--dpi", "600")
    runs = {1: [], 2: []}
    outputs = {}
    for _ in range(a.runs + 1):  # the first round warms the caches and is dropped
        for threads in (1, 2):
            out = os.path.join(a.work, f"page_threads{threads}.dxf")
            outputs[threads] = out
            wall, cpu, text = timed([batch, "--threads", str(threads), "--verbose", page] + STEPS + ["dxf=" + out])
            steps = step_times(text)
            # The open is the first step, named by the page's path.
            steps = {("open" if name == page else name.split("=")[0]): ms for name, ms in steps.items()}
            runs[threads].append((wall, cpu, steps))
    if not filecmp.cmp(outputs[1], outputs[2], shallow=False):
        sys.exit("threads_compare: the DXF files of 1 and 2 threads differ")
    for threads in runs:
        runs[threads] = runs[threads][1:]

    def median(threads, pick):
        return statistics.median(pick(run) for run in runs[threads])

    def fastest(threads, pick):
        return min(pick(run) for run in runs[threads])

    # On a machine shared with other work the fastest round is the one that
    # found the cores free most nearly; the medians show what a round met.
    def row(label, pick, scale=1.0, unit="ms"):
        one, two = median(1, pick) * scale, median(2, pick) * scale
        best1, best2 = fastest(1, pick) * scale, fastest(2, pick) * scale
        return (f"| {label} | {one:.1f} {unit} | {two:.1f} {unit} | {one / two:.2f}x | {best1:.1f} {unit} | "
                f"{best2:.1f} {unit} | {best1 / best2:.2f}x |")

    rows = [row(name, lambda r, n=name: r[2][n]) for name in ["open"] + STEPS + ["dxf"]]
    rows.append(row("all steps", lambda r: sum(r[2].values())))
    rows.append(row("whole process, wall", lambda r: r[0], 1000))
    rows.append(row("whole process, CPU (user + system)", lambda r: r[1], 1000))
    share = median(1, lambda r: r[1] / r[0])
    rows.append(f"| whole process, CPU / wall | {share:.2f} | {median(2, lambda r: r[1] / r[0]):.2f} | | | | |")
    speedup = median(1, lambda r: r[0]) / median(2, lambda r: r[0])
    table = "\n".join([
        "| step | --threads 1 (median) | --threads 2 (median) | speed-up | --threads 1 (fastest) | "
        "--threads 2 (fastest) | speed-up |", "|---|---:|---:|---:|---:|---:|---:|"] + rows)
    return table, speedup, share


def batch_job(a, batch):
    folder = os.path.join(a.work, "pages")
    os.makedirs(folder, exist_ok=True)
    drawings = []
    for seed in range(1, a.drawings + 1):
        drawings.append(make_page(a, f"a4_seed{seed}.bmp", "--seed", str(seed)))
    pages = []
    for i in range(a.pages):
        page = os.path.join(folder, f"page{i:03d}.bmp")
        if not os.path.exists(page):
            try:
                os.link(drawings[i % len(drawings)], page)
            except OSError:
                shutil.copyfile(drawings[i % len(drawings)], page)
        pages.append(page)
    out = os.path.join(a.work, "out")
    os.makedirs(out, exist_ok=True)
    tail = ["--"] + STEPS + ["dxf=" + os.path.join(out, "{stem}.dxf")]
    setups = [("--jobs 1", ["--jobs", "1"]), ("--jobs 2", ["--jobs", "2"]),
              ("--jobs 1 --threads 1", ["--jobs", "1", "--threads", "1"])]
    walls = {name: [] for name, _ in setups}
    cpus = {name: [] for name, _ in setups}
    for _ in range(a.batch_runs):
        for name, options in setups:
            wall, cpu, _ = timed([batch] + options + pages + tail)
            walls[name].append(wall)
            cpus[name].append(cpu)
    rows = []
    rate = {}
    for name, _ in setups:
        wall = statistics.median(walls[name])
        rate[name] = a.pages / wall
        rows.append(f"| {name} | {wall:.2f} s | {min(walls[name]):.2f} s | {statistics.median(cpus[name]):.2f} s | "
                    f"{rate[name]:.2f} |")
    table = "\n".join(["| lintra-batch | wall (median) | wall (fastest) | CPU (median) | pages per second (median) |",
                       "|---|---:|---:|---:|---:|"] + rows)
    return table, rate["--jobs 2"] / rate["--jobs 1"], rate["--jobs 2"] / rate["--jobs 1 --threads 1"]


IN_PROCESS = ["EdgeSobel", "EdgePrewitt", "EdgeKirsch", "EdgeGaussLaplace", "EdgeRoberts", "EdgeGradient",
              "BinariseGradient", "BinariseThreshold", "ComputeHistogram", "BinariseIterative", "InvertBlackWhite",
              "RemoveBlackWhitePoints", "LabelBlackBlobs", "RemoveSmallBlackBlobs/3", "ThinImage", "RemoveShortBranches3",
              "PageCopy"]


def core_speeds(a, batch, rounds=5):
    """Median milliseconds of thinning the 300-dpi page on one thread, pinned
    to each core in turn, the cores alternating round by round."""
    page = make_page(a, "a4_seed1.bmp", "--seed", "1")
    cores = sorted(os.sched_getaffinity(0))
    times = {core: [] for core in cores}
    for _ in range(rounds):
        for core in cores:
            _, _, text = timed(["taskset", "-c", str(core), batch, "--threads", "1", "--verbose", page,
                                "binarise-iterative", "thin"])
            times[core].append(step_times(text)["thin"])
    return {core: statistics.median(t) for core, t in times.items()}


def speeds_text(before, after):
    def line(label, speeds):
        fast = min(speeds.values())
        cells = ", ".join(f"core {core} {ms:.1f} ms" for core, ms in speeds.items())
        ceiling = sum(fast / ms for ms in speeds.values())
        return f"| {label} | {cells} | {ceiling:.2f}x |"
    return "\n".join(["| when | thinning the 300-dpi page on one thread, median of 5, pinned | ceiling with every "
                      "core: sum of speeds / fastest |", "|---|---|---:|",
                      line("before", before), line("after", after)])


def bench_medians(args):
    """Real-time medians in ms of lintra-bench's repetitions, by operation."""
    out = subprocess.run(args, check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
    medians = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medians[b["run_name"][3:]] = b["real_time"] * scale[b["time_unit"]]
    return medians


def in_process(a):
    """The banded operations on the A4 page in lintra-bench: pinned to one
    core (one thread, as the thread count follows the CPU affinity) and free
    on every core, in turn for each repetition round."""
    bench = os.path.join(a.bin, "lintra-bench")
    if not os.path.exists(bench):
        return "(lintra-bench was not built: no in-process figures)"
    names = "|".join(re.escape(n) for n in IN_PROCESS)
    args = [bench, f"--benchmark_filter=^BM_({names})$", "--benchmark_repetitions=5",
            "--benchmark_min_time=0.2", "--benchmark_format=json"]
    one_core = str(min(os.sched_getaffinity(0)))
    one = bench_medians(["taskset", "-c", one_core] + args)
    every = bench_medians(args)
    rows = [f"| {n} | {one[n]:.3g} ms | {every[n]:.3g} ms | {one[n] / every[n]:.2f}x |"
            for n in IN_PROCESS if n in one and n in every]
    return "\n".join([f"| operation (lintra-bench, median) | 1 thread (pinned to core {one_core}) | "
                      f"{len(os.sched_getaffinity(0))} threads | speed-up |", "|---|---:|---:|---:|"] + rows)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--batch-runs", type=int, default=3)
    parser.add_argument("--pages", type=int, default=100)
    parser.add_argument("--drawings", type=int, default=4)
    parser.add_argument("--doc")
    a = parser.parse_args()
    os.makedirs(a.work, exist_ok=True)
    batch = os.path.join(a.bin, "lintra-batch")
    load_before = os.getloadavg()[0]
    speeds_before = core_speeds(a, batch)
    job_table, job_speedup, share = one_page_job(a, batch)
    batch_table, batch_ratio, batch_ratio_one = batch_job(a, batch)
    ops_table = in_process(a)
    speeds_after = core_speeds(a, batch)
    load_after = os.getloadavg()[0]
    job_met, batch_met = job_speedup >= JOB_GOAL, batch_ratio >= BATCH_GOAL
    # Below about 0.9 of a core for one thread, other work held the cores:
    # a second thread or process had none of its own to run on.
    busy = f" (the machine was busy: one thread had {share:.2f} of a core)" if share < 0.9 else ""
    goals = "\n".join([
        "| goal | measured | limit | verdict |",
        "|---|---:|---:|---|",
        f"| 600-dpi job, wall time with 1 thread / with 2 | {job_speedup:.2f}x | >= {JOB_GOAL:.2f}x | "
        f"{'met' if job_met else 'NOT met' + busy} |",
        f"| {a.pages} A4 pages, throughput of --jobs 2 / --jobs 1 | {batch_ratio:.2f}x | >= {BATCH_GOAL:.2f}x | "
        f"{'met' if batch_met else 'NOT met' + busy} |",
    ])
    when = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    text = (f"Measured {when} with `bench/threads_compare.py --runs {a.runs} --batch-runs {a.batch_runs} "
            f"--pages {a.pages}` on {os.cpu_count()} cores, not pinned; load average {load_before:.1f} before "
            f"and {load_after:.1f} after (other work shares the machine).\n\n"
            f"The 600-dpi page ({STEPS[0]} ... vectorise-1, dxf=), {a.runs} rounds after a warm-up, "
            f"each running 1 and then 2 threads; the two DXF files are the same bytes. With one thread the "
            f"process had {share:.2f} of a core (CPU / wall)"
            f"{': other work held the cores and a second thread could only wait for one' if busy else ''}."
            f"\n\n{job_table}\n\n"
            f"{a.pages} A4 300-dpi pages ({a.drawings} drawings of `lintra-make-page --seed`) through "
            f"`lintra-batch [OPTIONS] PAGES -- {' '.join(STEPS)} dxf=...`, {a.batch_runs} rounds; with "
            f"--jobs 2 each page runs on 1 thread, with --jobs 1 on 2 unless --threads 1 is given. "
            f"--jobs 2 against --jobs 1 --threads 1: {batch_ratio_one:.2f}x.\n\n{batch_table}\n\n"
            f"The operations that split their rows among threads, in process on the A4 300-dpi page "
            f"(`lintra-bench --benchmark_repetitions=5 --benchmark_min_time=0.2`, each iteration on a fresh copy; "
            f"PageCopy is that copy alone, on one thread either way):\n\n{ops_table}\n\n"
            f"Each core's speed, before and after the rest: the same work pinned to each core in turn. "
            f"The ceiling is what work shared perfectly over every core could gain against the fastest "
            f"alone; the steps that run on one thread lower it further.\n\n"
            f"{speeds_text(speeds_before, speeds_after)}\n\n{goals}")
    print(text)
    if a.doc:
        doc = open(a.doc, encoding="utf-8").read()
        section = f"{BEGIN}\n{text}\n{END}"
        if BEGIN in doc:
            doc = re.sub(re.escape(BEGIN) + ".*?" + re.escape(END), lambda _: section, doc, flags=re.S)
        else:
            doc += "\n## Threads within a picture and pictures at once\n\n" + section + "\n"
        open(a.doc, "w", encoding="utf-8").write(doc)
    return 0 if job_met and batch_met else 1


if __name__ == "__main__":
    sys.exit(main())
