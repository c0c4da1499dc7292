#!/usr/bin/python3
"""How well lintra-batch recovers CAD drawings from their printed pictures.

Takes the LibreCAD part library's drawings (installed by Debian's
librecad-data under /usr/share/librecad/library; read there, never copied)
that are made only of lines, arcs, circles and 2D polylines once their block
references are exploded. Each is laid on paper 150 mm across plus a white
margin, printed at 300 dpi with a round 0.35 mm pen (anti-aliased from each
pixel centre's exact distance to the geometry), optionally made to look
scanned (variant scanlike: blur, light falling off by 15-20% towards a
corner, grain, dust, JPEG 75; variant poor: faint ink at 100 of 255, paper
darkening by a third towards a corner, strong grain, more dust, JPEG 50;
variant turned: printed clean but turned 1.5 degrees counter-clockwise about
the page's centre, and traced with --deskew, which should turn it back),
traced by lintra-batch into a DXF in mm, and the DXF is scored against the
drawing on the page:

  recall, precision  share of the drawing within 0.25 mm of the export, and the
                     reverse, sampled every 0.05 mm; 95th-percentile distances
  economy            the export's primitives over the drawing's (a polyline
                     counts its segments)
  circles            drawing circles (r >= 0.5 mm) matched by one exported
                     CIRCLE, centre and radius within 0.15 mm
  lines              drawing lines >= 2 mm covered over 90% of their length,
                     within 0.25 mm, by one straight piece within 1 degree
                     (0.2 degrees for variant turned: its directions must
                     come back exact)
  arcs               drawing arcs (r >= 1 mm, sweep >= 30 degrees) covered over
                     90% by one arc piece of radius within 10%

The page frame is the export's: mm, x from the left, y up, pixel column c and
row r (from the bottom) centred at (c, r) times 25.4/dpi mm. A turned
variant's export is scored against the drawing as it was before turning.

  /usr/bin/python3 bench/cad_recovery.py [--bin build/bin/lintra-batch] [--limit 60]
      [--folders kinetics,block,algoritm,power_station] [--variants clean,scanlike]
      [--steps "trace --preset scan"] [--batch-options "--tolerance 2"]
      [--work DIR] [--jobs 2] [--per-drawing] [--save-pictures NAME]
      [--doc docs/performance.md] [--goals clean,scanlike] [--goal circles=0.95]

Drawings are taken in turn from each folder (sorted paths), so that --limit
samples every folder; --limit counts the drawings kept.
"""
import argparse
import collections
import concurrent.futures
import io
import math
import os
import re
import shlex
import subprocess
import sys
import tempfile
import time
import zlib

import ezdxf
from ezdxf.math import Vec3
import numpy as np
from PIL import Image
from scipy import ndimage
from scipy.spatial import cKDTree

LIBRARY = "/usr/share/librecad/library"
FOLDERS = ["kinetics", "block", "algoritm", "power_station"]
# trace runs the drawing preset, or the scan preset on a page one threshold
# does not suit; "binarise-iterative remove-small-blobs thin
# remove-short-branches vectorise-1" are the drawing preset's steps at a
# 4 px stroke, the steps this benchmark ran before trace.
DEFAULT_STEPS = "trace"
BEGIN = "<!-- cad-recovery begin -->"
END = "<!-- cad-recovery end -->"

DPI = 300
PX = 25.4 / DPI  # mm per pixel
PAPER = 150.0  # the drawing's larger extent on paper, mm
MARGIN = 5.0  # white around it, mm
PEN = 0.35  # pen width, mm

NEAR = 0.25  # mm: a point is recovered within this distance
QUERY_STEP = 0.05  # mm between the points that are scored
TARGET_STEP = 0.01  # mm between the points distances are measured to
SAME = 0.01  # mm: primitives this close lie on each other
CIRCLE_MIN_R, CIRCLE_NEAR = 0.5, 0.15
LINE_MIN, LINE_ANGLE = 2.0, math.radians(1.0)
ARC_MIN_R, ARC_MIN_SWEEP, ARC_R_SHARE = 1.0, math.radians(30), 0.10
COVERED = 0.90

GOALS = {
    "clean": {"circles": 0.97, "lines": 0.95, "arcs": 0.90, "economy": 1.10, "recall": 0.995,
              "precision": 0.995, "p95": 0.10},
    "scanlike": {"circles": 0.93, "lines": 0.90, "arcs": 0.80, "economy": 1.20, "recall": 0.99,
                 "precision": 0.99},
    "poor": {"circles": 0.85, "lines": 0.80, "economy": 1.30, "recall": 0.98, "precision": 0.98},
    "turned": {"lines": 0.90},
}

# Variants printed turned counter-clockwise by these degrees, traced with
# --deskew, and their lines scored by the stricter direction.
TURNED = {"turned": 1.5}
TURNED_LINE_ANGLE = math.radians(0.2)

# Straight pieces (x0, y0, x1, y1), counter-clockwise arcs (cx, cy, r, start,
# sweep) with angles in radians and 0 < sweep < 2 pi, and whole circles.
Line = collections.namedtuple("Line", "x0 y0 x1 y1")
Arc = collections.namedtuple("Arc", "cx cy r start sweep")
Circle = collections.namedtuple("Circle", "cx cy r")


class Unsupported(Exception):
    """A drawing holds something this benchmark cannot draw or score."""


# ---------------------------------------------------------------- geometry

def length(p):
    if isinstance(p, Line):
        return math.hypot(p.x1 - p.x0, p.y1 - p.y0)
    return p.r * (p.sweep if isinstance(p, Arc) else 2 * math.pi)


def sample(p, step):
    """Points along p no further apart than step, both ends included."""
    n = max(2, math.ceil(length(p) / step) + 1)
    t = np.linspace(0.0, 1.0, n)
    if isinstance(p, Line):
        return np.column_stack([p.x0 + t * (p.x1 - p.x0), p.y0 + t * (p.y1 - p.y0)])
    start, sweep = (p.start, p.sweep) if isinstance(p, Arc) else (0.0, 2 * math.pi)
    a = start + t * sweep
    return np.column_stack([p.cx + p.r * np.cos(a), p.cy + p.r * np.sin(a)])


def sample_all(prims, step):
    parts = [sample(p, step) for p in prims]
    return np.concatenate(parts) if parts else np.zeros((0, 2))


def bulge_piece(p0, p1, bulge):
    """The segment from p0 to p1 of a polyline: a Line, or an Arc when bulged."""
    (x0, y0), (x1, y1) = p0, p1
    d = math.hypot(x1 - x0, y1 - y0)
    if abs(bulge) < 1e-9 or d == 0:
        return Line(x0, y0, x1, y1)
    # The centre sits off the chord's middle, left of it for a counter-clockwise arc.
    off = d * (1 - bulge * bulge) / (4 * bulge)
    nx, ny = -(y1 - y0) / d, (x1 - x0) / d
    cx, cy = (x0 + x1) / 2 + nx * off, (y0 + y1) / 2 + ny * off
    r = d * (1 + bulge * bulge) / (4 * abs(bulge))
    sweep = 4 * math.atan(bulge)
    start = math.atan2(y0 - cy, x0 - cx)
    if sweep < 0:  # the same arc, counter-clockwise from p1
        start, sweep = math.atan2(y1 - cy, x1 - cx), -sweep
    return Arc(cx, cy, r, start % (2 * math.pi), sweep)


def distance_to(points, p):
    """Exact distance of each point to primitive p."""
    if isinstance(p, Line):
        a = np.array([p.x0, p.y0])
        ab = np.array([p.x1 - p.x0, p.y1 - p.y0])
        t = np.clip((points - a) @ ab / max(ab @ ab, 1e-30), 0, 1)
        return np.hypot(*(points - a - t[:, None] * ab).T)
    radial = np.abs(np.hypot(points[:, 0] - p.cx, points[:, 1] - p.cy) - p.r)
    if isinstance(p, Circle):
        return radial
    rel = (np.arctan2(points[:, 1] - p.cy, points[:, 0] - p.cx) - p.start) % (2 * math.pi)
    ends = sample(Arc(p.cx, p.cy, p.r, p.start, p.sweep), length(p))[[0, -1]]
    to_ends = np.min(np.hypot(points[:, None, 0] - ends[None, :, 0], points[:, None, 1] - ends[None, :, 1]), 1)
    return np.where(rel <= p.sweep, radial, to_ends)


class Nearest:
    """Distances to a set of primitives, from points sampled TARGET_STEP apart
    along them (within TARGET_STEP / 2 of exact), and the unit normal there."""

    def __init__(self, prims):
        parts = [sample(p, TARGET_STEP) for p in prims]
        self.points = np.concatenate(parts) if parts else np.zeros((0, 2))
        tangents = np.concatenate([np.gradient(q, axis=0) for q in parts]) if parts else np.zeros((0, 2))
        tangents /= np.maximum(np.hypot(*tangents.T), 1e-30)[:, None]
        self.normals = np.column_stack([-tangents[:, 1], tangents[:, 0]])
        self.tree = cKDTree(self.points) if len(self.points) else None

    def query(self, points, upper=np.inf):
        if self.tree is None:
            return np.full(len(points), np.inf), np.zeros(len(points), int)
        return self.tree.query(points, distance_upper_bound=upper)


# ------------------------------------------------------------- drawings in

def entity_visible(doc, e):
    if e.dxf.hasattr("invisible") and e.dxf.invisible:
        return False
    layer = doc.layers.get(e.dxf.layer) if doc.layers.has_entry(e.dxf.layer) else None
    return layer is None or (layer.is_on() and not layer.is_frozen())


def planar_ocs(e):
    """The entity's OCS; Unsupported unless it lies in the drawing's plane."""
    ocs = e.ocs()
    z = ocs.uz
    if abs(abs(z.z) - 1) > 1e-9:
        raise Unsupported(f"{e.dxftype()} out of the plane")
    return ocs


def arc_in_wcs(ocs, centre, r, start_deg, end_deg):
    """An OCS arc (counter-clockwise about the OCS z axis) as a WCS Arc."""
    c = Vec3(ocs.to_wcs(Vec3(centre)))
    sweep = math.radians((end_deg - start_deg) % 360 or 360)
    a0 = math.radians(start_deg)
    if ocs.uz.z < 0:  # seen from the other side: clockwise in WCS
        a0 = a0 + sweep
    p = Vec3(ocs.to_wcs(Vec3(centre) + Vec3.from_angle(a0, r)))
    return Arc(c.x, c.y, r, math.atan2(p.y - c.y, p.x - c.x) % (2 * math.pi), sweep)


def polyline_pieces(ocs, points, closed):
    """[(x, y, bulge)] in OCS as Lines and Arcs in WCS."""
    flip = -1 if ocs.uz.z < 0 else 1
    wcs = [Vec3(ocs.to_wcs(Vec3(x, y, 0))) for x, y, _ in points]
    count = len(points) if closed else len(points) - 1
    pieces = []
    for i in range(count):
        j = (i + 1) % len(points)
        pieces.append(bulge_piece((wcs[i].x, wcs[i].y), (wcs[j].x, wcs[j].y), flip * points[i][2]))
    return pieces


def entity_prims(e):
    kind = e.dxftype()
    if kind == "LINE":
        s, t = e.dxf.start, e.dxf.end
        if abs(s.z) > 1e-9 or abs(t.z) > 1e-9:
            raise Unsupported("LINE out of the plane")
        return [Line(s.x, s.y, t.x, t.y)]
    if kind == "CIRCLE":
        c = Vec3(planar_ocs(e).to_wcs(e.dxf.center))
        return [Circle(c.x, c.y, e.dxf.radius)]
    if kind == "ARC":
        return [arc_in_wcs(planar_ocs(e), e.dxf.center, e.dxf.radius, e.dxf.start_angle, e.dxf.end_angle)]
    if kind == "LWPOLYLINE":
        if e.dxf.const_width or any(s or t for _, _, s, t, _ in e.get_points("xyseb")):
            raise Unsupported("wide LWPOLYLINE")
        return polyline_pieces(planar_ocs(e), list(e.get_points("xyb")), e.closed)
    if kind == "POLYLINE":
        if not e.is_2d_polyline:
            raise Unsupported("3D POLYLINE or mesh")
        if any(v.dxf.start_width or v.dxf.end_width for v in e.vertices) or e.dxf.default_start_width:
            raise Unsupported("wide POLYLINE")
        pts = [(v.dxf.location.x, v.dxf.location.y, v.dxf.bulge) for v in e.vertices]
        return polyline_pieces(planar_ocs(e), pts, e.is_closed)
    raise Unsupported(kind)


def exploded(doc, entities, depth=0):
    """The visible entities, block references replaced by their contents."""
    if depth > 16:
        raise Unsupported("blocks nested too deep")
    for e in entities:
        if not entity_visible(doc, e):
            continue
        if e.dxftype() == "ATTDEF":  # shown through the ATTRIBs of references
            continue
        if e.dxftype() == "INSERT":
            yield from exploded(doc, e.virtual_entities(), depth + 1)
            for attrib in e.attribs:
                if attrib.dxf.text.strip() and not attrib.is_invisible:
                    raise Unsupported("ATTRIB")
        else:
            yield e


def read_drawing(path):
    """The drawing's primitives in its own units; Unsupported when it holds
    anything but lines, arcs, circles and 2D polylines."""
    try:
        doc = ezdxf.readfile(path)
    except (IOError, ezdxf.DXFError) as error:
        raise Unsupported(f"unreadable: {error}")
    prims = []
    for e in exploded(doc, doc.modelspace()):
        prims.extend(entity_prims(e))
    return prims


def turned(p, degrees, centre):
    """p turned counter-clockwise by degrees about centre."""
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    turn = lambda x, y: (centre[0] + c * (x - centre[0]) - s * (y - centre[1]),
                         centre[1] + s * (x - centre[0]) + c * (y - centre[1]))
    if isinstance(p, Line):
        return Line(*turn(p.x0, p.y0), *turn(p.x1, p.y1))
    if isinstance(p, Arc):
        return Arc(*turn(p.cx, p.cy), p.r, (p.start + a) % (2 * math.pi), p.sweep)
    return Circle(*turn(p.cx, p.cy), p.r)


def transformed(p, s, dx, dy):
    if isinstance(p, Line):
        return Line(p.x0 * s + dx, p.y0 * s + dy, p.x1 * s + dx, p.y1 * s + dy)
    if isinstance(p, Arc):
        return Arc(p.cx * s + dx, p.cy * s + dy, p.r * s, p.start, p.sweep)
    return Circle(p.cx * s + dx, p.cy * s + dy, p.r * s)


def on_paper(prims):
    """The drawing scaled and moved so that its larger extent is PAPER mm and
    its lower left corner at (MARGIN, MARGIN); returns it and the page size."""
    points = sample_all(prims, 1e-3 * max(1e-12, max(map(length, prims))))
    low, high = points.min(0), points.max(0)
    extent = (high - low).max()
    if not np.isfinite(extent) or extent <= 0:
        raise Unsupported("no extent")
    s = PAPER / extent
    paper = [transformed(p, s, MARGIN - low[0] * s, MARGIN - low[1] * s) for p in prims]
    return paper, (high - low) * s + 2 * MARGIN


# ------------------------------------------------- duplicates in the drawing

def merge_intervals(intervals, gap):
    merged = []
    for a, b in sorted(intervals):
        if merged and a <= merged[-1][1] + gap:
            merged[-1][1] = max(merged[-1][1], b)
        else:
            merged.append([a, b])
    return merged


def merged_lines(lines):
    """Collinear lines that overlap or touch, as one line each."""
    out, used = [], [False] * len(lines)
    for i, p in enumerate(lines):
        if used[i]:
            continue
        d = np.array([p.x1 - p.x0, p.y1 - p.y0]) / length(p)
        origin = np.array([p.x0, p.y0])
        group = []
        for j in range(i, len(lines)):
            q = lines[j]
            ends = np.array([[q.x0, q.y0], [q.x1, q.y1]]) - origin
            if not used[j] and np.all(np.abs(ends @ [-d[1], d[0]]) <= SAME):
                used[j] = True
                group.append(sorted(ends @ d))
        for a, b in merge_intervals(group, SAME):
            out.append(Line(*(origin + a * d), *(origin + b * d)))
    return out


def merged_arcs(arcs, circles):
    """Arcs and circles on one circle as one circle, or as their union arcs."""
    out, items = [], [(p.cx, p.cy, p.r, p) for p in circles + arcs]
    used = [False] * len(items)
    for i, (cx, cy, r, _) in enumerate(items):
        if used[i]:
            continue
        spans, whole = [], False
        for j in range(i, len(items)):
            x, y, rj, q = items[j]
            if not used[j] and math.hypot(x - cx, y - cy) <= SAME and abs(rj - r) <= SAME:
                used[j] = True
                if isinstance(q, Circle):
                    whole = True
                else:  # unrolled from this group's first angle, so spans do not wrap
                    a = q.start % (2 * math.pi)
                    spans += [(a, a + q.sweep), (a - 2 * math.pi, a - 2 * math.pi + q.sweep)]
        gap = SAME / r
        merged = merge_intervals(spans, gap)
        if whole or any(b - a >= 2 * math.pi - gap for a, b in merged):
            out.append(Circle(cx, cy, r))
            continue
        seen = set()
        for a, b in merged:  # each arc appears twice, 2 pi apart
            key = round((a % (2 * math.pi)) / gap)
            if b > 0 and key not in seen:
                seen.add(key)
                out.append(Arc(cx, cy, r, a % (2 * math.pi), b - a))
    return out


def deduplicated(prims):
    """The drawing with primitives that lie on each other counted once, and
    with nothing shorter than SAME."""
    prims = [p for p in prims if length(p) > SAME]
    lines = [p for p in prims if isinstance(p, Line)]
    arcs = [p for p in prims if isinstance(p, Arc)]
    circles = [p for p in prims if isinstance(p, Circle)]
    return merged_lines(lines) + merged_arcs(arcs, circles)


def load(path):
    """The drawing on paper, without duplicates, and the page size in mm."""
    prims = read_drawing(path)
    if not prims:
        raise Unsupported("empty")
    paper, size = on_paper(prims)
    paper = deduplicated(paper)
    if not paper:
        raise Unsupported("degenerate")
    return paper, size


# ------------------------------------------------------------------ pictures

def page_pixels(size):
    """Columns and rows of a page of size (mm): pixel centres 0 .. size."""
    return int(math.ceil(size[0] / PX)) + 1, int(math.ceil(size[1] / PX)) + 1


def page_centre(size):
    """The centre of lintra-batch's sheet for a page of size (mm): the sheet
    runs from 0 to the pixel count times the pixel's size, both ways."""
    width, height = page_pixels(size)
    return width * PX / 2, height * PX / 2


def coverage(prims, width, height):
    """The pen's ink share of each pixel (rows from the top), from the exact
    distance of the pixel centre to the geometry, ramped over one pixel."""
    ink = np.zeros((height, width))
    reach = PEN / 2 / PX + 0.5  # px where the ramp ends
    coarse = sample_all(prims, PX / 2) / PX
    r = int(math.ceil(reach)) + 1
    oc, orow = np.meshgrid(np.arange(-r, r + 1), np.arange(-r, r + 1))
    cols = (np.rint(coarse[:, 0])[:, None] + oc.ravel()).astype(int).ravel()
    rows = (np.rint(coarse[:, 1])[:, None] + orow.ravel()).astype(int).ravel()
    keep = (cols >= 0) & (cols < width) & (rows >= 0) & (rows < height)
    index = np.unique(rows[keep] * width + cols[keep])
    rows, cols = np.divmod(index, width)
    d, _ = Nearest(prims).query(np.column_stack([cols, rows]) * PX, upper=reach * PX + 1)
    ink[height - 1 - rows, cols] = np.clip(reach - d / PX, 0, 1)
    return ink


def darkening(width, height, rng, amount):
    """Light falling off smoothly towards a random corner by amount."""
    u = np.linspace(0, 1, width)[None, :]
    v = np.linspace(0, 1, height)[:, None]
    if rng.random() < 0.5:
        u = 1 - u
    if rng.random() < 0.5:
        v = 1 - v
    return 1 - amount * ((u + v) / 2) ** 1.5


def add_dust(grey, rng, count):
    height, width = grey.shape
    for _ in range(count):
        x, y = rng.uniform(0, width - 1), rng.uniform(0, height - 1)
        radius = rng.uniform(0.5, 1.5)
        c0, c1 = int(max(0, x - 3)), int(min(width, x + 4))
        r0, r1 = int(max(0, y - 3)), int(min(height, y + 4))
        yy, xx = np.mgrid[r0:r1, c0:c1]
        share = np.clip(radius + 0.5 - np.hypot(xx - x, yy - y), 0, 1)
        tone = rng.uniform(20, 110)
        grey[r0:r1, c0:c1] = grey[r0:r1, c0:c1] * (1 - share) + tone * share


def jpeg_round_trip(grey, quality):
    buffer = io.BytesIO()
    Image.fromarray(grey).save(buffer, "JPEG", quality=quality)
    return np.asarray(Image.open(io.BytesIO(buffer.getvalue())).convert("L"))


# variant: ink tone, blur px, darkening range, grain sigma range, dust, JPEG quality
VARIANTS = {
    "clean": None,
    "scanlike": dict(ink=0, blur=0.7, dark=(0.15, 0.20), grain=(6, 8), dust=(24, 48), quality=75),
    "poor": dict(ink=100, blur=0.8, dark=(0.33, 0.33), grain=(14, 16), dust=(48, 80), quality=50),
    "turned": None,
}


def render(prims, size, variant, seed):
    """An 8-bit grey picture of the drawing, rows from the top."""
    width, height = page_pixels(size)
    if variant in TURNED:
        prims = [turned(p, TURNED[variant], page_centre(size)) for p in prims]
    ink = coverage(prims, width, height)
    look = VARIANTS[variant]
    if look is None:
        return np.rint(255 * (1 - ink)).astype(np.uint8)
    rng = np.random.default_rng(seed)
    grey = 255 - (255 - look["ink"]) * ndimage.gaussian_filter(ink, look["blur"])
    grey = grey * darkening(width, height, rng, rng.uniform(*look["dark"]))
    grey = grey + rng.normal(0, rng.uniform(*look["grain"]), grey.shape)
    add_dust(grey, rng, int(rng.integers(*look["dust"])))
    return jpeg_round_trip(np.clip(np.rint(grey), 0, 255).astype(np.uint8), look["quality"])


def save_picture(grey, path):
    """An 8-bit BMP carrying DPI, which lintra-batch reads as the scan's resolution."""
    Image.fromarray(grey, "L").save(path, "BMP", dpi=(DPI, DPI))


# ---------------------------------------------------------- the export read

def read_export(path):
    """The export's pieces and the count of entities that are none of them."""
    doc = ezdxf.readfile(path)
    pieces, other = [], 0
    for e in doc.modelspace():
        try:
            pieces.extend(entity_prims(e))
        except Unsupported:
            other += 1
    return pieces, other


def write_drawing(prims, path):
    """prims as a DXF of LINE, ARC and CIRCLE entities in mm."""
    doc = ezdxf.new("R2000", units=4)
    msp = doc.modelspace()
    for p in prims:
        if isinstance(p, Line):
            msp.add_line((p.x0, p.y0), (p.x1, p.y1))
        elif isinstance(p, Arc):
            msp.add_arc((p.cx, p.cy), p.r, math.degrees(p.start), math.degrees(p.start + p.sweep))
        else:
            msp.add_circle((p.cx, p.cy), p.r)
    doc.saveas(path)


# ------------------------------------------------------------------- scoring

def covered_share(points, piece):
    return float(np.mean(distance_to(points, piece) <= NEAR))


def line_recovered(line, straight, most_turn=LINE_ANGLE):
    points = sample(line, QUERY_STEP)
    angle = math.atan2(line.y1 - line.y0, line.x1 - line.x0)
    for q in straight:
        turn = (math.atan2(q.y1 - q.y0, q.x1 - q.x0) - angle) % math.pi
        if min(turn, math.pi - turn) <= most_turn and covered_share(points, q) >= COVERED:
            return True
    return False


def arc_recovered(arc, curved):
    points = sample(arc, QUERY_STEP)
    for q in curved:
        if abs(q.r - arc.r) <= ARC_R_SHARE * arc.r and math.hypot(q.cx - arc.cx, q.cy - arc.cy) <= arc.r:
            if covered_share(points, q) >= COVERED:
                return True
    return False


def circle_recovered(circle, circles):
    return any(math.hypot(q.cx - circle.cx, q.cy - circle.cy) <= CIRCLE_NEAR and
               abs(q.r - circle.r) <= CIRCLE_NEAR for q in circles)


def box_of(p):
    """p's extent (x0, y0, x1, y1), to within a sixty-fourth of its length."""
    pts = sample(p, max(length(p) / 64, 1e-6))
    return np.concatenate([pts.min(0), pts.max(0)])


class Pieces:
    """Pieces with their extents, to find those that reach near a primitive."""

    def __init__(self, prims):
        self.prims = prims
        self.boxes = np.array([box_of(q) for q in prims]).reshape(-1, 4)

    def near(self, p):
        b = box_of(p)
        hit = ((self.boxes[:, 0] - NEAR <= b[2]) & (self.boxes[:, 1] - NEAR <= b[3]) &
               (self.boxes[:, 2] + NEAR >= b[0]) & (self.boxes[:, 3] + NEAR >= b[1]))
        return [self.prims[i] for i in np.flatnonzero(hit)]


def offsets(points, target):
    """Estimates of the points' shift from the target, from their offsets
    along its normal: x from where the target runs upright, y from where it
    runs across."""
    d, i = target.query(points, upper=NEAR)
    ok = np.isfinite(d)
    n = target.normals[i[ok]]
    along = np.sum((points[ok] - target.points[i[ok]]) * n, axis=1)
    upright = np.abs(n[:, 0]) > np.abs(n[:, 1])
    return along[upright] / n[upright, 0], along[~upright] / n[~upright, 1]


def score(truth, export, other=0, line_angle=LINE_ANGLE):
    """The figures of one drawing: counts, and distance samples for
    percentiles; a line is recovered by a piece within line_angle of it."""
    truth_points, export_points = sample_all(truth, QUERY_STEP), sample_all(export, QUERY_STEP)
    to_export = Nearest(export).query(truth_points)[0]
    truth_near = Nearest(truth)
    to_truth = truth_near.query(export_points)[0]
    dx, dy = offsets(export_points, truth_near) if export else (np.zeros(0), np.zeros(0))
    straight = Pieces([q for q in export if isinstance(q, Line)])
    curved = Pieces([q for q in export if isinstance(q, Arc)])
    rounds = [q for q in export if isinstance(q, Circle)]
    circles = [p for p in truth if isinstance(p, Circle) and p.r >= CIRCLE_MIN_R]
    lines = [p for p in truth if isinstance(p, Line) and length(p) >= LINE_MIN]
    arcs = [p for p in truth if isinstance(p, Arc) and p.r >= ARC_MIN_R and p.sweep >= ARC_MIN_SWEEP]
    return {
        "to_export": to_export, "to_truth": to_truth, "dx": dx, "dy": dy,
        "truth_prims": len(truth), "export_prims": len(export) + other,
        "circles": (sum(circle_recovered(p, rounds) for p in circles), len(circles)),
        "lines": (sum(line_recovered(p, straight.near(p), line_angle) for p in lines), len(lines)),
        "arcs": (sum(arc_recovered(p, curved.near(p)) for p in arcs), len(arcs)),
    }


def pooled(scores):
    """The figures of many drawings together."""
    cat = lambda k: np.concatenate([s[k] for s in scores]) if scores else np.zeros(0)
    to_export, to_truth = cat("to_export"), cat("to_truth")
    share = lambda d: float(np.mean(d <= NEAR)) if len(d) else 0.0
    p95 = lambda d: float(np.percentile(d, 95)) if len(d) else math.inf
    median = lambda d: float(np.median(d)) if len(d) else 0.0
    total = lambda k: tuple(map(sum, zip(*[s[k] for s in scores]))) if scores else (0, 0)
    return {
        "drawings": len(scores), "recall": share(to_export), "precision": share(to_truth),
        "p95_recall": p95(to_export), "p95_precision": p95(to_truth),
        "economy": sum(s["export_prims"] for s in scores) / max(1, sum(s["truth_prims"] for s in scores)),
        "circles": total("circles"), "lines": total("lines"), "arcs": total("arcs"),
        "offset": (median(cat("dx")), median(cat("dy"))),
    }


def ratio(pair):
    return pair[0] / pair[1] if pair[1] else 1.0


def failed_goals(figures, goals):
    """The goals figures miss, as readable text."""
    misses = []
    for name, goal in goals.items():
        if name in ("circles", "lines", "arcs", "recall", "precision"):
            value = ratio(figures[name]) if name in ("circles", "lines", "arcs") else figures[name]
            if value < goal:
                misses.append(f"{name} {value:.3f} < {goal}")
        elif name == "economy" and figures["economy"] > goal:
            misses.append(f"economy {figures['economy']:.3f} > {goal}")
        elif name == "p95":
            worst = max(figures["p95_recall"], figures["p95_precision"])
            if worst > goal:
                misses.append(f"p95 {worst:.3f} mm > {goal} mm")
    return misses


# --------------------------------------------------------------------- runs

def seed_of(path, variant):
    return zlib.crc32(f"{os.path.relpath(path, LIBRARY)}:{variant}".encode())


def name_of(path):
    return os.path.splitext(os.path.relpath(path, LIBRARY))[0].replace(os.sep, "__").replace(" ", "_")


def trace(a, picture, out, deskew=False):
    """Runs lintra-batch on picture, with --deskew when asked; the seconds it took."""
    command = [a.bin, "--units", "mm", *(["--deskew"] if deskew else []), *shlex.split(a.batch_options),
               picture, *shlex.split(a.steps), "cad=" + out]
    start = time.perf_counter()
    done = subprocess.run(command, capture_output=True, text=True)
    seconds = time.perf_counter() - start
    if done.returncode != 0 or not os.path.exists(out):
        raise RuntimeError(f"{shlex.join(command)} failed ({done.returncode}): {done.stderr.strip()}")
    return seconds


def overlay(grey, truth, export, path):
    """The picture faded, the drawing in green and the export in red."""
    rgb = np.repeat((128 + grey[:, :, None] // 2).astype(np.uint8), 3, axis=2)
    height = grey.shape[0]
    for prims, colour in ((truth, (0, 170, 0)), (export, (220, 0, 0))):
        pts = np.rint(sample_all(prims, PX / 3) / PX).astype(int)
        ok = (pts[:, 0] >= 0) & (pts[:, 0] < grey.shape[1]) & (pts[:, 1] >= 0) & (pts[:, 1] < height)
        rgb[height - 1 - pts[ok, 1], pts[ok, 0]] = colour
    Image.fromarray(rgb).save(path)


def run_one(a, path, variant):
    """Renders, traces and scores one drawing in one variant."""
    truth, size = load(path)
    name = name_of(path)
    grey = render(truth, size, variant, seed_of(path, variant))
    picture = os.path.join(a.work, f"{name}.{variant}.bmp")
    out = os.path.join(a.work, f"{name}.{variant}.dxf")
    save_picture(grey, picture)
    try:
        seconds = trace(a, picture, out, deskew=variant in TURNED)
        export, other = read_export(out)
        failure = ""
    except (RuntimeError, IOError, ezdxf.DXFError) as error:  # scored as an empty export
        seconds, export, other, failure = 0.0, [], 0, str(error)
    result = score(truth, export, other, TURNED_LINE_ANGLE if variant in TURNED else LINE_ANGLE)
    result.update(name=name, variant=variant, seconds=seconds, other=other, failure=failure)
    if a.save_pictures and a.save_pictures in name:
        overlay(grey, truth, export, os.path.join(a.work, f"{name}.{variant}.overlay.png"))
    return result


def candidates(folders):
    """The DXF files of the folders, sorted, taken in turn from each folder."""
    lists = []
    for folder in folders:
        found = sorted(os.path.join(d, f) for d, _, files in os.walk(os.path.join(LIBRARY, folder))
                       for f in files if f.lower().endswith(".dxf"))
        lists.append(found)
    out = []
    for i in range(max(map(len, lists), default=0)):
        out.extend(found[i] for found in lists if i < len(found))
    return out


def select(folders, limit):
    """The first limit drawings that can be scored, and the reasons the
    ones passed over were."""
    kept, skipped = [], collections.Counter()
    for path in candidates(folders):
        if limit and len(kept) >= limit:
            break
        try:
            load(path)
            kept.append(path)
        except Unsupported as why:
            skipped[str(why).split(":")[0]] += 1
    return kept, skipped


def percent(pair):
    return f"{ratio(pair):.0%} ({pair[0]}/{pair[1]})" if pair[1] else "– (0/0)"


def table(rows):
    """rows: (variant, figures, seconds)."""
    out = ["| variant | drawings | recall | precision | p95 drawing→export | p95 export→drawing | "
           "economy | circles | lines | arcs | offset x, y | trace time |",
           "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for variant, f, seconds in rows:
        out.append(f"| {variant} | {f['drawings']} | {f['recall']:.2%} | {f['precision']:.2%} | "
                   f"{f['p95_recall']:.3f} mm | {f['p95_precision']:.3f} mm | {f['economy']:.2f} | "
                   f"{percent(f['circles'])} | {percent(f['lines'])} | {percent(f['arcs'])} | "
                   f"{f['offset'][0]:+.3f}, {f['offset'][1]:+.3f} mm | {seconds:.1f} s |")
    return "\n".join(out)


def per_drawing_line(r):
    f = pooled([r])
    return (f"{r['variant']:9} {r['name']:60} recall {f['recall']:.3f} precision {f['precision']:.3f} "
            f"p95 {f['p95_recall']:.3f}/{f['p95_precision']:.3f} economy {r['export_prims']}/{r['truth_prims']} "
            f"circles {r['circles'][0]}/{r['circles'][1]} lines {r['lines'][0]}/{r['lines'][1]} "
            f"arcs {r['arcs'][0]}/{r['arcs'][1]} {r['seconds']:.2f} s" + (f" other {r['other']}" if r['other'] else ""))


def write_doc(path, text):
    with open(path, encoding="utf-8") as f:
        old = f.read()
    section = f"{BEGIN}\n{text}\n{END}"
    if BEGIN in old and END in old:
        new = re.sub(re.escape(BEGIN) + ".*?" + re.escape(END), lambda _: section, old, flags=re.S)
    else:
        new = old.rstrip("\n") + "\n\n## Drawing recovery\n\n" + section + "\n"
    with open(path, "w", encoding="utf-8") as f:
        f.write(new)


def goals_of(a):
    """The goals per checked variant, the defaults overridden by --goal."""
    out = {}
    for variant in filter(None, a.goals.split(",")):
        out[variant] = dict(GOALS.get(variant, {}))
        for item in a.goal:
            key, value = item.split("=", 1)
            out[variant][key] = float(value)
    return out


def parse(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", default=os.path.join(here, "..", "build", "bin", "lintra-batch"),
                        help="lintra-batch to run")
    parser.add_argument("--folders", default=",".join(FOLDERS))
    parser.add_argument("--limit", type=int, default=0, help="drawings kept (0: all)")
    parser.add_argument("--variants", default="clean,scanlike")
    parser.add_argument("--steps", default=DEFAULT_STEPS)
    parser.add_argument("--batch-options", default="", help='more lintra-batch options, "--tolerance 2"')
    parser.add_argument("--work", help="where pictures and exports are kept (default: a temporary folder)")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--doc", help="the Markdown file whose drawing recovery section is replaced")
    parser.add_argument("--goals", default="", help="variants whose goals must be met (exit 1 otherwise)")
    parser.add_argument("--goal", action="append", default=[], help="NAME=VALUE, overriding a goal")
    parser.add_argument("--per-drawing", action="store_true")
    parser.add_argument("--save-pictures", metavar="NAME", help="overlays of the drawings whose name holds NAME")
    return parser.parse_args(argv)


def main(argv=None):
    a = parse(argv)
    if not os.access(a.bin, os.X_OK):
        print(f"cad_recovery: no lintra-batch at {a.bin}", file=sys.stderr)
        return 2
    if not os.path.isdir(LIBRARY):
        print(f"cad_recovery: no drawings at {LIBRARY} (Debian's librecad-data)", file=sys.stderr)
        return 77
    temporary = None
    if not a.work:
        temporary = tempfile.TemporaryDirectory(prefix="cad_recovery.")
        a.work = temporary.name
    os.makedirs(a.work, exist_ok=True)
    folders = a.folders.split(",")
    variants = a.variants.split(",")
    paths, skipped = select(folders, a.limit)
    why = ", ".join(f"{n} {k}" for k, n in skipped.most_common())
    print(f"{len(paths)} drawings of {','.join(folders)}; passed over {sum(skipped.values())}"
          + (f" ({why})" if why else ""))
    results = []
    with concurrent.futures.ProcessPoolExecutor(max(1, a.jobs)) as pool:
        futures = [pool.submit(run_one, a, p, v) for v in variants for p in paths]
        for future in futures:
            results.append(future.result())
            if a.per_drawing:
                print(per_drawing_line(results[-1]), flush=True)
            if results[-1]["failure"]:
                print(f"cad_recovery: {results[-1]['failure']}", file=sys.stderr)
    rows = []
    for variant in variants:
        mine = [r for r in results if r["variant"] == variant]
        rows.append((variant, pooled(mine), sum(r["seconds"] for r in mine)))
    text = (f"`bench/cad_recovery.py`: {len(paths)} drawings of the LibreCAD library ({', '.join(folders)}), "
            f"{PAPER:.0f} mm across at {DPI} dpi, {PEN} mm pen; `lintra-batch --units mm"
            f"{' ' + a.batch_options if a.batch_options else ''} PICTURE {a.steps} cad=`.\n\n{table(rows)}")
    status, verdicts = 0, []
    for variant, goals in goals_of(a).items():
        figures = next((f for v, f, _ in rows if v == variant), None)
        misses = failed_goals(figures, goals) if figures else [f"{variant} was not run"]
        verdicts.append(f"{variant}: " + ("goals met" if not misses else "goals NOT met, " + "; ".join(misses)))
        status = status or (1 if misses else 0)
    if verdicts:
        text += "\n\n" + "\n".join(f"- {v}" for v in verdicts)
    print(text)
    if a.doc:
        write_doc(a.doc, text)
    return status


if __name__ == "__main__":
    sys.exit(main())
