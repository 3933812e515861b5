"""The ten camera paths of the tour, keyed on Blender cameras c1..c10 by room.py.

A path is a list of (seconds, eye, target) waypoints in Blender metres; the room's geometry comes
in from room.py so that the cameras follow the clock and the window where they stand.
"""
import math
import os

import bpy
from mathutils import Vector

# Vertical field of view in degrees, as in Scene.props.
FOV = 70


def P(x, y, z):
    return Vector((x, y, z))


def paths(clock_x, dial_y, dial_z, east_x, north_y, win_y0, win_y1):
    dial = P(clock_x, dial_y, dial_z)
    mid = P(clock_x, 1.8, -0.5)
    bob = P(clock_x, 1.85, -0.73)
    picture = P(-1.05, north_y, 0.25)
    return {
        "c1": [(0, P(-1.9, -1.5, 0.2), P(0.6, 1.6, -0.2)),
               (60, P(-1.2, -0.6, 0.1), P(0.8, 1.7, -0.2)),
               (100, P(-0.1, -0.1, 0.05), mid + P(0, 0, 0.3))],
        "c2": [(0, P(clock_x + 0.25, 0.85, -1.05), P(clock_x, 1.8, -1.2)),
               (40, P(clock_x + 0.2, 0.85, -0.6), P(clock_x, 1.8, -0.6)),
               (80, P(clock_x + 0.15, 0.9, -0.1), P(clock_x, 1.8, -0.05)),
               (120, P(clock_x + 0.1, 0.95, 0.24), dial)],
        "c3": [(0, P(clock_x - 0.2, 1.28, 0.32), dial + P(-0.06, 0, 0.03)),
               (40, P(clock_x, 1.32, 0.27), dial),
               (80, P(clock_x + 0.2, 1.28, 0.20), dial + P(0.06, 0, -0.02))],
        "c4": [(0, P(clock_x - 0.15, 1.25, -0.6), bob),
               (40, P(clock_x + 0.05, 1.28, -0.62), bob + P(0, 0, 0.05)),
               (80, P(clock_x + 0.12, 1.05, -0.2), P(clock_x, 1.8, -0.3)),
               (120, P(clock_x + 0.05, 0.95, 0.22), dial)],
        "c5": [(0, P(-0.84, -0.47, -0.22), P(0.9, 1.7, -0.3)),
               (40, P(-0.81, -0.43, -0.22), P(1.6, 1.0, -0.2)),
               (80, P(-0.78, -0.39, -0.21), P(2.5, -0.3, 0.1)),
               (120, P(-0.75, -0.35, -0.2), P(1.8, 1.4, -0.2))],
        "c6": [(0, P(1.7, -1.6, 0.15), P(east_x, -0.1, 0.3)),
               (40, P(1.6, -1.1, 0.1), P(east_x, 0.0, 0.25)),
               (80, P(1.5, -0.5, 0.05), P(east_x, 0.4, 0.0)),
               (120, P(1.5, 0.0, 0.0), P(clock_x + 0.2, 1.8, -0.2)),
               (160, P(1.45, 0.3, 0.05), dial)],
        "c7": c7_points(dial, picture),
        "c8": [(0, P(-0.3, -1.6, -1.2), P(clock_x, 1.8, -1.25)),
               (40, P(0.1, -0.9, -1.2), P(clock_x, 1.8, -1.2)),
               (80, P(0.45, -0.1, -1.15), P(clock_x, 1.8, -0.9)),
               (120, P(0.75, 0.75, -1.1), P(clock_x, 1.8, -0.3))],
        "c9": c9_points(clock_x, mid),
        "c10": [(0, P(-2.2, -1.7, 0.3), P(0.5, 1.0, -0.5)),
                (60, P(-2.0, -1.7, 0.25), P(1.5, 0.6, -0.4)),
                (120, P(-1.7, -1.75, 0.2), P(1.5, 1.5, -0.4)),
                (180, P(-1.5, -1.75, 0.15), P(0.0, 1.9, -0.2))],
    }


def c7_points(dial, picture):
    """Picture frame close, then a slow pan and drift over to the clock."""
    keys = []
    for i, t in enumerate(range(0, 320, 20)):
        f = i / 15
        eye = P(-1.05 + 1.3 * f, 0.9 - 0.1 * math.sin(f * math.pi), 0.2 - 0.1 * f)
        target = picture.lerp(dial + P(0, 0, -0.3), min(1.0, f * 1.15))
        keys.append((t, eye, target))
    return keys


def c9_points(clock_x, mid):
    """Orbit round the clock's front half at a middle distance."""
    keys = []
    for i, t in enumerate(range(0, 200, 20)):
        # From the lamp's side round to the window's, keeping clear of the lamp shade.
        a = math.radians(-35 + 65 * i / 9)
        r = 1.1
        eye = P(clock_x + r * math.sin(a), 1.75 - r * math.cos(a),
                0.05 + 0.08 * math.sin(i / 9 * math.pi))
        keys.append((t, eye, mid + P(0, 0, 0.35)))
    return keys


def build_cameras(out, **room):
    """Keys cameras c1..c10 and writes out/paths.txt: each path's name and end in tenths of a
    second, for the screenshots."""
    all_paths = paths(**room)
    scene = bpy.context.scene
    end = 0
    for name, keys in all_paths.items():
        data = bpy.data.cameras.new(name)
        data.lens_unit = "FOV"
        data.angle = math.radians(FOV)
        cam = bpy.data.objects.new(name, data)
        scene.collection.objects.link(cam)
        cam.rotation_mode = "QUATERNION"
        keys = resample(keys)
        prev = None
        for t, eye, target in keys:
            q = (target - eye).to_track_quat("-Z", "Y")
            if prev is not None and prev.dot(q) < 0:
                q.negate()
            prev = q
            cam.location = eye
            # Blender's exporter turns animated camera keys by a quarter turn about X even with
            # Z up; udfconvert turns them back, so the keys stay as Blender shows them.
            cam.rotation_quaternion = q
            frame = t * scene.render.fps
            cam.keyframe_insert("location", frame=frame)
            cam.keyframe_insert("rotation_quaternion", frame=frame)
            end = max(end, frame)
        for fc in cam.animation_data.action.fcurves:
            for kp in fc.keyframe_points:
                kp.interpolation = "LINEAR"
    scene.frame_end = int(end)
    with open(os.path.join(out, "paths.txt"), "w") as f:
        for name, keys in all_paths.items():
            f.write("%s %d\n" % (name, round(keys[-1][0] * 10)))


def resample(keys):
    """Waypoints further apart than 20 s get keys every 20 s, eye and target eased between."""
    out = []
    for (t0, e0, g0), (t1, e1, g1) in zip(keys, keys[1:]):
        n = max(1, round((t1 - t0) / 20))
        for k in range(n):
            f = k / n
            s = f * f * (3 - 2 * f) if n > 1 else f
            out.append((t0 + (t1 - t0) * f, e0.lerp(e1, s), g0.lerp(g1, s)))
    out.append(keys[-1])
    return out
