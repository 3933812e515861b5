"""The clock room for `blender -b -P room.py -- TEXTURES OUT [--bake SAMPLES]`.

Builds the study (Blender metres, Z up; the clock face looks along -Y), keys the pendulum and
the ten camera paths, optionally bakes the light maps with Cycles into OUT/bake_*.npy, and
exports OUT/room.gltf with its images. Floor at z = -1.4 so that eye height 1.4 m is z = 0.
"""
import math
import os
import sys
import time

import bmesh
import bpy
from mathutils import Matrix, Quaternion, Vector

# paths.py sits beside this script; no bytecode cache left in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from paths import build_cameras  # noqa: E402

ARGS = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
TEX = os.path.abspath(ARGS[0]) if ARGS else "textures"
OUT = os.path.abspath(ARGS[1]) if len(ARGS) > 1 else "out"
BAKE_SAMPLES = int(ARGS[ARGS.index("--bake") + 1]) if "--bake" in ARGS else 0
# Exports the hands turned as the clock turns them at 3:00 (hour a quarter turn about Y, minute
# a quarter turn back): a check that the hour hand then points to 3 and the minute hand to 12.
THREE_OCLOCK = "--three-oclock" in ARGS
BAKE_SCALE = float(ARGS[ARGS.index("--bake-scale") + 1]) if "--bake-scale" in ARGS else 1.0

# Room extent in Blender metres.
X0, X1 = -2.5, 2.5
Y0, Y1 = -2.0, 2.0
Z0, Z1 = -1.4, 1.4
WAINSCOT_TOP = -0.5
# Window opening in the east wall (x = X1).
WIN_Y0, WIN_Y1 = -0.9, 0.3
WIN_Z0, WIN_Z1 = -0.42, 0.98
WALL_DEPTH = 0.16
# The clock stands against the north wall (y = Y1), its dial facing -Y.
CLOCK_X = 1.0
DIAL_Z = 0.24
DIAL_R = 0.16
DIAL_Y = 1.637

# Light map atlas of every baked object.
NOT_BAKED = ("Clock glass", "Door glass", "strelka_1big", "strelka_1min", "Lamp lamp",
             "pendulum")
ATLASES = {"lm_room.jpg": 1024, "lm_clock.jpg": 512, "lm_furniture.jpg": 1024}

materials = {}
atlas_of = {}


# ---------------------------------------------------------------------------------------------
# Materials

def image(name):
    img = bpy.data.images.get(name)
    if img is None:
        img = bpy.data.images.load(os.path.join(TEX, name))
        img.name = name
    return img


def material(name, texture, emission=0.0, roughness=0.6, metallic=0.0):
    if name in materials:
        return materials[name]
    mat = bpy.data.materials.new(name)
    mat.use_nodes = True
    nodes = mat.node_tree.nodes
    bsdf = nodes["Principled BSDF"]
    tex = nodes.new("ShaderNodeTexImage")
    tex.image = image(texture)
    uv = nodes.new("ShaderNodeUVMap")
    uv.uv_map = "UVMap"
    mat.node_tree.links.new(uv.outputs["UV"], tex.inputs["Vector"])
    mat.node_tree.links.new(tex.outputs["Color"], bsdf.inputs["Base Color"])
    bsdf.inputs["Roughness"].default_value = roughness
    bsdf.inputs["Metallic"].default_value = metallic
    bsdf.inputs["Specular"].default_value = 0.2
    if emission > 0:
        mat.node_tree.links.new(tex.outputs["Color"], bsdf.inputs["Emission"])
        bsdf.inputs["Emission Strength"].default_value = emission
    materials[name] = mat
    return mat


# ---------------------------------------------------------------------------------------------
# Geometry helpers: every part is a bmesh in world space with world-scaled texture coordinates.

class Part:
    def __init__(self):
        self.bm = bmesh.new()
        self.uv = self.bm.loops.layers.uv.new("UVMap")
        self.mats = []

    def mat_index(self, mat):
        if mat not in self.mats:
            self.mats.append(mat)
        return self.mats.index(mat)


def box_uv(faces, uv, tile, origin=(0.0, 0.0, 0.0)):
    """Projects each face along its dominant axis; one texture repeat per `tile` metres."""
    tu, tv = (tile, tile) if not isinstance(tile, tuple) else tile
    ox, oy, oz = origin
    for f in faces:
        n = f.normal
        ax = max(range(3), key=lambda i: abs(n[i]))
        for loop in f.loops:
            x, y, z = loop.vert.co
            if ax == 2:
                u, v = (x - ox), (y - oy) * (1 if n.z > 0 else -1)
            elif ax == 1:
                u, v = (x - ox) * (-1 if n.y > 0 else 1), (z - oz)
            else:
                u, v = (y - oy) * (1 if n.x > 0 else -1), (z - oz)
            loop[uv].uv = (u / tu, v / tv)


def dress(part, faces, mat, tile, origin=(0.0, 0.0, 0.0)):
    """Gives the faces the part's slot for `mat` and box-projected texture coordinates."""
    idx = part.mat_index(mat)
    for f in faces:
        f.material_index = idx
    box_uv(faces, part.uv, tile, origin)
    return faces


def add_box(part, lo, hi, mat, tile=0.5, origin=(0.0, 0.0, 0.0), skip=()):
    bm = part.bm
    res = bmesh.ops.create_cube(bm, size=1.0)
    verts = res["verts"]
    size = [hi[i] - lo[i] for i in range(3)]
    centre = [(hi[i] + lo[i]) / 2 for i in range(3)]
    for v in verts:
        v.co = Vector([v.co[i] * size[i] + centre[i] for i in range(3)])
    faces = list({f for v in verts for f in v.link_faces})
    bm.normal_update()
    drop = [f for f in faces if any(f.normal.dot(Vector(d)) > 0.9 for d in skip)]
    if drop:
        bmesh.ops.delete(bm, geom=drop, context="FACES_ONLY")
        faces = [f for f in faces if f not in drop]
    return dress(part, faces, mat, tile, origin)


def add_cylinder(part, centre, radius, depth, mat, segments=24, axis="Z", radius2=None,
                 tile=0.3, caps=True):
    bm = part.bm
    res = bmesh.ops.create_cone(bm, cap_ends=caps, cap_tris=False, segments=segments,
                                radius1=radius, radius2=radius if radius2 is None else radius2,
                                depth=depth)
    verts = res["verts"]
    rot = {"Z": Matrix.Identity(3), "X": Matrix.Rotation(math.pi / 2, 3, "Y"),
           "Y": Matrix.Rotation(math.pi / 2, 3, "X")}[axis]
    for v in verts:
        v.co = rot @ v.co + Vector(centre)
    faces = list({f for v in verts for f in v.link_faces})
    bm.normal_update()
    idx = part.mat_index(mat)
    for f in faces:
        f.material_index = idx
    # Wrap around the axis: u by angle, v along the axis.
    for f in faces:
        for loop in f.loops:
            p = rot.inverted() @ (loop.vert.co - Vector(centre))
            if abs(f.normal.dot(rot @ Vector((0, 0, 1)))) > 0.9:
                loop[part.uv].uv = (p.x / tile, p.y / tile)
            else:
                loop[part.uv].uv = ((math.atan2(p.y, p.x) / (2 * math.pi) + 0.5) * 2 * math.pi *
                                    radius / tile, p.z / tile)
    return faces


def add_sphere(part, centre, radius, mat, segments=16, rings=10):
    bm = part.bm
    res = bmesh.ops.create_uvsphere(bm, u_segments=segments, v_segments=rings, radius=radius)
    verts = res["verts"]
    for v in verts:
        v.co += Vector(centre)
    faces = list({f for v in verts for f in v.link_faces})
    bm.normal_update()
    return dress(part, faces, mat, 0.1)


def add_quad(part, corners, uvs, mat):
    bm = part.bm
    verts = [bm.verts.new(c) for c in corners]
    f = bm.faces.new(verts)
    f.material_index = part.mat_index(mat)
    for loop, uv in zip(f.loops, uvs):
        loop[part.uv].uv = uv
    bm.normal_update()
    return f


def add_prism(part, outline, y_front, y_back, mat, centre):
    """A flat plate whose outline lies in the XZ plane (around `centre`), from y_back to y_front."""
    bm = part.bm
    cx, cz = centre
    front = [bm.verts.new((cx + x, y_front, cz + z)) for x, z in outline]
    back = [bm.verts.new((cx + x, y_back, cz + z)) for x, z in outline]
    faces = []
    # Outline counter-clockwise seen from -Y: the front face looks along -Y.
    faces.append(bm.faces.new(front))
    faces.append(bm.faces.new(list(reversed(back))))
    n = len(outline)
    for i in range(n):
        j = (i + 1) % n
        faces.append(bm.faces.new([front[j], front[i], back[i], back[j]]))
    bmesh.ops.recalc_face_normals(bm, faces=faces)
    bm.normal_update()
    return dress(part, faces, mat, 0.05)


def normal_uv(part, faces, squeeze=0.92, flat=0.0):
    """Texture coordinates from the surface's smooth normal (u, v = 0.5 + 0.5 * its x and z,
    seen from the front): a picture of a polished ball then lays its gleam and highlight over
    any rounded part as the same light would. Flat faces take the corners' averaged normals,
    leaning towards their own by `flat`, so a plate reads as gently cushioned rather than one
    flat tone, without a hot spot in its middle."""
    part.bm.normal_update()
    for f in faces:
        for loop in f.loops:
            n = (loop.vert.normal + f.normal * flat).normalized()
            loop[part.uv].uv = (0.5 + 0.5 * squeeze * n.x, 0.5 + 0.5 * squeeze * n.z)


def scale_faces(part, faces, centre, scale):
    verts = {v for f in faces for v in f.verts}
    c = Vector(centre)
    for v in verts:
        d = v.co - c
        v.co = c + Vector((d.x * scale[0], d.y * scale[1], d.z * scale[2]))
    part.bm.normal_update()


def add_ring(part, outer, inner, y_front, y_back, mat, centre, segments=24):
    """A flat pierced ring in the XZ plane round `centre`, its front looking along -Y."""
    bm = part.bm
    cx, cz = centre
    rings = []
    for r, y in ((outer, y_front), (inner, y_front), (inner, y_back), (outer, y_back)):
        rings.append([bm.verts.new((cx + r * math.cos(2 * math.pi * i / segments), y,
                                    cz + r * math.sin(2 * math.pi * i / segments)))
                      for i in range(segments)])
    faces = []
    for a, b in ((0, 1), (1, 2), (2, 3), (3, 0)):
        for i in range(segments):
            j = (i + 1) % segments
            faces.append(bm.faces.new([rings[a][i], rings[a][j], rings[b][j], rings[b][i]]))
    bmesh.ops.recalc_face_normals(bm, faces=faces)
    bm.normal_update()
    # Front faces must look along -Y, the ring's walls outwards and into the hole.
    return dress(part, faces, mat, 0.05)


def finish(part, name, atlas=None, parent=None, origin=(0.0, 0.0, 0.0)):
    bm = part.bm
    bmesh.ops.remove_doubles(bm, verts=bm.verts, dist=1e-5)
    bm.normal_update()
    mesh = bpy.data.meshes.new(name)
    if origin != (0.0, 0.0, 0.0):
        bmesh.ops.translate(bm, verts=bm.verts, vec=-Vector(origin))
    bm.to_mesh(mesh)
    bm.free()
    for m in part.mats:
        mesh.materials.append(m)
    if atlas:
        mesh.uv_layers.new(name="lightmap")
    obj = bpy.data.objects.new(name, mesh)
    bpy.context.scene.collection.objects.link(obj)
    obj.location = origin
    if parent is not None:
        obj.parent = parent
        obj.location = Vector(origin) - parent.location
    if atlas:
        obj["lightmap"] = atlas
        atlas_of[name] = atlas
    return obj


# ---------------------------------------------------------------------------------------------
# The room shell

def build_room():
    oak = material("oak_floor", "oak_floor.jpg", roughness=0.5)
    paper = material("damask", "damask.jpg", roughness=0.8)
    panel = material("wainscot", "wainscot.jpg", roughness=0.5)
    plaster = material("plaster", "plaster.jpg", roughness=0.9)
    trim = material("mahogany", "mahogany.jpg", roughness=0.4)

    floor = Part()
    add_quad(floor, [(X0, Y0, Z0), (X1, Y0, Z0), (X1, Y1, Z0), (X0, Y1, Z0)],
             [(X0 / 1.6, Y0 / 1.6), (X1 / 1.6, Y0 / 1.6), (X1 / 1.6, Y1 / 1.6),
              (X0 / 1.6, Y1 / 1.6)], oak)
    finish(floor, "floor", "lm_room.jpg")

    ceiling = Part()
    add_quad(ceiling, [(X0, Y0, Z1), (X0, Y1, Z1), (X1, Y1, Z1), (X1, Y0, Z1)],
             [(0, 0), (0, Y1 - Y0), (X1 - X0, Y1 - Y0), (X1 - X0, 0)], plaster)
    finish(ceiling, "ceiling", "lm_room.jpg")

    walls = Part()
    zw = WAINSCOT_TOP
    # Inward-facing wall quads above the wainscot; the east wall leaves the window opening.
    def wall(a, b, z0, z1):
        (ax, ay), (bx, by) = a, b
        length = math.hypot(bx - ax, by - ay)
        add_quad(walls, [(ax, ay, z0), (ax, ay, z1), (bx, by, z1), (bx, by, z0)],
                 [(length / 0.45, z0 / 0.45), (length / 0.45, z1 / 0.45), (0, z1 / 0.45),
                  (0, z0 / 0.45)], paper)
    wall((X1, Y1), (X0, Y1), zw, Z1)     # north
    wall((X0, Y0), (X1, Y0), zw, Z1)     # south
    wall((X0, Y1), (X0, Y0), zw, Z1)     # west
    wall((X1, Y0), (X1, WIN_Y0), zw, Z1)  # east, left of the window seen from inside
    wall((X1, WIN_Y1), (X1, Y1), zw, Z1)
    wall((X1, WIN_Y0), (X1, WIN_Y1), zw, WIN_Z0)
    wall((X1, WIN_Y0), (X1, WIN_Y1), WIN_Z1, Z1)
    # Window reveal: the wall's thickness round the opening.
    xo = X1 + WALL_DEPTH
    add_quad(walls, [(X1, WIN_Y0, WIN_Z0), (X1, WIN_Y0, WIN_Z1), (xo, WIN_Y0, WIN_Z1),
                     (xo, WIN_Y0, WIN_Z0)], [(0, 0), (0, 2), (0.25, 2), (0.25, 0)], plaster)
    add_quad(walls, [(X1, WIN_Y1, WIN_Z0), (xo, WIN_Y1, WIN_Z0), (xo, WIN_Y1, WIN_Z1),
                     (X1, WIN_Y1, WIN_Z1)], [(0, 0), (0.25, 0), (0.25, 2), (0, 2)], plaster)
    add_quad(walls, [(X1, WIN_Y0, WIN_Z1), (X1, WIN_Y1, WIN_Z1), (xo, WIN_Y1, WIN_Z1),
                     (xo, WIN_Y0, WIN_Z1)], [(0, 0), (2, 0), (2, 0.25), (0, 0.25)], plaster)
    finish(walls, "walls", "lm_room.jpg")

    wood = Part()
    d = 0.025
    o = (0.0, 0.0, Z0)
    # Wainscot panels, chair rail and skirting along the four walls.
    add_box(wood, (X0 + d, Y1 - d, Z0), (X1 - d, Y1, zw), panel, 0.9, o, skip=[(0, 1, 0)])
    add_box(wood, (X0 + d, Y0, Z0), (X1 - d, Y0 + d, zw), panel, 0.9, o, skip=[(0, -1, 0)])
    add_box(wood, (X0, Y0, Z0), (X0 + d, Y1, zw), panel, 0.9, o, skip=[(-1, 0, 0)])
    add_box(wood, (X1 - d, Y0, Z0), (X1, Y1, zw), panel, 0.9, o, skip=[(1, 0, 0)])
    r = 0.045
    for lo, hi, sk in (((X0 + r, Y1 - r, zw - 0.04), (X1 - r, Y1, zw + 0.015), (0, 1, 0)),
                       ((X0 + r, Y0, zw - 0.04), (X1 - r, Y0 + r, zw + 0.015), (0, -1, 0)),
                       ((X0, Y0, zw - 0.04), (X0 + r, Y1, zw + 0.015), (-1, 0, 0)),
                       ((X1 - r, Y0, zw - 0.04), (X1, Y1, zw + 0.015), (1, 0, 0))):
        add_box(wood, lo, hi, trim, 0.6, skip=[sk, (0, 0, -1)])
    s = 0.045
    for lo, hi, sk in (((X0 + s, Y1 - s, Z0), (X1 - s, Y1 - d, Z0 + 0.14), (0, 1, 0)),
                       ((X0 + s, Y0 + d, Z0), (X1 - s, Y0 + s, Z0 + 0.14), (0, -1, 0)),
                       ((X0 + d, Y0 + d, Z0), (X0 + s, Y1 - d, Z0 + 0.14), (-1, 0, 0)),
                       ((X1 - s, Y0 + d, Z0), (X1 - d, Y1 - d, Z0 + 0.14), (1, 0, 0))):
        add_box(wood, lo, hi, trim, 0.6, skip=[sk, (0, 0, -1)])
    # Cornice: two steps under the ceiling.
    for depth, z0 in ((0.05, Z1 - 0.16), (0.10, Z1 - 0.08)):
        for lo, hi, sk in (((X0 + depth, Y1 - depth, z0), (X1 - depth, Y1, Z1), (0, 1, 0)),
                           ((X0 + depth, Y0, z0), (X1 - depth, Y0 + depth, Z1), (0, -1, 0)),
                           ((X0, Y0, z0), (X0 + depth, Y1, Z1), (-1, 0, 0)),
                           ((X1 - depth, Y0, z0), (X1, Y1, Z1), (1, 0, 0))):
            add_box(wood, lo, hi, plaster, 0.5, skip=[sk, (0, 0, 1)])
    finish(wood, "wainscot", "lm_room.jpg")


def build_window():
    frame_mat = material("window_frame", "frame_paint.jpg", roughness=0.7)
    brass = material("brass", "brass.jpg", roughness=0.3, metallic=0.8)
    win = Part()
    xa, xb = X1 + 0.05, X1 + 0.10
    t = 0.06
    add_box(win, (xa, WIN_Y0, WIN_Z0), (xb, WIN_Y0 + t, WIN_Z1), frame_mat, 0.4)
    add_box(win, (xa, WIN_Y1 - t, WIN_Z0), (xb, WIN_Y1, WIN_Z1), frame_mat, 0.4)
    add_box(win, (xa, WIN_Y0 + t, WIN_Z0), (xb, WIN_Y1 - t, WIN_Z0 + t), frame_mat, 0.4)
    add_box(win, (xa, WIN_Y0 + t, WIN_Z1 - t), (xb, WIN_Y1 - t, WIN_Z1), frame_mat, 0.4)
    # Mullions: one upright, two transoms, thinner and set a little deeper.
    m = 0.018
    ym = (WIN_Y0 + WIN_Y1) / 2
    add_box(win, (xa + 0.01, ym - m, WIN_Z0 + t), (xb - 0.01, ym + m, WIN_Z1 - t), frame_mat, 0.4)
    for zf in (1 / 3, 2 / 3):
        zm = WIN_Z0 + t + (WIN_Z1 - WIN_Z0 - 2 * t) * zf
        add_box(win, (xa + 0.01, WIN_Y0 + t, zm - m), (xb - 0.01, ym - m, zm + m), frame_mat, 0.4)
        add_box(win, (xa + 0.01, ym + m, zm - m), (xb - 0.01, WIN_Y1 - t, zm + m), frame_mat, 0.4)
    # Sill, and the curtain rod on two brackets.
    # The sill's ledge in the room and its board in the reveal are separate boxes: one box
    # reaching into the wall would have faces buried in it, baked black, that speckle the sill.
    add_box(win, (X1 - 0.07, WIN_Y0 - 0.06, WIN_Z0 - 0.035), (X1, WIN_Y1 + 0.06, WIN_Z0),
            frame_mat, 0.4, skip=[(1, 0, 0)])
    add_box(win, (X1, WIN_Y0, WIN_Z0 - 0.035), (X1 + WALL_DEPTH, WIN_Y1, WIN_Z0), frame_mat, 0.4,
            skip=[(1, 0, 0), (0, 1, 0), (0, -1, 0), (0, 0, -1)])
    rod_y0, rod_y1 = WIN_Y0 - 0.55, WIN_Y1 + 0.55
    add_cylinder(win, (X1 - 0.12, (rod_y0 + rod_y1) / 2, 1.18), 0.014, rod_y1 - rod_y0, brass, 10,
                 axis="Y")
    for y in (rod_y0 + 0.08, rod_y1 - 0.08):
        add_box(win, (X1 - 0.13, y - 0.01, 1.165), (X1, y + 0.01, 1.195), brass, 0.1)
    for y, end in ((rod_y0, -0.025), (rod_y1, 0.025)):
        add_sphere(win, (X1 - 0.12, y + end, 1.18), 0.028, brass, 16, 8)
    finish(win, "window", "lm_room.jpg")

    # The view outside: one big plane well beyond the window, a single-stage material.
    sky = Part()
    sx = X1 + 1.6
    add_quad(sky, [(sx, 4.5, -2.6), (sx, -4.5, -2.6), (sx, -4.5, 3.4), (sx, 4.5, 3.4)],
             [(0, 0), (1, 0), (1, 1), (0, 1)], material("sky", "sky.jpg", emission=0.6))
    finish(sky, "FonPlane01")


def build_curtain():
    velvet = material("velvet", "velvet.png", roughness=0.9)
    part = Part()
    bm = part.bm
    idx = part.mat_index(velvet)
    # The heading stands in front of the rod and above it, a straight top edge gathered into
    # small pencil pleats; below it the pleats open into the deep folds of the drop.
    top, bottom = 1.215, Z0 + 0.03
    heading = 0.09
    front = X1 - 0.17
    zs = [top, top - 0.03, top - heading, top - heading - 0.05, top - heading - 0.12]
    zs += [zs[-1] + (bottom - zs[-1]) * k / 10 for k in range(1, 11)]
    for ya, yb in ((WIN_Y1 - 0.12, WIN_Y1 + 0.5), (WIN_Y0 - 0.5, WIN_Y0 + 0.12)):
        cols = 88
        grid = []
        for z in zs:
            drop = min(max((top - heading - z) / 0.17, 0.0), 1.0)
            row = []
            for c in range(cols + 1):
                f = c / cols
                y = ya + (yb - ya) * f
                # Folds deepen towards the floor, where the fabric hangs freely.
                depth = (0.035 + 0.02 * (top - z) / (top - bottom)) * drop
                fold = depth * (0.5 + 0.5 * math.sin(f * 2 * math.pi * 5.5))
                pleat = 0.006 * (1 - drop) * (0.5 + 0.5 * math.sin(f * 2 * math.pi * 22))
                if z == top:
                    pleat = 0.0
                row.append(bm.verts.new((front - 0.01 * (1 - drop) + fold + pleat, y, z)))
            grid.append(row)
        for r in range(len(zs) - 1):
            for c in range(cols):
                f = bm.faces.new([grid[r][c], grid[r + 1][c], grid[r + 1][c + 1], grid[r][c + 1]])
                f.material_index = idx
                v0, v1 = (top - zs[r]) / (top - bottom), (top - zs[r + 1]) / (top - bottom)
                uvs = [(c / cols, 1 - v0), (c / cols, 1 - v1), ((c + 1) / cols, 1 - v1),
                       ((c + 1) / cols, 1 - v0)]
                for loop, uv in zip(f.loops, uvs):
                    loop[part.uv].uv = (uv[0], uv[1] * 2.5)
    bm.normal_update()
    # Faces must look into the room (-X).
    for f in bm.faces:
        if f.normal.x > 0:
            f.normal_flip()
    finish(part, "Curtain", "lm_furniture.jpg")


# ---------------------------------------------------------------------------------------------
# Furniture

def build_furniture():
    wood = material("mahogany", "mahogany.jpg", roughness=0.4)
    leather = material("leather", "leather.jpg", roughness=0.6)
    brass = material("brass", "brass.jpg", roughness=0.3, metallic=0.8)
    books = material("books", "books.jpg", roughness=0.8)
    rug_mat = material("rug", "rug.jpg", roughness=1.0)

    rug = Part()
    rx0, rx1, ry0, ry1, rz = -0.9, 1.3, -0.85, 0.55, Z0 + 0.008
    add_quad(rug, [(rx0, ry0, rz), (rx1, ry0, rz), (rx1, ry1, rz), (rx0, ry1, rz)],
             [(0, 0), (1, 0), (1, 1), (0, 1)], rug_mat)
    # A thin edge so the rug has thickness against the boards.
    for (a, b) in (((rx0, ry0), (rx1, ry0)), ((rx1, ry0), (rx1, ry1)), ((rx1, ry1), (rx0, ry1)),
                   ((rx0, ry1), (rx0, ry0))):
        add_quad(rug, [(a[0], a[1], Z0), (b[0], b[1], Z0), (b[0], b[1], rz), (a[0], a[1], rz)],
                 [(0, 0), (1, 0), (1, 0.01), (0, 0.01)], rug_mat)
    finish(rug, "rug", "lm_room.jpg")

    # Round side table with a pedestal and three feet, beside the armchair.
    table = Part()
    tx, ty = 0.05, 0.95
    ttop = Z0 + 0.66
    add_cylinder(table, (tx, ty, ttop - 0.0125), 0.26, 0.025, wood, 40)
    add_cylinder(table, (tx, ty, ttop - 0.04), 0.22, 0.03, wood, 24)
    add_cylinder(table, (tx, ty, Z0 + 0.32), 0.035, 0.58, wood, 16)
    for k in range(3):
        a = k * 2 * math.pi / 3 + 0.3
        foot = Part()
        add_box(foot, (-0.02, -0.025, Z0), (0.2, 0.025, Z0 + 0.05), wood, 0.3)
        m = Matrix.Translation((tx, ty, 0)) @ Matrix.Rotation(a, 4, "Z")
        bmesh.ops.transform(foot.bm, matrix=m, verts=foot.bm.verts)
        merge(table, foot)
    finish(table, "side table", "lm_furniture.jpg")

    # Armchair: a wing-less club chair with rolled arms and a rolled back, its cushions set in,
    # rotated to look towards the clock and the window.
    chair = Part()
    add_box(chair, (-0.30, -0.30, Z0 + 0.10), (0.30, 0.36, Z0 + 0.40), leather, 0.5)
    add_box(chair, (-0.29, -0.26, Z0 + 0.40), (0.29, 0.37, Z0 + 0.50), leather, 0.5)
    add_box(chair, (-0.36, -0.42, Z0 + 0.10), (0.36, -0.30, Z0 + 0.95), leather, 0.5)
    add_cylinder(chair, (0.0, -0.36, Z0 + 0.95), 0.065, 0.72, leather, 20, axis="X", tile=0.5)
    add_box(chair, (-0.29, -0.30, Z0 + 0.50), (0.29, -0.20, Z0 + 0.88), leather, 0.5)
    for sx in (-1, 1):
        add_box(chair, (sx * 0.365 - 0.065, -0.36, Z0 + 0.10), (sx * 0.365 + 0.065, 0.38,
                                                                Z0 + 0.60), leather, 0.5)
        add_cylinder(chair, (sx * 0.365, 0.01, Z0 + 0.60), 0.075, 0.74, leather, 20, axis="Y",
                     tile=0.5)
        for sy in (-0.38, 0.34):
            add_cylinder(chair, (sx * 0.34, sy, Z0 + 0.05), 0.025, 0.10, wood, 12, radius2=0.018)
    m = Matrix.Translation((-0.75, -0.35, 0)) @ Matrix.Rotation(math.radians(-35), 4, "Z")
    bmesh.ops.transform(chair.bm, matrix=m, verts=chair.bm.verts)
    chair.bm.normal_update()
    box_uv(chair.bm.faces, chair.uv, 0.5)
    finish(chair, "armchair", "lm_furniture.jpg")

    # Bookcase against the west wall.
    case = Part()
    bx0, bx1 = X0 + 0.045, X0 + 0.40
    by0, by1 = 0.25, 1.35
    bz1 = Z0 + 1.9
    add_box(case, (bx0, by0, Z0), (bx1, by0 + 0.03, bz1), wood, 0.6)
    add_box(case, (bx0, by1 - 0.03, Z0), (bx1, by1, bz1), wood, 0.6)
    add_box(case, (bx0, by0 + 0.03, bz1 - 0.03), (bx1, by1 - 0.03, bz1), wood, 0.6)
    add_box(case, (bx1 - 0.02, by0 - 0.02, bz1), (bx1 + 0.02, by1 + 0.02, bz1 + 0.05), wood, 0.6)
    add_box(case, (bx0, by0 + 0.03, Z0), (bx1, by1 - 0.03, Z0 + 0.1), wood, 0.6)
    add_box(case, (bx0, by0 + 0.03, Z0 + 0.1), (bx0 + 0.015, by1 - 0.03, bz1 - 0.03), wood, 0.6)
    shelf_z = [Z0 + 0.1, Z0 + 0.55, Z0 + 1.0, Z0 + 1.45]
    for z in shelf_z[1:]:
        add_box(case, (bx0 + 0.015, by0 + 0.03, z - 0.025), (bx1, by1 - 0.03, z), wood, 0.6)
    for i, z in enumerate(shelf_z):
        height = 0.30 if i % 2 == 0 else 0.27
        faces = add_box(case, (bx0 + 0.04, by0 + 0.03, z), (bx1 - 0.03, by1 - 0.03, z + height),
                        books, 1.0)
        # One row of the book texture per block, the rows alternating between blocks.
        for f in faces:
            for loop in f.loops:
                x, y, zz = loop.vert.co
                u = (y - by0) / (by1 - by0) * 1.0 + 0.37 * i
                v = (zz - z) / height * 0.5 + (0.5 if i % 2 == 0 else 0.0)
                loop[case.uv].uv = (u, v)
    finish(case, "bookcase", "lm_furniture.jpg")

    # The lamp on the table: brass foot and stem and a fabric shade, baked like the room so that
    # the shade's glow (the bulb through the fabric) dims with the room's light when it winks.
    lamp = Part()
    shade = material("lamp_shade", "shade.jpg", roughness=0.9)
    add_cylinder(lamp, (tx, ty, ttop + 0.012), 0.08, 0.024, brass, 16, radius2=0.06)
    add_cylinder(lamp, (tx, ty, ttop + 0.18), 0.012, 0.32, brass, 8)
    add_sphere(lamp, (tx, ty, ttop + 0.12), 0.03, brass, 16, 8)
    # A narrow top: most of the bulb's light goes down into the pool.
    add_cylinder(lamp, (tx, ty, ttop + 0.43), 0.19, 0.24, shade, 32, radius2=0.075, caps=False)
    # A fabric diffuser over the top opening spreads what goes up into a soft glow on the
    # ceiling instead of a bright disc.
    add_cylinder(lamp, (tx, ty, ttop + 0.549), 0.075, 0.002, shade, 32)
    finish(lamp, "lamp", "lm_furniture.jpg")
    # Only the bulb, seen from below the shade, draws unlit.
    bulb = Part()
    add_sphere(bulb, (tx, ty, ttop + 0.35), 0.035, material("bulb", "shade.jpg", emission=4.0),
               16, 8)
    finish(bulb, "Lamp lamp")
    return (tx, ty, ttop + 0.35)


def merge(dst, src):
    """Copies src's faces into dst (same texture coordinate layer and materials)."""
    mesh = bpy.data.meshes.new("tmp")
    src.bm.to_mesh(mesh)
    for m in src.mats:
        mesh.materials.append(m)
    remap = [dst.mat_index(m) for m in src.mats]
    offset = len(dst.bm.faces)
    dst.bm.from_mesh(mesh)
    dst.bm.faces.ensure_lookup_table()
    for f in list(dst.bm.faces)[offset:]:
        f.material_index = remap[f.material_index] if remap else 0
    bpy.data.meshes.remove(mesh)
    src.bm.free()


# ---------------------------------------------------------------------------------------------
# The longcase clock

def build_clock():
    wood = material("clock_mahogany", "mahogany.jpg", roughness=0.3)
    dial_mat = material("dial", "dial.jpg", roughness=0.7)
    cx = CLOCK_X
    back = Y1 - 0.05
    main = Part()
    # Plinth with a base moulding and a cap.
    add_box(main, (cx - 0.30, back - 0.34, Z0), (cx + 0.30, back, Z0 + 0.07), wood, 0.5)
    add_box(main, (cx - 0.28, back - 0.32, Z0 + 0.07), (cx + 0.28, back, Z0 + 0.38), wood, 0.5)
    add_box(main, (cx - 0.30, back - 0.34, Z0 + 0.38), (cx + 0.30, back, Z0 + 0.42), wood, 0.5)
    # Trunk: back, two sides and a front frame round the door opening, hollow inside.
    tz0, tz1 = Z0 + 0.42, Z0 + 1.40
    front = back - 0.27
    add_box(main, (cx - 0.22, back - 0.02, tz0), (cx + 0.22, back, tz1), wood, 0.5)
    add_box(main, (cx - 0.22, front, tz0), (cx - 0.20, back - 0.02, tz1), wood, 0.5)
    add_box(main, (cx + 0.20, front, tz0), (cx + 0.22, back - 0.02, tz1), wood, 0.5)
    # The trunk's floor starts behind the front frame: sharing the frame's front face it
    # fought it for the same pixels in a dashed dark line along the foot of the trunk.
    add_box(main, (cx - 0.20, front + 0.02, tz0), (cx + 0.20, back - 0.02, tz0 + 0.02), wood, 0.5)
    dz0, dz1 = tz0 + 0.12, tz1 - 0.06
    add_box(main, (cx - 0.20, front, tz0), (cx - 0.14, front + 0.02, tz1), wood, 0.5)
    add_box(main, (cx + 0.14, front, tz0), (cx + 0.20, front + 0.02, tz1), wood, 0.5)
    add_box(main, (cx - 0.14, front, tz0), (cx + 0.14, front + 0.02, dz0), wood, 0.5)
    add_box(main, (cx - 0.14, front, dz1), (cx + 0.14, front + 0.02, tz1), wood, 0.5)
    # Door moulding round the opening.
    add_box(main, (cx - 0.155, front - 0.012, dz0 - 0.015), (cx + 0.155, front, dz0), wood, 0.3)
    add_box(main, (cx - 0.155, front - 0.012, dz1), (cx + 0.155, front, dz1 + 0.015), wood, 0.3)
    add_box(main, (cx - 0.155, front - 0.012, dz0), (cx - 0.14, front, dz1), wood, 0.3)
    add_box(main, (cx + 0.14, front - 0.012, dz0), (cx + 0.155, front, dz1), wood, 0.3)
    # Hood: a wider box with the dial plate, a bezel, an arched crest and three finials.
    hz0, hz1 = tz1, Z0 + 1.92
    hfront = DIAL_Y + 0.003
    add_box(main, (cx - 0.27, back - 0.33, hz0), (cx + 0.27, back, hz0 + 0.04), wood, 0.5)
    add_box(main, (cx - 0.25, hfront, hz0 + 0.04), (cx + 0.25, back, hz1), wood, 0.5)
    add_box(main, (cx - 0.27, back - 0.33, hz1), (cx + 0.27, back, hz1 + 0.03), wood, 0.5)
    # The pillars end inside their brass bases and capitals: flush with them, a pillar's end
    # would lie in the plane of a fitting's face and fight it for the same pixels.
    for sx in (-1, 1):
        add_cylinder(main, (cx + sx * 0.225, hfront - 0.02, (hz0 + hz1) / 2 + 0.013), 0.02,
                     hz1 - hz0 - 0.066, wood, 16)
    # Bezel round the dial: four bars standing proud of the hood front.
    b0, b1 = DIAL_R + 0.01, DIAL_R + 0.035
    bz = DIAL_Z
    for lo, hi in (((cx - b1, hfront - 0.028, bz - b1), (cx + b1, hfront, bz - b0)),
                   ((cx - b1, hfront - 0.028, bz + b0), (cx + b1, hfront, bz + b1)),
                   ((cx - b1, hfront - 0.028, bz - b0), (cx - b0, hfront, bz + b0)),
                   ((cx + b0, hfront - 0.028, bz - b0), (cx + b1, hfront, bz + b0))):
        add_box(main, lo, hi, wood, 0.3)
    # Arched crest: a half disc standing on the hood top.
    crest = []
    steps = 12
    for i in range(steps + 1):
        a = math.pi * i / steps
        crest.append((0.24 * math.cos(a), 0.11 * math.sin(a)))
    crest.reverse()
    # Sunk 5 mm into the hood's top, so its underside shares no plane with the finials' feet.
    add_prism(main, crest, back - 0.30, back - 0.04, wood, (cx, hz1 + 0.025))
    finish(main, "clock main", "lm_clock.jpg")

    # Brass fittings, polished: each part looks its colour up by its normal in a picture of a
    # lit brass ball, so finials, capitals, hinges and the escutcheon carry a gleam of their own
    # under the light map.
    polished = material("brass_polished", "brass_polished.jpg", roughness=0.25, metallic=0.8)
    fittings = Part()
    shaped, plates = [], []
    top = hz1 + 0.03

    def finial(x, z, scale):
        fy = back - 0.17
        shaped.extend(add_cylinder(fittings, (x, fy, z + 0.006 * scale), 0.024 * scale,
                                   0.012 * scale, polished, 20, radius2=0.02 * scale))
        shaped.extend(add_cylinder(fittings, (x, fy, z + 0.02 * scale), 0.011 * scale,
                                   0.016 * scale, polished, 16, radius2=0.014 * scale))
        urn = add_sphere(fittings, (x, fy, z + 0.05 * scale), 0.028 * scale, polished, 20, 10)
        scale_faces(fittings, urn, (x, fy, z + 0.05 * scale), (1.0, 1.0, 0.85))
        shaped.extend(urn)
        knop = add_sphere(fittings, (x, fy, z + 0.085 * scale), 0.011 * scale, polished, 16, 8)
        shaped.extend(knop)
        shaped.extend(add_cylinder(fittings, (x, fy, z + 0.115 * scale), 0.005 * scale,
                                   0.042 * scale, polished, 8, radius2=0.0006))

    finial(cx - 0.23, top, 1.0)
    finial(cx + 0.23, top, 1.0)
    finial(cx, top + 0.105, 0.95)
    # Capitals and bases of the hood pillars: a flared bell under a square abacus, a torus-like
    # roll on a plinth below.
    px, py = 0.225, hfront - 0.02
    for sx in (-1, 1):
        x = cx + sx * px
        shaped.extend(add_cylinder(fittings, (x, py, hz1 - 0.02), 0.021, 0.028, polished, 20,
                                   radius2=0.028))
        plates.extend(add_box(fittings, (x - 0.031, py - 0.031, hz1 - 0.006),
                              (x + 0.031, py + 0.02, hz1), polished, 0.1))
        roll = add_sphere(fittings, (x, py, hz0 + 0.062), 0.027, polished, 20, 8)
        scale_faces(fittings, roll, (x, py, hz0 + 0.062), (1.0, 1.0, 0.4))
        shaped.extend(roll)
        plates.extend(add_box(fittings, (x - 0.03, py - 0.03, hz0 + 0.04),
                              (x + 0.03, py + 0.02, hz0 + 0.052), polished, 0.1))
    # A shield-shaped escutcheon with its keyhole on the door's right stile, two hinges with
    # round knuckles on its left.
    ez = (dz0 + dz1) / 2
    ex = cx + 0.172
    shield = add_sphere(fittings, (ex, front, ez), 1.0, polished, 20, 10)
    scale_faces(fittings, shield, (ex, front, ez), (0.012, 0.0045, 0.024))
    shaped.extend(shield)
    for hz in (dz0 + 0.09, dz1 - 0.09):
        shaped.extend(add_cylinder(fittings, (cx - 0.2, front - 0.002, hz), 0.0055, 0.05,
                                   polished, 12))
        for end in (-1, 1):
            shaped.extend(add_sphere(fittings, (cx - 0.2, front - 0.002, hz + end * 0.026),
                                     0.0055, polished, 12, 6))
        plates.extend(add_box(fittings, (cx - 0.197, front - 0.0018, hz - 0.022),
                              (cx - 0.172, front, hz + 0.022), polished, 0.1, skip=[(0, 1, 0)]))
    normal_uv(fittings, shaped)
    normal_uv(fittings, plates, flat=1.5)
    add_box(fittings, (ex - 0.0018, front - 0.0052, ez - 0.011), (ex + 0.0018, front - 0.004,
                                                                   ez + 0.003), wood, 0.05,
            skip=[(0, 1, 0)])
    finish(fittings, "clock fittings", "lm_clock.jpg")

    # The dial plate: a square in front of the hood with the dial picture.
    dial = Part()
    r = DIAL_R + 0.012
    add_quad(dial, [(cx - r, DIAL_Y, DIAL_Z - r), (cx + r, DIAL_Y, DIAL_Z - r),
                    (cx + r, DIAL_Y, DIAL_Z + r), (cx - r, DIAL_Y, DIAL_Z + r)],
             [(0, 0), (1, 0), (1, 1), (0, 1)], dial_mat)
    finish(dial, "clock dial", "lm_clock.jpg")

    # Pendulum: rod and bob hanging from its pivot under the dial, swinging about Y.
    # A polished brass rod, 16 mm across so it reads from across the room, and a large
    # lens-shaped bob; both look up the polished ball by their normals and draw as they are
    # (polished metal mirrors the lamp rather than taking the case's shade).
    pend = Part()
    pivot = (cx, back - 0.13, tz1 - 0.02)
    bob_z = tz0 + 0.25
    parts = add_cylinder(pend, (cx, pivot[1], (bob_z + 0.06 + pivot[2]) / 2), 0.008,
                         pivot[2] - bob_z - 0.06, polished, 16)
    # The lens takes the ball's normals before it is flattened: its face then shows the
    # whole gleam, a broad glow and the highlight up on the lamp's side, not just a bright rim.
    lens = add_sphere(pend, (cx, pivot[1], bob_z), 1.0, polished, 40, 20)
    normal_uv(pend, lens, squeeze=0.95)
    scale_faces(pend, lens, (cx, pivot[1], bob_z), (0.088, 0.026, 0.088))
    # The rating nut under the bob.
    parts += add_cylinder(pend, (cx, pivot[1], bob_z - 0.1), 0.009, 0.022, polished, 12)
    parts += add_cylinder(pend, (cx, pivot[1], bob_z - 0.08), 0.0045, 0.03, polished, 8)
    normal_uv(pend, parts)
    pendulum = finish(pend, "pendulum", origin=pivot)
    key_pendulum(pendulum)

    build_hands()

    glass = Part()
    gmat = material("clock_glass", "glass.jpg", roughness=0.05)
    n = 32
    gy = DIAL_Y - 0.02
    centre = glass.bm.verts.new((cx, gy, DIAL_Z))
    ring = [glass.bm.verts.new((cx + (DIAL_R + 0.01) * math.cos(2 * math.pi * i / n), gy,
                                DIAL_Z + (DIAL_R + 0.01) * math.sin(2 * math.pi * i / n)))
            for i in range(n)]
    idx = glass.mat_index(gmat)
    for i in range(n):
        f = glass.bm.faces.new([centre, ring[i], ring[(i + 1) % n]])
        f.material_index = idx
    glass.bm.normal_update()
    for f in glass.bm.faces:
        if f.normal.y > 0:
            f.normal_flip()
        for loop in f.loops:
            x, _, z = loop.vert.co
            loop[glass.uv].uv = ((x - cx) / (2 * DIAL_R) + 0.5, (z - DIAL_Z) / (2 * DIAL_R) + 0.5)
    obj = finish(glass, "Clock glass")
    obj["AlphaUse"] = "factor"
    obj["Alpha"] = 0.12

    # The trunk door's pane, in the middle of the frame's thickness: blended at a small factor
    # over a nearly black picture, so it only adds its faint reflections to the pendulum.
    pane = Part()
    py = front + 0.01
    add_quad(pane, [(cx - 0.14, py, dz0), (cx + 0.14, py, dz0), (cx + 0.14, py, dz1),
                    (cx - 0.14, py, dz1)], [(0, 0), (1, 0), (1, 1), (0, 1)],
             material("door_glass", "door_glass.jpg", roughness=0.05))
    obj = finish(pane, "Door glass")
    obj["AlphaUse"] = "factor"
    obj["Alpha"] = 0.14


def key_pendulum(obj):
    """31 keys 1/15 s apart over one 2 s period, a 4 degree swing about Y."""
    obj.rotation_mode = "QUATERNION"
    for k in range(31):
        angle = math.radians(4.0) * math.sin(2 * math.pi * k / 30)
        obj.rotation_quaternion = Quaternion((0, 1, 0), angle)
        obj.keyframe_insert("rotation_quaternion", frame=k)
    for fc in obj.animation_data.action.fcurves:
        for kp in fc.keyframe_points:
            kp.interpolation = "LINEAR"
    obj.rotation_quaternion = Quaternion()


def taper(z0, w0, z1, w1):
    """A bar along +Z from z0 to z1, w0 and w1 its half widths at either end."""
    return [(-w0, z0), (w0, z0), (w1, z1), (-w1, z1)]


def leaf(zb, zt, width, bulge=0.45, steps=8):
    """A pointed spade leaf along +Z from zb to zt, widest at `bulge` of its length."""
    right = []
    for k in range(1, steps):
        t = k / steps
        shape = math.sin(math.pi * min(t / bulge, 1.0) / 2) if t < bulge else \
            math.cos(math.pi / 2 * (t - bulge) / (1 - bulge))
        right.append((width * shape, zb + (zt - zb) * t))
    return [(0.0, zb)] + right + [(0.0, zt)] + [(-x, z) for x, z in reversed(right)]


def hand_design(length, hour):
    """The hand's plates and pierced rings in its own plane (x across, z towards the tip).

    The hour hand: a short counterpoised tail, a tapering shaft into a pierced Breguet ring,
    two small side leaves where shaft meets ring, a spade above the ring and a fine point. The
    minute hand: the same family drawn long and light, a small ring at 60 % and a slim spade
    running into the point."""
    L = length
    if hour:
        ring_z, ring_o, ring_i = 0.62 * L, 0.15 * L, 0.105 * L
        tail_z, tail_o, tail_i = -0.2 * L, 0.075 * L, 0.04 * L
        mid, tail_mid = (ring_o + ring_i) / 2, (tail_o + tail_i) / 2
        plates = [taper(tail_z + tail_mid, 0.036 * L, ring_z - mid, 0.026 * L),
                  leaf(ring_z + ring_i, L, 0.11 * L, 0.35),
                  leaf(ring_z - ring_o - 0.14 * L, ring_z - ring_o + 0.02 * L, 0.065 * L, 0.55)]
        # Side leaves, turned out from the shaft below the ring.
        for side in (-1, 1):
            pts = leaf(0.0, 0.19 * L, 0.05 * L, 0.5)
            a = side * math.radians(58)
            ca, sa = math.cos(a), math.sin(a)
            zb = ring_z - ring_o - 0.04 * L
            plates.append([(x * ca + z * sa, -x * sa + z * ca + zb) for x, z in pts])
    else:
        ring_z, ring_o, ring_i = 0.58 * L, 0.068 * L, 0.044 * L
        tail_z, tail_o, tail_i = -0.17 * L, 0.05 * L, 0.025 * L
        mid, tail_mid = (ring_o + ring_i) / 2, (tail_o + tail_i) / 2
        plates = [taper(tail_z + tail_mid, 0.017 * L, ring_z - mid, 0.011 * L),
                  leaf(ring_z + ring_i, L, 0.05 * L, 0.25),
                  leaf(ring_z - ring_o - 0.1 * L, ring_z - ring_o + 0.01 * L, 0.03 * L, 0.55)]
    rings = [(0.0, ring_z, ring_o, ring_i), (0.0, tail_z, tail_o, tail_i)]
    return plates, rings


def build_hands():
    steel = material("blued_steel", "blued.jpg", roughness=0.3, metallic=0.7)
    centre = (CLOCK_X, DIAL_Y, DIAL_Z)
    for name, length, hour, y, angle in (
            ("strelka_1big", 0.098, True, 0.006, 0.0),
            ("strelka_1min", 0.142, False, 0.011, math.pi / 2)):
        part = Part()
        plates, rings = hand_design(length, hour)
        # The minute hand rests pointing at 3 o'clock (+X): turn its drawing a quarter.
        ca, sa = math.cos(angle), math.sin(angle)

        def turn(x, z):
            return (x * ca + z * sa, -x * sa + z * ca)
        y0, y1 = DIAL_Y - y - 0.0015, DIAL_Y - y + 0.0015
        for outline in plates:
            add_ngon_prism(part, [turn(x, z) for x, z in outline], y0, y1, steel,
                           (CLOCK_X, DIAL_Z))
        for x, z, outer, inner in rings:
            rx, rz = turn(x, z)
            add_ring(part, outer, inner, y0, y1, steel, (CLOCK_X + rx, DIAL_Z + rz))
        # The boss over the arbor, and a collet.
        add_cylinder(part, (CLOCK_X, DIAL_Y - y - 0.0005, DIAL_Z), 0.0075, 0.004, steel, 16,
                     axis="Y")
        add_cylinder(part, (CLOCK_X, DIAL_Y - y - 0.003, DIAL_Z), 0.004, 0.002, steel, 12,
                     axis="Y")
        finish(part, name, origin=centre)


def add_ngon_prism(part, outline, y_front, y_back, mat, centre):
    faces = add_prism(part, outline, y_front, y_back, mat, centre)
    ngons = [f for f in faces if len(f.verts) > 4]
    bmesh.ops.triangulate(part.bm, faces=ngons, quad_method="BEAUTY", ngon_method="EAR_CLIP")


def build_picture():
    gilt = material("gilt", "gilt.jpg", roughness=0.35, metallic=0.9)
    canvas_mat = material("painting", "painting.jpg", roughness=0.8)
    px, pz = -1.05, 0.25
    group = bpy.data.objects.new("Group01", None)
    bpy.context.scene.collection.objects.link(group)
    group.location = (px, Y1, pz)
    w, h = 0.80, 0.60
    canvas = Part()
    cy = Y1 - 0.02
    add_quad(canvas, [(px - w / 2, cy, pz - h / 2), (px + w / 2, cy, pz - h / 2),
                      (px + w / 2, cy, pz + h / 2), (px - w / 2, cy, pz + h / 2)],
             [(0, 0), (1, 0), (1, 1), (0, 1)], canvas_mat)
    finish(canvas, "Picture", "lm_furniture.jpg", parent=group, origin=(px, Y1, pz))
    frame = Part()
    fy0, fy1 = Y1 - 0.05, Y1
    # Four mitred rails, and a narrower raised lip round the canvas.
    for width, y_front, y_back in ((0.08, fy0, fy1), (0.02, fy0 - 0.01, fy0)):
        a, b = w / 2, h / 2
        A, B = a + width, b + width
        for outline in (((-A, -B), (A, -B), (a, -b), (-a, -b)),
                        ((A, -B), (A, B), (a, b), (a, -b)),
                        ((A, B), (-A, B), (-a, b), (a, b)),
                        ((-A, B), (-A, -B), (-a, -b), (-a, b))):
            add_prism(frame, list(outline), y_front, y_back, gilt, (px, pz))
    finish(frame, "Picture Ramm", "lm_furniture.jpg", parent=group, origin=(px, Y1, pz))


# ---------------------------------------------------------------------------------------------
# Light map texture coordinates and the bake

def lightmap_uvs():
    for atlas in ATLASES:
        objs = [bpy.data.objects[n] for n, a in atlas_of.items() if a == atlas]
        bpy.ops.object.select_all(action="DESELECT")
        for o in objs:
            o.select_set(True)
            o.data.uv_layers.active = o.data.uv_layers["lightmap"]
        bpy.context.view_layer.objects.active = objs[0]
        bpy.ops.object.mode_set(mode="EDIT")
        bpy.ops.mesh.select_all(action="SELECT")
        bpy.ops.uv.smart_project(angle_limit=math.radians(60), island_margin=0.006,
                                 area_weight=0.0, correct_aspect=True, scale_to_bounds=False)
        # Packing works on the selected texture coordinates only: select them all, or the
        # islands of different objects keep overlapping where smart projection left them.
        bpy.ops.uv.select_all(action="SELECT")
        bpy.ops.uv.pack_islands(rotate=False, margin=0.01)
        bpy.ops.object.mode_set(mode="OBJECT")
        for o in objs:
            o.data.uv_layers.active = o.data.uv_layers["UVMap"]
            o.data.uv_layers["UVMap"].active_render = True


def lights(lamp_pos):
    scene = bpy.context.scene
    bulb = bpy.data.lights.new("bulb", "POINT")
    bulb.energy = 40.0 * BAKE_SCALE
    bulb.color = (1.0, 180 / 255, 110 / 255)
    bulb.shadow_soft_size = 0.12
    obj = bpy.data.objects.new("bulb", bulb)
    obj.location = lamp_pos
    scene.collection.objects.link(obj)
    win = bpy.data.lights.new("window", "AREA")
    win.shape = "RECTANGLE"
    win.size = WIN_Y1 - WIN_Y0
    win.size_y = WIN_Z1 - WIN_Z0
    # Cold and weak: with the sky plane's glow it gives the window a pale patch on the floor and
    # a rim on the curtain, well under the lamp's pool.
    win.energy = 18.0 * BAKE_SCALE
    win.color = (120 / 255, 140 / 255, 185 / 255)
    obj = bpy.data.objects.new("window light", win)
    # Far enough out that its light enters through the opening rather than grazing the frame.
    obj.location = (X1 + 1.0, (WIN_Y0 + WIN_Y1) / 2, (WIN_Z0 + WIN_Z1) / 2 + 0.45)
    # Point into the room and a little down, like the sky's light falling through.
    obj.rotation_euler = (0.0, math.radians(90 - 25), 0.0)
    scene.collection.objects.link(obj)
    world = bpy.data.worlds.new("night")
    world.use_nodes = True
    world.node_tree.nodes["Background"].inputs["Color"].default_value = (0.02, 0.022, 0.03, 1)
    world.node_tree.nodes["Background"].inputs["Strength"].default_value = 1.0
    scene.world = world


def bake(samples):
    import numpy as np
    scene = bpy.context.scene
    scene.render.engine = "CYCLES"
    scene.cycles.device = "CPU"
    scene.cycles.samples = samples
    scene.cycles.use_denoising = False
    scene.cycles.max_bounces = 4
    scene.cycles.diffuse_bounces = 3
    scene.cycles.glossy_bounces = 0
    scene.cycles.transmission_bounces = 2
    scene.render.threads_mode = "FIXED"
    scene.render.threads = 2
    scene.render.bake.margin = 6
    # Clamped samples keep light through small gaps from turning into sparkles.
    scene.cycles.sample_clamp_direct = 4.0
    scene.cycles.sample_clamp_indirect = 0.5
    # Things that must not shadow the room while baking (the bulb's sphere would swallow the
    # light inside it).
    for name in NOT_BAKED:
        bpy.data.objects[name].hide_render = True
    restore_shade = translucent_shade(bpy.data.materials["lamp_shade"])
    targets = {}
    for atlas, size in ATLASES.items():
        img = bpy.data.images.new(atlas, size, size, alpha=True, float_buffer=True)
        img.pixels.foreach_set(np.zeros(size * size * 4, dtype=np.float32))
        targets[atlas] = img
    bake_nodes = {}
    for mat in bpy.data.materials:
        node = mat.node_tree.nodes.new("ShaderNodeTexImage")
        bake_nodes[mat.name] = node
    total = time.time()
    for atlas, img in targets.items():
        start = time.time()
        objs = [bpy.data.objects[n] for n, a in atlas_of.items() if a == atlas]
        for node in bake_nodes.values():
            node.image = img
            node.select = True
            node.id_data.nodes.active = node
        bpy.ops.object.select_all(action="DESELECT")
        for o in objs:
            o.select_set(True)
        bpy.context.view_layer.objects.active = objs[0]
        bpy.ops.object.bake(type="DIFFUSE", pass_filter={"DIRECT", "INDIRECT"}, margin=6,
                            uv_layer="lightmap", use_clear=False, target="IMAGE_TEXTURES")
        px = np.empty(img.size[0] * img.size[1] * 4, dtype=np.float32)
        img.pixels.foreach_get(px)
        np.save(os.path.join(OUT, "bake_" + atlas.replace(".jpg", ".npy")),
                px.reshape(img.size[1], img.size[0], 4))
        print("bake %s: %.1f s" % (atlas, time.time() - start), flush=True)
    print("bake total: %.1f s at %d samples" % (time.time() - total, samples), flush=True)
    for mat_name, node in bake_nodes.items():
        bpy.data.materials[mat_name].node_tree.nodes.remove(node)
    restore_shade()
    for name in NOT_BAKED:
        bpy.data.objects[name].hide_render = False


def translucent_shade(mat):
    """Lets the bulb shine through the shade's fabric while baking: the shade's own light map
    then glows from inside, and it throws the pool down and a dimmer disc up instead of lighting
    the walls and the ceiling bare. Gives back a function that restores the exported material."""
    tree = mat.node_tree
    nodes = tree.nodes
    out = nodes["Material Output"]
    bsdf = nodes["Principled BSDF"]
    tex = next(n for n in nodes if n.type == "TEX_IMAGE" and n.image is not None
               and n.image.name == "shade.jpg")
    fabric = nodes.new("ShaderNodeBsdfTranslucent")
    mix = nodes.new("ShaderNodeMixShader")
    mix.inputs["Fac"].default_value = 0.55
    tree.links.new(tex.outputs["Color"], fabric.inputs["Color"])
    tree.links.new(bsdf.outputs["BSDF"], mix.inputs[1])
    tree.links.new(fabric.outputs["BSDF"], mix.inputs[2])
    tree.links.new(mix.outputs["Shader"], out.inputs["Surface"])

    def restore():
        tree.links.new(bsdf.outputs["BSDF"], out.inputs["Surface"])
        nodes.remove(mix)
        nodes.remove(fabric)
    return restore


def count_triangles():
    tris = 0
    for o in bpy.data.objects:
        if o.type == "MESH":
            for p in o.data.polygons:
                tris += len(p.vertices) - 2
    return tris


def main():
    os.makedirs(OUT, exist_ok=True)
    bpy.ops.wm.read_factory_settings(use_empty=True)
    scene = bpy.context.scene
    scene.render.fps = 15
    scene.frame_start = 0
    build_room()
    build_window()
    build_curtain()
    lamp_pos = build_furniture()
    build_clock()
    build_picture()
    build_cameras(OUT, clock_x=CLOCK_X, dial_y=DIAL_Y, dial_z=DIAL_Z, east_x=X1, north_y=Y1,
                  win_y0=WIN_Y0, win_y1=WIN_Y1)
    lightmap_uvs()
    lights(lamp_pos)
    print("triangles: %d" % count_triangles(), flush=True)
    if BAKE_SAMPLES > 0:
        bake(BAKE_SAMPLES)
    if THREE_OCLOCK:
        for name, angle in (("strelka_1big", math.pi / 2), ("strelka_1min", -math.pi / 2)):
            hand = bpy.data.objects[name]
            hand.rotation_mode = "QUATERNION"
            hand.rotation_quaternion = Quaternion((0, 1, 0), angle)
    bpy.ops.object.select_all(action="DESELECT")
    bpy.ops.export_scene.gltf(
        filepath=os.path.join(OUT, "room.gltf"), export_format="GLTF_SEPARATE",
        export_extras=True, export_yup=False, export_image_format="AUTO", export_cameras=True,
        export_lights=False, export_animations=True, export_force_sampling=False,
        export_optimize_animation_size=False, export_texcoords=True, export_normals=True,
        export_materials="EXPORT", export_apply=False)
    bpy.ops.wm.save_as_mainfile(filepath=os.path.join(OUT, "room.blend"))


main()
