"""The ten camera paths of the tour, keyed on Blender cameras c1..c10 by room.py.

Each path is a duration and a list of (eye, target) waypoints in Blender metres. The eye moves
along a Catmull-Rom curve through its waypoints at an even speed, easing in at the start and out
at the end, and the target follows along the same curve parameter, so every waypoint is a framing
the camera passes through. Keys every two seconds are close enough for the engine's linear
interpolation to look smooth. The room's geometry comes in from room.py.
"""
import math
import os
import re

import bpy
from mathutils import Vector

KEY_STEP = 2.0
# Share of a path's time spent speeding up at its start, and again slowing down at its end.
RAMP = 0.2
SCENE_PROPS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "Media",
                           "Scene.props")


def P(x, y, z):
    return Vector((x, y, z))


def paths(clock_x, dial_y, dial_z, east_x, north_y, win_y0, win_y1):
    """Blender metres: the floor is at z = -1.4, so an eye height of 60 to 170 cm is -0.8 to
    0.3. The clock's front is at y = 1.6, 0.6 m wide, 2.14 m tall; the lamp and its table stand
    at (0.05, 0.95), the armchair at (-0.75, -0.35), the window and curtains along x = 2.3."""
    cx = clock_x
    dial = P(cx, dial_y, dial_z)
    # The whole clock's middle, its trunk door and the pendulum bob, the plinth.
    whole = P(cx, 1.75, -0.33)
    trunk = P(cx, 1.7, -0.45)
    bob = P(cx, 1.8, -0.73)
    plinth = P(cx, 1.7, -1.15)
    window = P(east_x, (win_y0 + win_y1) / 2, 0.2)
    picture = P(-1.05, north_y, 0.25)
    return {
        # Push in from the south-west corner to the whole clock, the lamp beside it and the
        # picture above the lamp, all three inside the frame.
        "c1": (40, [(P(-2.05, -1.7, 0.2), whole + P(-0.4, 0, 0.1)),
                    (P(-0.75, -1.3, 0.0), whole + P(-0.1, 0, 0.05)),
                    (P(0.45, -1.0, -0.15), whole + P(-0.35, 0, 0))]),
        # Rise along the trunk from the plinth to the dial, drawing nearer.
        "c2": (32, [(P(cx + 0.3, 0.25, -0.78), plinth + P(0, 0, 0.15)),
                    (P(cx + 0.2, 0.45, -0.35), trunk + P(0, 0, -0.2)),
                    (P(cx + 0.1, 0.75, 0.2), dial)]),
        # Close glide across the dial, from above on its left to below on its right.
        "c3": (20, [(P(cx - 0.32, 1.28, 0.28), dial + P(-0.03, 0, 0.02)),
                    (P(cx, 1.2, 0.22), dial),
                    (P(cx + 0.32, 1.28, 0.14), dial + P(0.03, 0, -0.02))]),
        # The pendulum swinging behind the door glass, then up and back to the hood.
        "c4": (32, [(P(cx + 0.05, 1.15, -0.76), bob),
                    (P(cx - 0.03, 1.0, -0.4), bob + P(0, 0, 0.3)),
                    (P(cx, 0.45, 0.2), dial + P(0, 0, 0.1))]),
        # From the armchair: the clock on the left, the window and the storm on the right,
        # leaning over to the window and back to the clock as the eye leaves the chair.
        "c5": (28, [(P(-0.87, -0.51, -0.3), whole + P(0.5, -0.5, 0.15)),
                    (P(-0.35, -0.75, -0.22), P(1.8, 0.6, 0.0)),
                    (P(0.25, -0.7, -0.15), whole + P(0.1, 0, 0.1))]),
        # Along the window and the curtain, turning to find the clock in the lamp light.
        "c6": (26, [(P(1.45, -1.8, 0.1), P(2.1, 0.3, 0.0)),
                    (P(1.9, -1.25, 0.05), window + P(0, 0.1, 0)),
                    (P(1.95, -0.6, -0.1), whole + P(0, 0, 0.1))]),
        # The picture and the clock across the wall with the lamp before it, then closer to the
        # picture and a long drift and pan to the clock.
        "c7": (50, [(P(-1.9, -0.3, 0.1), picture.lerp(whole, 0.5) + P(0, 0, 0.05)),
                    (P(-1.35, 0.35, 0.05), picture + P(0.2, 0, -0.05)),
                    (P(-0.45, 0.35, 0.0), picture.lerp(dial, 0.6)),
                    (P(0.55, 0.0, -0.05), dial + P(0, 0, -0.2)),
                    (P(1.1, 0.05, -0.1), whole + P(0.15, 0, 0.35))]),
        # Low across the rug: the whole clock beyond it, then the plinth close, tilting up to the
        # hood.
        "c8": (30, [(P(1.1, -1.75, -0.76), whole + P(-0.15, 0, -0.25)),
                    (P(0.95, -0.75, -0.77), trunk + P(0, 0, -0.35)),
                    (P(1.1, 0.35, -0.75), whole + P(0.15, 0, 0.55))]),
        "c9": (22, c9_points(cx, whole)),
        # Wide view of the north wall from the south side, drifting west to east.
        "c10": (26, [(P(-1.0, -1.8, 0.25), whole + P(-0.8, 0, 0.05)),
                     (P(-0.2, -1.82, 0.2), whole + P(-0.5, 0, 0.0)),
                     (P(0.6, -1.8, 0.15), whole + P(0.1, 0, 0.0))]),
    }


def c9_points(clock_x, whole):
    """Orbit round the clock's front half towards the window, sinking a little, from where the
    lamp shade is off the frame's left edge to where the eye is still clear of the curtain. The
    camera starts looking a little right of the clock, the lamp well out of the frame, and ends
    looking left of it, with the lamp and the picture well inside."""
    points = []
    for i in range(6):
        f = i / 5
        a = math.radians(10 + 34 * f)
        r = 1.75
        eye = P(clock_x + r * math.sin(a), 1.75 - r * math.cos(a), 0.1 - 0.3 * f)
        points.append((eye, whole + P(0.2 - 0.6 * f, 0, 0.3)))
    return points


def catmull_rom(points, u):
    i = min(int(u), len(points) - 2)
    f = u - i
    p0 = points[max(i - 1, 0)]
    p1 = points[i]
    p2 = points[i + 1]
    p3 = points[min(i + 2, len(points) - 1)]
    return 0.5 * (2 * p1 + (p2 - p0) * f + (2 * p0 - 5 * p1 + 4 * p2 - p3) * f * f +
                  (3 * p1 - p0 - 3 * p2 + p3) * f * f * f)


def eased(x):
    """Share of the way covered after share x of the time: constant speed between a linear
    speed-up over the first RAMP and a slow-down over the last."""
    if x < RAMP:
        s = x * x / (2 * RAMP)
    elif x > 1 - RAMP:
        s = 1 - RAMP - (1 - x) ** 2 / (2 * RAMP)
    else:
        s = RAMP / 2 + (x - RAMP)
    return s / (1 - RAMP)


def sample(duration, waypoints):
    """(seconds, eye, target) keys every KEY_STEP seconds along the path."""
    eyes = [e for e, _ in waypoints]
    targets = [g for _, g in waypoints]
    # Eye curve length against the curve parameter, for an even speed along it.
    steps = 200 * (len(eyes) - 1)
    us = [k / 200 for k in range(steps + 1)]
    lengths = [0.0]
    for u0, u1 in zip(us, us[1:]):
        lengths.append(lengths[-1] + (catmull_rom(eyes, u1) - catmull_rom(eyes, u0)).length)
    keys = []
    n = round(duration / KEY_STEP)
    k = 0
    for j in range(n + 1):
        d = eased(j / n) * lengths[-1]
        while k < steps - 1 and lengths[k + 1] < d:
            k += 1
        f = (d - lengths[k]) / max(lengths[k + 1] - lengths[k], 1e-9)
        u = min(us[k] + f * (us[k + 1] - us[k]), us[-1])
        keys.append((j * duration / n, catmull_rom(eyes, u), catmull_rom(targets, u)))
    return keys


def scene_fov():
    """The vertical field of view in degrees that the engine uses, from Scene.props."""
    with open(SCENE_PROPS) as f:
        return float(re.search(r"^Fov\s*=\s*([0-9.]+)\s*;", f.read(), re.M).group(1))


def build_cameras(out, **room):
    """Keys cameras c1..c10, prints each path's length, speed and eye heights, and writes
    out/paths.txt: each path's name and end in tenths of a second, for the screenshots."""
    all_paths = paths(**room)
    scene = bpy.context.scene
    fov = math.radians(scene_fov())
    end = 0
    for name, (duration, waypoints) in all_paths.items():
        data = bpy.data.cameras.new(name)
        data.lens_unit = "FOV"
        data.sensor_fit = "VERTICAL"
        data.angle = fov
        cam = bpy.data.objects.new(name, data)
        scene.collection.objects.link(cam)
        cam.rotation_mode = "QUATERNION"
        keys = sample(duration, waypoints)
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
        length = sum((b[1] - a[1]).length for a, b in zip(keys, keys[1:]))
        heights = [(e.z + 1.4) * 100 for _, e, _ in keys]
        print("path %s: %d s, %.0f cm, %.1f cm/s, eye %.0f-%.0f cm" % (
            name, duration, length * 100, length * 100 / duration, min(heights), max(heights)),
            flush=True)
    scene.frame_end = int(end)
    with open(os.path.join(out, "paths.txt"), "w") as f:
        for name, (duration, _) in all_paths.items():
            f.write("%s %d\n" % (name, round(duration * 10)))
