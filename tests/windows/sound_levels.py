"""Levels of a recording of the saver's sound (16-bit stereo wave files at 44100 Hz), for the
shell tests of the Windows program: the first sound heard, the rain's hiss in the top of the
spectrum, and its level each quarter second."""
import array
import math
import struct

RATE = 44100
QUARTER = RATE // 4


def read_mono(path):
    """The recording's samples, both channels averaged, full scale 1.0. The data runs to the end
    of the file: a recorder that was stopped leaves its length unwritten."""
    data = open(path, "rb").read()
    at = 12
    while at + 8 <= len(data):
        tag, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        if tag == b"data":
            data = data[at + 8:]
            break
        at += 8 + size + (size & 1)
    else:
        return []
    samples = array.array("h", data[:len(data) // 4 * 4])
    return [(samples[i] + samples[i + 1]) / 65536.0 for i in range(0, len(samples) - 1, 2)]


def level(values):
    return math.sqrt(sum(v * v for v in values) / max(1, len(values)))


def onset(mono, threshold=3e-4):
    """The sample at the start of the first quarter second above `threshold`; None for none."""
    quarter = next((q for q in range(len(mono) // QUARTER)
                    if level(mono[q * QUARTER:(q + 1) * QUARTER]) > threshold), None)
    return None if quarter is None else quarter * QUARTER


def treble(mono, start, end):
    """The fourth difference over [start, end): a thunder roll at volume 100 stands 25 dB over
    the rain, and this leaves its rumble, and the piano, 40 dB or more under the rain's hiss."""
    return [mono[i] - 4 * mono[i - 1] + 6 * mono[i - 2] - 4 * mono[i - 3] + mono[i - 4]
            for i in range(max(4, start), end)]


def quarters(values):
    return [level(values[q * QUARTER:(q + 1) * QUARTER]) for q in range(len(values) // QUARTER)]


def median(values):
    ordered = sorted(values)
    return ordered[len(ordered) // 2]


def lower_envelope(levels, steady, span=3, limit=20):
    """Thunder only adds to the hiss: the fade is read from the least of the next `span` quarters
    (up to `limit`), as a share of the steady level; the rain itself wanders by a fifth from one
    quarter second to another."""
    return [min(levels[q:min(q + span, limit)]) / steady for q in range(limit)]


def recent(path):
    """The level of the file's last quarter second, read from its end alone (the file grows while
    a run records it)."""
    with open(path, "rb") as f:
        f.seek(0, 2)
        size = f.tell()
        if size < 4 * QUARTER + 80:
            return 0.0
        f.seek(size // 4 * 4 - 4 * QUARTER)
        samples = array.array("h", f.read(4 * QUARTER))
    return level([(samples[i] + samples[i + 1]) / 65536.0 for i in range(0, len(samples) - 1, 2)])


if __name__ == "__main__":
    import sys
    # sound_levels.py recent FILE: the last quarter second's level in millionths of full scale.
    if len(sys.argv) == 3 and sys.argv[1] == "recent":
        print(int(1e6 * recent(sys.argv[2])))
    else:
        sys.exit("usage: sound_levels.py recent FILE")
