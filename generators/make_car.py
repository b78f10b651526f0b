#!/usr/bin/python3
"""Builds the demo's car, a low rear-engined sports coupe, as media/data/porsche.obj and porsche.mtl.

Usage: generators/make_car.py [output-dir]   (default: media/data/ in the repository)

The model is made in metres with its front along +Z, centred on the origin on every axis, and
sized so that after fitting into the unit cube (length 2) it stands 0.6 high: its tyres then touch
the road at Y -0.3. The body is one lofted surface (stations along Z, a closed cross-section ring at
each), so its vertices are shared and the reader's smoothed normals (crease angle 90) shade it
softly; the glass is cut out of the same surface. Wheels, lights and trim are separate closed parts.
The script checks its own output (no degenerate or unused geometry, outward winding, proportions)
and stops with a message when a check fails.
"""
import math
import os
import sys

# ---------------------------------------------------------------------------------------------
# Materials, in the MTL dialect the model library reads: Ka/Kd/Ks colours, Ns on a 0-1000 scale.

MATERIALS = [
    # name, Ka, Kd, Ks, Ns, comment
    ("paint", (0.60, 0.04, 0.03), (0.80, 0.05, 0.04), (0.95, 0.95, 0.95), 600, "glossy red lacquer"),
    ("glass", (0.06, 0.08, 0.11), (0.10, 0.13, 0.18), (1.00, 1.00, 1.00), 900, "tinted window glass"),
    ("rubber", (0.06, 0.06, 0.06), (0.07, 0.07, 0.07), (0.12, 0.12, 0.12), 40, "tyres"),
    ("chrome", (0.70, 0.70, 0.72), (0.80, 0.80, 0.83), (1.00, 1.00, 1.00), 800, "wheel rims, exhaust"),
    ("trim", (0.03, 0.03, 0.03), (0.05, 0.05, 0.05), (0.30, 0.30, 0.30), 100, "black plastic"),
    ("shadow", (0.02, 0.02, 0.02), (0.02, 0.02, 0.02), (0.00, 0.00, 0.00), 10, "deep recesses, never shiny"),
    ("headlight", (1.00, 1.00, 0.90), (1.00, 1.00, 0.92), (1.00, 1.00, 1.00), 700, "head lamps"),
    ("taillight", (1.00, 0.12, 0.06), (1.00, 0.16, 0.08), (1.00, 0.70, 0.60), 600, "rear lamps"),
]

# Group name -> material. Each group is written once, in this order.
GROUPS = [("body", "paint"), ("glass", "glass"), ("mirrors", "paint"), ("tyres", "rubber"),
          ("rims", "chrome"), ("wheel_shadow", "shadow"), ("trim", "trim"), ("exhaust", "chrome"),
          ("headlights", "headlight"), ("taillights", "taillight")]

# ---------------------------------------------------------------------------------------------
# Proportions (metres). The roof height follows from the length so the fitted height is 0.6.

FRONT_Z = 2.20
REAR_Z = -2.20
LIP = 0.03                     # the rounded end of the body beyond FRONT_Z / REAR_Z
EXHAUST_END = REAR_Z - 0.07
LENGTH = FRONT_Z + LIP - EXHAUST_END
ROOF = 0.30 * LENGTH           # height of the roof above the road
WHEEL_RADIUS = 0.34
RIM_RADIUS = 0.23
FRONT_AXLE = 1.27
REAR_AXLE = -1.16
FLOOR = 0.16


class Mesh:
    """Vertices (1-based in the file) and triangles per group."""

    def __init__(self):
        self.vertices = []
        self.faces = {name: [] for name, _ in GROUPS}
        self.parts = []            # (name, closed, triangles) for the orientation check

    def part(self, name, closed=True):
        self.parts.append((name, closed, []))

    def vertex(self, p):
        self.vertices.append(tuple(float(c) for c in p))
        return len(self.vertices)

    def triangle(self, group, a, b, c):
        self.faces[group].append((a, b, c))
        self.parts[-1][2].append((a, b, c))

    def quad(self, group, a, b, c, d):
        """a, b, c, d counter-clockwise seen from outside."""
        self.triangle(group, a, b, c)
        self.triangle(group, a, c, d)


# ---------------------------------------------------------------------------------------------
# Profile curves: smooth interpolation through control points (Catmull-Rom, clamped at the ends).


def curve(points):
    zs = [p[0] for p in points]
    vs = [p[1] for p in points]

    def tangent(i):
        lo = max(i - 1, 0)
        hi = min(i + 1, len(zs) - 1)
        return (vs[hi] - vs[lo]) / (zs[hi] - zs[lo])

    def value(z):
        if z <= zs[0]:
            return vs[0]
        if z >= zs[-1]:
            return vs[-1]
        i = max(k for k in range(len(zs) - 1) if zs[k] <= z)
        h = zs[i + 1] - zs[i]
        t = (z - zs[i]) / h
        h00 = 2 * t ** 3 - 3 * t ** 2 + 1
        h10 = t ** 3 - 2 * t ** 2 + t
        h01 = -2 * t ** 3 + 3 * t ** 2
        h11 = t ** 3 - t ** 2
        return h00 * vs[i] + h10 * h * tangent(i) + h01 * vs[i + 1] + h11 * h * tangent(i + 1)
    return value


# Height of the body's shoulder line (top of the wings) along the car, rear to front.
belt_height = curve([(-2.20, 0.80), (-2.00, 0.86), (-1.50, 0.90), (-1.16, 0.92), (-0.50, 0.90),
                     (0.00, 0.87), (0.65, 0.85), (1.27, 0.86), (1.80, 0.80), (2.05, 0.70), (2.20, 0.58)])
# Half the body's width at its widest, with flared rear wings.
half_width = curve([(-2.20, 0.74), (-2.00, 0.84), (-1.50, 0.90), (-1.16, 0.92), (-0.60, 0.88),
                    (0.00, 0.86), (0.60, 0.86), (1.27, 0.87), (1.80, 0.83), (2.05, 0.74), (2.20, 0.62)])
# Height of the centre line: engine lid, fastback, roof, windscreen, bonnet.
centre_height = curve([(-2.20, 0.82), (-2.00, 0.88), (-1.60, 0.93), (-1.30, 0.99), (-0.90, ROOF - 0.20),
                       (-0.45, ROOF - 0.035), (-0.20, ROOF), (0.00, ROOF - 0.01), (0.30, ROOF - 0.14),
                       (0.65, 0.88), (0.90, 0.80), (1.50, 0.76), (2.00, 0.66), (2.20, 0.56)])
# The floor rises into the bumpers at both ends.
floor_height = curve([(-2.20, 0.38), (-1.98, 0.24), (-1.75, FLOOR), (1.75, FLOOR), (1.98, 0.20), (2.20, 0.32)])

ARCHES = [(FRONT_AXLE, 0.44, 0.52), (REAR_AXLE, 0.46, 0.53)]   # centre z, half length, rise


def sill_height(z):
    """Lower edge of the body side: the floor line, cut away in a half ellipse over each wheel."""
    base = max(floor_height(z), FLOOR + 0.02)
    for centre, half, rise in ARCHES:
        d = (z - centre) / half
        if abs(d) < 1:
            base = max(base, FLOOR + 0.02 + rise * math.sqrt(1 - d * d))
    return base


# Cross-section ring: the right half from the bottom centre up to the top centre. The greenhouse
# (windows and roof) grows out of the same ring where the centre line rises above the shoulder.
SIDE_STEPS = [0.15, 0.55, 1.0]      # side window, from the shoulder up to the roof edge
ROOF_STEPS = [0.8, 0.55, 0.28, 0.0]  # roof, from the roof edge to the centre
RING_BELT = 7                       # index of the shoulder point in the half ring


def end_tuck(z):
    """0 between the axles, rising to 1 at the bumpers, where the lower corners wrap inwards."""
    t = max(min(max((-1.66 - z) / 0.45, (z - 1.75) / 0.4), 1.0), 0.0)
    return t * t * (3 - 2 * t)


def half_ring(z):
    ys = floor_height(z)
    side_low = sill_height(z)
    xw = half_width(z)
    yb = belt_height(z)
    xb = xw - 0.05
    span = yb - side_low
    tuck = end_tuck(z)
    points = [(0.0, ys), (0.48, ys), (0.50, side_low), (max(xw - 0.04 - 0.2 * tuck, 0.56), side_low),
              (xw - 0.1 * tuck, side_low + 0.15 * span), (xw + 0.01, side_low + 0.55 * span),
              (xw - 0.01, side_low + 0.88 * span), (xb, yb)]
    top = centre_height(z)
    roof_edge = max(yb + 0.015, top - 0.05)
    cabin = min(max((roof_edge - yb) / 0.4, 0.0), 1.0)
    xr = xb - 0.06 - 0.18 * cabin
    for s in SIDE_STEPS:
        points.append((xb + (xr - xb) * s, yb + (roof_edge - yb) * s))
    for f in ROOF_STEPS:
        points.append((xr * f, roof_edge + (top - roof_edge) * (1 - f * f)))
    return points


def full_ring(z, scale=1.0):
    """Closed ring at z: right half bottom to top, then the left half back down, centre points once."""
    right = half_ring(z)
    ring = right + [(-x, y) for x, y in reversed(right[1:-1])]
    if scale != 1.0:
        cy = sum(y for _, y in ring) / len(ring)
        ring = [(x * scale, cy + (y - cy) * scale) for x, y in ring]
    return [(x, y, z) for x, y in ring]


def stations():
    zs = {REAR_Z + (FRONT_Z - REAR_Z) * i / 29 for i in range(30)}
    for centre, half, _ in ARCHES:                # dense over the arches, where the sill curves fast
        for k in range(9):
            zs.add(centre + half * math.cos(math.pi * k / 8))
    zs = sorted(round(z, 4) for z in zs if REAR_Z - 1e-6 <= z <= FRONT_Z + 1e-6)
    merged = [zs[0]]
    for z in zs[1:]:
        if z - merged[-1] > 0.02:     # an arch station next to a regular one: keep one of them
            merged.append(z)
    return merged


def glass_segment(z, segment):
    """Whether the ring segment starting at right-half index `segment` is glass at station gap z."""
    side = RING_BELT + 1 <= segment <= RING_BELT + 2           # side window band
    roof = RING_BELT + 4 <= segment <= RING_BELT + 6           # between the roof rails
    top = centre_height(z)
    cabin = top - 0.05 - belt_height(z)
    if side:
        quarter_pillar = -0.34 < z < -0.28
        return cabin > 0.12 and -0.95 < z < 0.52 and not quarter_pillar
    if roof:
        windscreen = 0.03 < z < 0.62
        rear_window = -1.22 < z < -0.50
        return windscreen or rear_window
    return False


def build_body(mesh):
    mesh.part("body")
    zs = stations()
    half = len(half_ring(0.0))
    rings = [full_ring(REAR_Z - LIP, 0.93)] + [full_ring(z) for z in zs] + [full_ring(FRONT_Z + LIP, 0.93)]
    count = len(rings[0])
    ids = [[mesh.vertex(p) for p in ring] for ring in rings]
    for k in range(len(rings) - 1):
        zmid = 0.5 * (rings[k][0][2] + rings[k + 1][0][2])
        for i in range(count):
            j = (i + 1) % count
            segment = i if i < half - 1 else count - i - 1   # mirror index for the left half
            group = "glass" if glass_segment(zmid, segment) else "body"
            mesh.quad(group, ids[k][i], ids[k][j], ids[k + 1][j], ids[k + 1][i])
    for ring_ids, ring, facing_front in ((ids[0], rings[0], False), (ids[-1], rings[-1], True)):
        cy = sum(p[1] for p in ring) / count
        centre = mesh.vertex((0.0, cy, ring[0][2]))
        for i in range(count):
            j = (i + 1) % count
            if facing_front:
                mesh.triangle("body", centre, ring_ids[i], ring_ids[j])
            else:
                mesh.triangle("body", centre, ring_ids[j], ring_ids[i])


def surface_height(z, x):
    """Height of the body's upper surface at (x, z), from the ring's upper half."""
    upper = half_ring(z)[RING_BELT:]
    for (x0, y0), (x1, y1) in zip(upper, upper[1:]):
        if x1 <= x <= x0:
            t = (x0 - x) / (x0 - x1)
            return y0 + (y1 - y0) * t
    raise ValueError(f"no body surface at x {x}")


# ---------------------------------------------------------------------------------------------
# Closed primitives: ellipsoids, boxes with hard edges, lathed (turned) solids.


def ellipsoid(mesh, group, centre, radii, slices=14, stacks=8):
    mesh.part(group)
    cx, cy, cz = centre
    rx, ry, rz = radii
    top = mesh.vertex((cx, cy + ry, cz))
    bottom = mesh.vertex((cx, cy - ry, cz))
    rows = []
    for i in range(1, stacks):
        polar = math.pi * i / stacks
        row = []
        for j in range(slices):
            around = 2 * math.pi * j / slices
            row.append(mesh.vertex((cx + rx * math.sin(polar) * math.cos(around), cy + ry * math.cos(polar),
                                    cz + rz * math.sin(polar) * math.sin(around))))
        rows.append(row)
    for j in range(slices):
        k = (j + 1) % slices
        mesh.triangle(group, top, rows[0][k], rows[0][j])
        mesh.triangle(group, bottom, rows[-1][j], rows[-1][k])
        for i in range(len(rows) - 1):
            mesh.quad(group, rows[i][j], rows[i][k], rows[i + 1][k], rows[i + 1][j])


def box(mesh, group, lo, hi):
    """An axis-aligned box; every face has its own corners so its edges stay sharp."""
    mesh.part(group)
    x0, y0, z0 = lo
    x1, y1, z1 = hi
    faces = [
        [(x1, y0, z0), (x1, y1, z0), (x1, y1, z1), (x1, y0, z1)],   # +x
        [(x0, y0, z1), (x0, y1, z1), (x0, y1, z0), (x0, y0, z0)],   # -x
        [(x0, y1, z0), (x0, y1, z1), (x1, y1, z1), (x1, y1, z0)],   # +y
        [(x0, y0, z1), (x0, y0, z0), (x1, y0, z0), (x1, y0, z1)],   # -y
        [(x1, y0, z1), (x1, y1, z1), (x0, y1, z1), (x0, y0, z1)],   # +z
        [(x0, y0, z0), (x0, y1, z0), (x1, y1, z0), (x1, y0, z0)],   # -z
    ]
    for face in faces:
        mesh.quad(group, *[mesh.vertex(p) for p in face])


def wheel_point(centre, outward, radius, depth, angle):
    """A point of a wheel: `depth` inward from its outer face, at `radius` and `angle` about the axle."""
    cx, cy, cz = centre
    return (cx - outward * depth, cy + radius * math.cos(angle), cz + radius * math.sin(angle))


def lathe(mesh, group, centre, outward, profile, segments, closed):
    """Turns a (radius, depth) profile about the wheel's axle. The profile runs so that the surface
    faces outward; a closed profile joins its last point back to its first."""
    rows = [[mesh.vertex(wheel_point(centre, outward, r, d, 2 * math.pi * k / segments))
             for k in range(segments)] for r, d in profile]
    pairs = list(zip(range(len(rows) - 1), range(1, len(rows))))
    if closed:
        pairs.append((len(rows) - 1, 0))
    for a, b in pairs:
        for k in range(segments):
            n = (k + 1) % segments
            quad = [rows[a][k], rows[b][k], rows[b][n], rows[a][n]]
            if outward < 0:
                quad.reverse()
            mesh.quad(group, *quad)


TYRE_SEGMENTS = 24


def tyre(mesh, centre, outward, width):
    r = WHEEL_RADIUS
    inner = RIM_RADIUS - 0.005
    mesh.part("tyre")
    profile = [(inner, 0.015), (0.27, 0.0), (0.315, 0.008), (r - 0.004, 0.03), (r, 0.07),
               (r, width - 0.07), (r - 0.004, width - 0.03), (0.315, width - 0.008), (0.27, width),
               (inner, width - 0.015)]
    lathe(mesh, "tyres", centre, outward, profile, TYRE_SEGMENTS, closed=True)


SPOKES = 5
RIM_SEGMENTS = 30


SPOKE_FACE = (0.075, 0.195)   # inner and outer radius of the spoke ring
POCKET_DEPTH = 0.11


def spoke_depth(r):
    """Depth of the spokes' face: dished slightly towards the lip."""
    inner, outer = SPOKE_FACE
    return 0.02 + 0.01 * (r - inner) / (outer - inner)


def is_spoke(segment):
    return segment % (RIM_SEGMENTS // SPOKES) < 2


def rim(mesh, centre, outward):
    """A five-spoke wheel: hub, spokes at the face, dark pockets between them, a polished lip."""
    mesh.part("rim", closed=False)
    hub = [(0.03, 0.004), (0.055, 0.012), (SPOKE_FACE[0], spoke_depth(SPOKE_FACE[0]))]
    lip = [(SPOKE_FACE[1], spoke_depth(SPOKE_FACE[1])), (0.215, 0.022), (RIM_RADIUS, 0.018),
           (RIM_RADIUS + 0.004, 0.05)]
    lathe(mesh, "rims", centre, outward, hub, RIM_SEGMENTS, closed=False)
    lathe(mesh, "rims", centre, outward, lip, RIM_SEGMENTS, closed=False)
    hub_cap(mesh, centre, outward, hub[0])
    for k in range(RIM_SEGMENTS):
        spoke_segment(mesh, centre, outward, k)


def hub_cap(mesh, centre, outward, edge):
    tip = mesh.vertex(wheel_point(centre, outward, 0.0, 0.0, 0.0))
    ring = [mesh.vertex(wheel_point(centre, outward, edge[0], edge[1], 2 * math.pi * k / RIM_SEGMENTS))
            for k in range(RIM_SEGMENTS)]
    for k in range(RIM_SEGMENTS):
        tri = [tip, ring[k], ring[(k + 1) % RIM_SEGMENTS]]
        if outward < 0:
            tri.reverse()
        mesh.triangle("rims", *tri)


def spoke_segment(mesh, centre, outward, k):
    """One angular segment of the spoke ring: a spoke at the face, or a dark pocket with walls."""
    inner, outer = SPOKE_FACE
    a0 = 2 * math.pi * k / RIM_SEGMENTS
    a1 = 2 * math.pi * (k + 1) / RIM_SEGMENTS
    if is_spoke(k):
        wheel_quad(mesh, "rims", centre, outward, [(inner, spoke_depth(inner), a0), (outer, spoke_depth(outer), a0),
                                                   (outer, spoke_depth(outer), a1), (inner, spoke_depth(inner), a1)])
    else:
        wheel_quad(mesh, "wheel_shadow", centre, outward, [(inner, POCKET_DEPTH, a0), (outer, POCKET_DEPTH, a0),
                                                           (outer, POCKET_DEPTH, a1), (inner, POCKET_DEPTH, a1)])
        wheel_quad(mesh, "rims", centre, outward, [(outer, spoke_depth(outer), a1), (outer, POCKET_DEPTH, a1),
                                                   (outer, POCKET_DEPTH, a0), (outer, spoke_depth(outer), a0)])
        wheel_quad(mesh, "rims", centre, outward, [(inner, POCKET_DEPTH, a1), (inner, spoke_depth(inner), a1),
                                                   (inner, spoke_depth(inner), a0), (inner, POCKET_DEPTH, a0)])
    if is_spoke(k) != is_spoke(k - 1):
        # The side wall between a spoke and a pocket, facing into the pocket.
        corners = [(inner, spoke_depth(inner), a0), (inner, POCKET_DEPTH, a0),
                   (outer, POCKET_DEPTH, a0), (outer, spoke_depth(outer), a0)]
        if not is_spoke(k):
            corners.reverse()
        wheel_quad(mesh, "rims", centre, outward, corners)


def wheel_quad(mesh, group, centre, outward, corners):
    ids = [mesh.vertex(wheel_point(centre, outward, r, d, a)) for r, d, a in corners]
    if outward < 0:
        ids.reverse()
    mesh.quad(group, *ids)


def build_wheels(mesh):
    for axle, width in ((FRONT_AXLE, 0.24), (REAR_AXLE, 0.29)):
        face_x = half_width(axle) - 0.02
        for outward in (1, -1):
            centre = (outward * face_x, WHEEL_RADIUS, axle)
            tyre(mesh, centre, outward, width)
            rim(mesh, centre, outward)


def build_details(mesh):
    for side in (1, -1):
        # Round head lamps standing out of the front wings.
        x, z = side * 0.58, 1.86
        y = surface_height(z, abs(x))
        ellipsoid(mesh, "headlights", (x, y - 0.03, z), (0.10, 0.085, 0.13))
        # Door mirrors at the foot of the windscreen pillars.
        z = 0.50
        ellipsoid(mesh, "mirrors", (side * (half_width(z) + 0.01), belt_height(z) + 0.13, z),
                  (0.085, 0.05, 0.06), slices=10, stacks=6)
        # Tail lamps at the rear, either side of a red reflector band.
        box(mesh, "taillights", (side * 0.50 - 0.13, 0.64, REAR_Z - LIP - 0.008),
            (side * 0.50 + 0.13, 0.73, REAR_Z + 0.06))
        # Twin exhaust pipes under the rear bumper.
        exhaust_pipe(mesh, side * 0.28, 0.30)
    box(mesh, "taillights", (-0.40, 0.675, REAR_Z - LIP - 0.006), (0.40, 0.705, REAR_Z + 0.06))
    box(mesh, "trim", (-0.66, 0.615, REAR_Z - LIP - 0.003), (0.66, 0.755, REAR_Z + 0.05))   # rear lamp panel
    box(mesh, "trim", (-0.50, 0.34, FRONT_Z + LIP - 0.05), (0.50, 0.45, FRONT_Z + LIP + 0.003))
    box(mesh, "trim", (-0.56, 0.44, REAR_Z - LIP - 0.003), (0.56, 0.52, REAR_Z + 0.05))
    build_spoiler(mesh)
    build_engine_grille(mesh)


def build_spoiler(mesh):
    """A rear wing on two black struts standing on the engine lid."""
    box(mesh, "body", (-0.68, 0.975, -2.13), (0.68, 1.01, -1.86))
    box(mesh, "body", (-0.70, 0.94, -2.14), (-0.66, 1.02, -1.86))      # end plates
    box(mesh, "body", (0.66, 0.94, -2.14), (0.70, 1.02, -1.86))
    for x in (-0.4, 0.4):
        base = surface_height(-1.99, abs(x)) - 0.03
        box(mesh, "trim", (x - 0.025, base, -2.03), (x + 0.025, 0.976, -1.95))


def build_engine_grille(mesh):
    """Black slats on the engine lid, lying just above its surface."""
    mesh.part("grille", closed=False)
    steps = 6
    z0, z1 = -1.80, -1.42
    for k in range(7):
        x0 = -0.33 + 0.1 * k
        x1 = x0 + 0.05
        rows = []
        for i in range(steps + 1):
            z = z0 + (z1 - z0) * i / steps
            rows.append([mesh.vertex((x, surface_height(z, abs(x)) + 0.006, z)) for x in (x0, x1)])
        for i in range(steps):
            mesh.quad("trim", rows[i][0], rows[i + 1][0], rows[i + 1][1], rows[i][1])


def exhaust_pipe(mesh, x, y):
    """A closed pipe along Z: outer tube, rolled end, and a dark recessed bottom inside."""
    mesh.part("exhaust")
    segments = 16
    radius = 0.04
    z_in = REAR_Z + 0.12
    rings = []
    sections = [(z_in, radius), (EXHAUST_END, radius), (EXHAUST_END, radius - 0.008),
                (EXHAUST_END + 0.05, radius - 0.008)]
    for z, r in sections:
        rings.append([mesh.vertex((x + r * math.cos(2 * math.pi * k / segments),
                                   y + r * math.sin(2 * math.pi * k / segments), z)) for k in range(segments)])
    for a, b in zip(range(3), range(1, 4)):
        for k in range(segments):
            n = (k + 1) % segments
            mesh.quad("exhaust", rings[a][k], rings[b][k], rings[b][n], rings[a][n])
    back = mesh.vertex((x, y, EXHAUST_END + 0.05))
    front = mesh.vertex((x, y, z_in))
    for k in range(segments):
        n = (k + 1) % segments
        mesh.triangle("trim", back, rings[3][n], rings[3][k])
        mesh.triangle("exhaust", front, rings[0][k], rings[0][n])


# ---------------------------------------------------------------------------------------------
# Checks and output.


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def check(mesh):
    used = set()
    for group, faces in mesh.faces.items():
        if not faces:
            sys.exit(f"make_car: group {group} has no triangles")
        for face in faces:
            used.update(face)
            p = [mesh.vertices[i - 1] for i in face]
            n = cross(sub(p[1], p[0]), sub(p[2], p[0]))
            if math.sqrt(sum(c * c for c in n)) < 1e-9:
                sys.exit(f"make_car: degenerate triangle {face} in {group}")
    if len(used) != len(mesh.vertices):
        sys.exit(f"make_car: {len(mesh.vertices) - len(used)} vertices belong to no triangle")
    lo = [min(v[k] for v in mesh.vertices) for k in range(3)]
    hi = [max(v[k] for v in mesh.vertices) for k in range(3)]
    if any(abs(a + b) > 1e-6 for a, b in zip(lo, hi)):
        sys.exit("make_car: the bounding box is not centred on the origin")
    length = hi[2] - lo[2]
    if max(hi[0] - lo[0], hi[1] - lo[1]) >= length:
        sys.exit("make_car: the car is not longest along Z")
    if abs((hi[1] - lo[1]) / length - 0.3) > 0.003:
        sys.exit(f"make_car: height {hi[1] - lo[1]:.3f} is not 0.3 of the length {length:.3f}")
    for name, closed, faces in mesh.parts:
        if closed and signed_volume(mesh, faces) <= 0:
            sys.exit(f"make_car: a part '{name}' faces inward")


def signed_volume(mesh, faces):
    """Positive for a closed surface whose triangles run counter-clockwise seen from outside."""
    volume = 0.0
    for a, b, c in faces:
        pa, pb, pc = (mesh.vertices[i - 1] for i in (a, b, c))
        volume += sum(x * y for x, y in zip(pa, cross(pb, pc))) / 6.0
    return volume


def centre_on_origin(mesh):
    lo = [min(v[k] for v in mesh.vertices) for k in range(3)]
    hi = [max(v[k] for v in mesh.vertices) for k in range(3)]
    mid = [(a + b) / 2 for a, b in zip(lo, hi)]
    mesh.vertices = [tuple(v[k] - mid[k] for k in range(3)) for v in mesh.vertices]


def write_mtl(path):
    with open(path, "w") as out:
        out.write("# Materials of the demo's sports car, made by generators/make_car.py.\n")
        out.write("# Ka/Kd/Ks are ambient, diffuse and specular colours; Ns is the shininess (0-1000).\n")
        for name, ka, kd, ks, ns, comment in MATERIALS:
            out.write(f"\n# {comment}\nnewmtl {name}\n")
            for key, colour in (("Ka", ka), ("Kd", kd), ("Ks", ks)):
                out.write(f"{key} {colour[0]:.3f} {colour[1]:.3f} {colour[2]:.3f}\n")
            out.write(f"Ns {ns}\n")


def write_obj(path, mesh):
    triangles = sum(len(f) for f in mesh.faces.values())
    with open(path, "w") as out:
        out.write("# A low two-door sports coupe, made by generators/make_car.py.\n")
        out.write(f"# {len(mesh.vertices)} vertices, {triangles} triangles; front towards +Z, metres, "
                  "centred on the origin.\n")
        out.write("mtllib porsche.mtl\n\n")
        for x, y, z in mesh.vertices:
            out.write(f"v {x:.5f} {y:.5f} {z:.5f}\n")
        materials = dict(GROUPS)
        for group, faces in mesh.faces.items():
            out.write(f"\ng {group}\nusemtl {materials[group]}\n")
            for a, b, c in faces:
                out.write(f"f {a} {b} {c}\n")
    return triangles


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "media", "data")
    out_dir = sys.argv[1] if len(sys.argv) > 1 else root
    mesh = Mesh()
    build_body(mesh)
    build_wheels(mesh)
    build_details(mesh)
    centre_on_origin(mesh)
    check(mesh)
    os.makedirs(out_dir, exist_ok=True)
    write_mtl(os.path.join(out_dir, "porsche.mtl"))
    triangles = write_obj(os.path.join(out_dir, "porsche.obj"), mesh)
    print(f"porsche.obj: {len(mesh.vertices)} vertices, {triangles} triangles, {len(GROUPS)} groups, "
          f"{len(MATERIALS)} materials")


if __name__ == "__main__":
    main()
