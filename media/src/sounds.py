#!/usr/bin/python3
"""Makes the six sounds of the clock room as Ogg Vorbis files under media/Media/:
ClockMusic.ogg (a piano piece composed here, written as MIDI and rendered with fluidsynth),
ClockRain.ogg, ClockGrom1..3.ogg and ClockTicks.ogg (synthesised with numpy).

Every random choice comes from fixed seeds, so a rerun makes the same sounds.
Usage: media/src/sounds.py [output folder]   (needs fluidsynth, fluid-soundfont-gm,
vorbis-tools, python3-numpy)"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import wave

import numpy as np

RATE = 44100
SOUNDFONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2"


def write_wave(path, samples):
    """samples: float array, shape (frames,) or (frames, channels), full scale 1.0."""
    data = np.asarray(samples, dtype=np.float64)
    if data.ndim == 1:
        data = data[:, None]
    pcm = np.clip(np.round(data * 32767.0), -32768, 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(data.shape[1])
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(pcm.tobytes())


def read_wave(path):
    with wave.open(path, "rb") as w:
        channels = w.getnchannels()
        frames = w.readframes(w.getnframes())
    return np.frombuffer(frames, dtype="<i2").reshape(-1, channels) / 32768.0


# The lowest Vorbis quality that keeps everything up to about 19 kHz (quality 3 cuts at 17 kHz,
# 0 to 2 at 15 to 16 kHz, where the rain's hiss and the drops on the glass lose their air).
QUALITY = 4


def encode(wav, ogg):
    # A fixed stream serial keeps reruns byte for byte the same.
    subprocess.run(["oggenc", "-Q", "-s", "1911", "-q", str(QUALITY), "-o", ogg, wav], check=True)


def db(level):
    return 10.0 ** (level / 20.0)


def rms_db(samples):
    """Root mean square over every sample of every channel, in dB of full scale (as sox's
    "RMS lev dB" of the whole file)."""
    return 20.0 * np.log10(np.sqrt(np.mean(np.asarray(samples) ** 2)))


# ---------------------------------------------------------------------------------------------
# Music: a slow piano piece in A minor at 64 beats per minute, 84 bars (5 min 15 s) in twelve
# sections, each with its own line and left-hand texture, so nothing in it comes round twice
# the same way before the whole piece does.

BPM = 64
TICKS = 480  # per quarter note
BAR = 4 * TICKS
BAR_FRAMES = RATE * 60 * 4 // BPM  # 3.75 s, a whole number of frames

# Chords as (bass root, upper chord tones).
CHORDS = {
    "Am": (45, [57, 60, 64]), "F": (41, [57, 60, 65]), "C": (48, [55, 60, 64]),
    "G": (43, [55, 59, 62]), "Dm": (50, [57, 62, 65]), "E": (40, [56, 59, 64]),
    "Em": (40, [55, 59, 64]), "E7": (40, [56, 62, 64]), "Bb": (46, [58, 62, 65]),
}

# Each section: (left-hand texture, loudness, chords one a bar, melody). The melody is written
# bar by bar ("|"), each note as pitch:quarters, "r" a rest and "+" joining notes struck
# together. Rests are most of the point: the ticking has to come through.
SECTIONS = [
    ("held", 36, "Am F Dm E",
     "r:4 | r:4 | r:2 A4:2 | r:2 G#4:2"),
    ("roll", 48, "Am F C G Dm Am E Am",
     "E5:3 D5:1 | C5:2 A4:2 | G4:1.5 A4:0.5 C5:2 | B4:3 r:1 |"
     "D5:2 F5:1 E5:1 | C5:3 r:1 | B4:2 G#4:1 B4:1 | A4:4"),
    ("pulse", 50, "Am F C G Dm Am E Am",
     "r:1 E5:1 A5:2 | G5:1 F5:1 C5:2 | E5:2 r:1 G5:1 | D5:3 r:1 |"
     "F5:2 E5:1 D5:1 | E5:2 C5:2 | B4:1.5 C5:0.5 D5:2 | C5:1 B4:1 A4:2"),
    ("arp", 54, "F G Em Am Dm G C E7",
     "A5:2 G5:1 F5:1 | G5:3 D5:1 | E5:2 B4:2 | C5:3 E5:1 |"
     "F5:2 A5:1 F5:1 | D5:2 B4:2 | E5:1.5 D5:0.5 C5:2 | B4:2 G#4:2"),
    ("held", 40, "Am G F E",
     "r:2 A5:2 | r:1 G5:3 | r:2 F5:1 E5:1 | r:2 B4:2"),
    ("low", 46, "Dm Am Dm E F C Dm E",
     "D4:2 F4:1 E4:1 | E4:3 r:1 | F4:2 A4:1 G4:1 | G#4:3 r:1 |"
     "A4:2 C5:1 A4:1 | G4:3 r:1 | F4:1 E4:1 D4:2 | E4:4"),
    ("roll", 46, "Am F C G Dm Am E Am",
     "E5:3 r:1 | C5:2 r:2 | G4:1.5 A4:0.5 C5:2 | B4:2 r:1 B5:1 |"
     "D5:2 F5:2 | E5:1 C5:3 | B4:3 r:1 | A4:2 r:2"),
    ("pulse", 54, "F C Dm Am Bb F Dm E",
     "F5:1 A5:2 G5:1 | E5:3 r:1 | D5:1 F5:1 A5:2 | E5:3 r:1 |"
     "D5:2 F5:1 D5:1 | C5:2 A4:1 C5:1 | F5:2 E5:1 D5:1 | G#4:1 B4:1 E5:2"),
    ("roll", 52, "F G Em Am Dm G C E7",
     "F5:1 A5:1 C6:2 | B5:2 G5:1 D5:1 | E5:2 G5:2 | A5:3 r:1 |"
     "F5:1.5 E5:0.5 D5:2 | B4:2 D5:2 | C5:1 E5:1 G5:2 | G#5:2 E5:2"),
    ("held", 40, "Dm Am E E",
     "r:2 F5:2 | r:1 E5:3 | r:4 | r:2 B4:2"),
    ("arp", 50, "Am F C G Dm Am E Am",
     "E5:3 D5:1 | C5:2 A4:1 C5:1 | G4:1.5 A4:0.5 C5:1 E5:1 | D5:2 B4:2 |"
     "D5:1 F5:1 A5:1 F5:1 | E5:2 C5:2 | B4:1.5 A4:0.5 G#4:2 | A4+E5:4"),
    ("coda", 44, "Dm Am F E Am F Dm E",
     "F5:2 E5:1 D5:1 | C5:4 | A4:2 C5:2 | B4:3 r:1 |"
     "r:1 E5:1 C5:2 | A4:4 | F4:2 A4:2 | G#4:4"),
]
BARS = sum(len(chords.split()) for _, _, chords, _ in SECTIONS)

NOTE_CLASSES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def pitch_of(name):
    """'G#4' -> 68: scientific pitch names, A4 = 69."""
    shift = {"#": 1, "b": -1}.get(name[1], 0)
    octave = int(name[2:] if shift else name[1:])
    return 12 * (octave + 1) + NOTE_CLASSES[name[0]] + shift


def parse_melody(text):
    """Per bar, (beat, quarters, pitches) of each struck note."""
    bars = []
    for bar_text in text.split("|"):
        notes, beat = [], 0.0
        for token in bar_text.split():
            names, length = token.split(":")
            if names != "r":
                notes.append((beat, float(length), [pitch_of(n) for n in names.split("+")]))
            beat += float(length)
        assert beat <= 4.0, bar_text
        bars.append(notes)
    return bars


def var_len(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def write_midi(path, events):
    """events: (tick, order, bytes); one track, type 0."""
    events.sort(key=lambda e: (e[0], e[1]))
    track = bytearray()
    now = 0
    for tick, _, data in events:
        track += var_len(tick - now) + data
        now = tick
    track += var_len(0) + b"\xff\x2f\x00"
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS))
        f.write(b"MTrk" + struct.pack(">I", len(track)) + track)


# The left hand on channel 0, the melody on channel 1: a melody note that repeats a chord tone
# then has a key of its own, and neither hand's note-off cuts the other's.
LEFT, RIGHT = 0, 1


def left_hand(note, texture, start, name, loud, jitter):
    """One bar of accompaniment; `note(channel, tick, ticks, pitch, velocity)`."""
    root, upper = CHORDS[name]
    q = TICKS
    if texture in ("held", "coda"):
        note(LEFT, start, BAR - 40, root, loud - 4 + jitter())
        for i, p in enumerate(upper):
            note(LEFT, start + 50 + i * 70, BAR - 120, p, loud - 14 + jitter())
    elif texture == "roll":
        note(LEFT, start, BAR - 40, root, loud - 4 + jitter())
        note(LEFT, start + q, 2 * q, root + 7, loud - 14 + jitter())
        for i, p in enumerate(upper):
            note(LEFT, start + 2 * q + i * 60, 2 * q - i * 60, p, loud - 18 + jitter())
    elif texture == "pulse":
        # Bass on the first and third beats, the chord answering on the second and fourth.
        note(LEFT, start, 2 * q - 20, root, loud - 4 + jitter())
        note(LEFT, start + 2 * q, 2 * q - 20, root + 7, loud - 12 + jitter())
        for beat in (1, 3):
            for p in upper:
                note(LEFT, start + beat * q, q - 30, p, loud - 20 + jitter())
    elif texture == "arp":
        # A broken chord in eighths rising over the first two and a half beats, then held.
        line = [root, root + 7] + upper
        for i, p in enumerate(line):
            note(LEFT, start + i * q // 2, BAR - i * q // 2 - 40, p,
                 loud - (4 if i == 0 else 18) + jitter())
    elif texture == "low":
        # Low octaves held under a melody in the tenor, the chord a soft halo above it.
        note(LEFT, start, BAR - 40, root, loud - 2 + jitter())
        if root - 12 >= 28:
            note(LEFT, start, BAR - 40, root - 12, loud - 10 + jitter())
        for i, p in enumerate(upper):
            note(LEFT, start + 2 * q + i * 80, 2 * q - i * 80, p + 12, loud - 24 + jitter())


def compose(rng):
    events = []

    def note(channel, start, length, pitch, velocity):
        start = max(0, start)
        velocity = int(min(127, max(1, velocity)))
        events.append((start, 1, bytes([0x90 | channel, pitch, velocity])))
        events.append((start + max(1, length), 0, bytes([0x80 | channel, pitch, 0])))

    def human(t):
        return t + int(rng.integers(-12, 13))

    def jitter():
        return int(rng.integers(-3, 4))

    tempo = 60_000_000 // BPM
    events.append((0, 0, b"\xff\x51\x03" + tempo.to_bytes(3, "big")))
    for channel in (LEFT, RIGHT):
        events.append((0, 0, bytes([0xC0 | channel, 0])))  # acoustic grand piano
        events.append((0, 0, bytes([0xB0 | channel, 7, 100])))
        events.append((0, 0, bytes([0xB0 | channel, 91, 60])))  # reverb send

    # The first note starts a little after 0, so the loop's join lies in silence or reverb.
    lead_in = TICKS // 8
    bar = 0
    for texture, loud, chords, melody in SECTIONS:
        names = chords.split()
        lines = parse_melody(melody)
        assert len(lines) == len(names), melody
        for i, (name, line) in enumerate(zip(names, lines)):
            start = lead_in + bar * BAR
            # The pedal is lifted and pressed again just after each bar line.
            for channel in (LEFT, RIGHT):
                events.append((start + 20, 2, bytes([0xB0 | channel, 64, 100])))
                events.append((start + BAR - 30, 0, bytes([0xB0 | channel, 64, 0])))
            # The coda's last bar dies away into the start of the next pass.
            fading = texture == "coda" and i == len(names) - 1
            left_hand(note, texture, human(start), name, loud - (8 if fading else 0), jitter)
            for beat, length, pitches in line:
                # Strong beats lean a little; a phrase rises towards its middle.
                accent = 4 if beat in (0.0, 2.0) else 0
                arch = int(4 * np.sin(np.pi * (i + beat / 4) / len(names)))
                velocity = loud + accent + arch - (10 if fading else 0) + int(rng.integers(-4, 5))
                at = human(start + int(beat * TICKS))
                for k, p in enumerate(pitches):
                    note(RIGHT, at + 25 * k, int(length * TICKS) - 30, p, velocity - 6 * k)
            bar += 1
    # One silent event after the piece keeps the renderer running through the reverb tail.
    end = lead_in + BARS * BAR
    events.append((end + 8 * TICKS, 0, bytes([0xB0, 7, 100])))
    return events


def circular_smooth(values, seconds):
    """A Gaussian blur of `values` (one per frame) that wraps around the end."""
    freqs = np.fft.rfftfreq(len(values), 1.0 / RATE)
    sigma = seconds / 2.0
    return np.fft.irfft(np.fft.rfft(values) * np.exp(-2 * (np.pi * freqs * sigma) ** 2),
                        len(values))


def level_out(loop, strength=0.5, most=db(6.0)):
    """Brings quiet passages part of the way up towards the piece's average, slowly (over
    several seconds) and circularly, so the join stays seamless and no note is pumped."""
    power = circular_smooth(np.mean(loop ** 2, axis=1), 4.0)
    power = np.maximum(power, 1e-12)
    gain = (np.mean(power) / power) ** (strength / 2)
    return loop * np.clip(gain, 1.0 / most, most)[:, None]


def make_music(work, out):
    """Writes ClockMusic.ogg; gives its level (RMS in dB of full scale), which the rain's
    follows."""
    rng = np.random.default_rng(1911)
    mid = os.path.join(work, "music.mid")
    raw = os.path.join(work, "music_raw.wav")
    write_midi(mid, compose(rng))
    subprocess.run(
        ["fluidsynth", "-ni", "-q", "-g", "0.5", "-r", str(RATE), "-O", "s16", "-T", "wav",
         "-o", "synth.chorus.active=0", "-o", "synth.reverb.active=1",
         "-o", "synth.reverb.room-size=0.6", "-o", "synth.reverb.damp=0.45",
         "-o", "synth.reverb.width=0.9", "-o", "synth.reverb.level=0.5",
         "-F", raw, SOUNDFONT, mid],
        check=True, stdout=subprocess.DEVNULL)
    audio = read_wave(raw)
    frames = BARS * BAR_FRAMES
    if len(audio) < frames:
        audio = np.vstack([audio, np.zeros((frames - len(audio), audio.shape[1]))])
    # What rings on after the last bar is what a second pass would hear over its first bars:
    # folding it onto the start makes the end run into the beginning without a seam.
    loop = audio[:frames].copy()
    tail = audio[frames:]
    while len(tail):
        n = min(len(tail), frames)
        loop[:n] += tail[:n]
        tail = tail[n:]
    loop = level_out(loop)
    loop *= db(-7.0) / np.max(np.abs(loop))
    wav = os.path.join(work, "music.wav")
    write_wave(wav, loop)
    encode(wav, os.path.join(out, "ClockMusic.ogg"))
    return rms_db(loop)


# ---------------------------------------------------------------------------------------------
# Noise shaped in the frequency domain. Circular filtering of a periodic signal stays periodic,
# which is what makes the rain loop without a seam.

def shaped_noise(rng, frames, response, channels=1, correlation=0.0):
    freqs = np.fft.rfftfreq(frames, 1.0 / RATE)
    gain = response(np.maximum(freqs, 1.0))
    common = rng.standard_normal(frames)
    out = []
    for _ in range(channels):
        white = np.sqrt(correlation) * common + np.sqrt(1 - correlation) * rng.standard_normal(
            frames)
        shaped = np.fft.irfft(np.fft.rfft(white) * gain, frames)
        out.append(shaped / np.sqrt(np.mean(shaped ** 2)))
    return np.stack(out, axis=1)


def band(low, high, slope=1.0):
    def response(f):
        g = 1.0 / (1.0 + (low / f) ** (2 * slope))
        g /= 1.0 + (f / high) ** (2 * slope)
        return np.sqrt(g)
    return response


def circular_convolve(signal, ir):
    frames = len(signal)
    kernel = np.zeros(frames)
    kernel[:len(ir)] = ir
    k = np.fft.rfft(kernel)
    return np.stack([np.fft.irfft(np.fft.rfft(signal[:, c]) * k, frames)
                     for c in range(signal.shape[1])], axis=1)


def room_ir(rng, seconds, decay):
    n = int(seconds * RATE)
    t = np.arange(n) / RATE
    ir = rng.standard_normal(n) * np.exp(-t / decay)
    ir[0] = 0.0
    return ir / np.sqrt(np.sum(ir ** 2))


def add_wrapped(target, start, grain, gains):
    n = len(target)
    idx = (start + np.arange(len(grain))) % n
    for c, g in enumerate(gains):
        np.add.at(target[:, c], idx, grain * g)


def slow_wander(rng, frames, fastest, depth_db):
    """A gain that drifts at random, no faster than about `fastest` Hz and about `depth_db`
    either way; made in the frequency domain, so it ends where it began."""
    freqs = np.fft.rfftfreq(frames, 1.0 / RATE)
    spectrum = rng.standard_normal(len(freqs)) + 1j * rng.standard_normal(len(freqs))
    spectrum *= np.exp(-(freqs / fastest) ** 2)
    spectrum[0] = 0.0
    wander = np.fft.irfft(spectrum, frames)
    return db(depth_db * wander / np.std(wander))


def impulses(rng, frames, per_second, channels=2):
    """Drops at random instants (a Poisson process), sizes spread like real drops, placed
    at random across the stereo picture."""
    count = rng.poisson(per_second * frames / RATE)
    out = np.zeros((frames, channels))
    at = rng.integers(frames, size=count)
    size = rng.exponential(1.0, count) ** 1.5
    pan = rng.uniform(0.0, 1.0, count)
    np.add.at(out[:, 0], at, size * np.sqrt(1 - pan))
    np.add.at(out[:, 1], at, size * np.sqrt(pan))
    return out


RAIN_UNDER_MUSIC = 3.5  # dB


def make_rain(work, out, level):
    """Steady rain whose loop is 96 s long: no drop, swell or gust comes back within it."""
    rng = np.random.default_rng(2207)
    frames = 96 * RATE
    # Broadband hiss of many small drops, roughened by a fast random flutter, and the duller
    # wash of rain on the roof.
    hiss = shaped_noise(rng, frames, lambda f: band(300, 9000)(f) * (1000 / f) ** 0.2, 2, 0.3)
    hiss *= slow_wander(rng, frames, 35.0, 1.5)[:, None]
    roof = shaped_noise(rng, frames, band(90, 700, 1.5), 2, 0.6)
    # Patter: drops on the sill and the frame, three dozen a second, short knocks of filtered
    # noise.
    patter = np.zeros((frames, 2))
    for per_second, low, high, decay in ((14, 700, 2600, 0.010), (14, 1500, 5000, 0.006),
                                         (8, 400, 1400, 0.018)):
        n = int(0.08 * RATE)
        tt = np.arange(n) / RATE
        knock = shaped_noise(rng, n, band(low, high, 1.5))[:, 0] * np.exp(-tt / decay)
        patter += circular_convolve(impulses(rng, frames, per_second), knock)
    patter /= np.sqrt(np.mean(patter ** 2))

    # Drops on the glass: small ticks, and fewer, larger ones that ring.
    glass = np.zeros((frames, 2))
    seconds = frames / RATE
    for count, size in ((int(seconds * 11), "small"), (int(seconds * 1.4), "large")):
        for _ in range(count):
            start = int(rng.integers(frames))
            if size == "small":
                n = int(RATE * 0.02)
                freq = rng.uniform(2500, 6500)
                decay = rng.uniform(0.002, 0.006)
                amp = rng.exponential(0.25)
            else:
                n = int(RATE * 0.12)
                freq = rng.uniform(1200, 3200)
                decay = rng.uniform(0.012, 0.035)
                amp = rng.uniform(0.5, 1.2)
            tt = np.arange(n) / RATE
            # A drop's pitch falls a little as its ripple spreads.
            phase = 2 * np.pi * freq * (tt - 0.6 * tt * tt / 0.05)
            grain = np.sin(phase) * np.exp(-tt / decay) * np.minimum(1.0, tt / 0.0004)
            pan = rng.uniform(0.15, 0.85)
            add_wrapped(glass, start, amp * grain, (np.sqrt(1 - pan), np.sqrt(pan)))
    glass = 0.7 * glass + 0.5 * circular_convolve(glass, room_ir(rng, 0.4, 0.08))
    glass /= np.sqrt(np.mean(glass ** 2))

    # The rain comes and goes a little (about 1.5 dB, over ten seconds and more); the patter
    # follows it and the nearer drops on the sill a little faster.
    swell = slow_wander(rng, frames, 0.08, 1.5)
    gusts = slow_wander(rng, frames, 0.25, 2.0)
    mix = (0.55 * hiss + 0.45 * roof) * swell[:, None]
    mix += 0.22 * patter * (swell * gusts)[:, None] + 0.3 * glass
    mix *= db(level) / np.sqrt(np.mean(mix ** 2))
    wav = os.path.join(work, "rain.wav")
    write_wave(wav, mix)
    encode(wav, os.path.join(out, "ClockRain.ogg"))


# ---------------------------------------------------------------------------------------------
# Thunder: low noise under an envelope of rolling bursts.

def lowpassed_noise(rng, frames, high, low=25.0):
    return shaped_noise(rng, frames + RATE, band(low, high, 1.5), 2, 0.5)[:frames]


def roll_envelope(rng, frames, bursts, first, last, rise, fall):
    t = np.arange(frames) / RATE
    env = np.zeros(frames)
    for i in range(bursts):
        at = rng.uniform(first, last)
        amp = rng.uniform(0.4, 1.0) * np.exp(-(at - first) / (last - first + 1e-9))
        d = t - at
        env += amp * np.exp(-np.abs(d) / np.where(d < 0, rise, fall))
    return env


def swells(rng, frames, shape):
    """Separate swells of a roll, each (time, height, rise, fall) in seconds, a little moved at
    random: bell-shaped, so the roll sinks between them before the next one comes."""
    t = np.arange(frames) / RATE
    env = np.zeros(frames)
    for at, height, rise, fall in shape:
        at += rng.uniform(-0.15, 0.15)
        height *= rng.uniform(0.85, 1.15)
        d = t - at
        env += height * np.exp(-0.5 * (d / np.where(d < 0, rise, fall)) ** 2)
    return env


def finish(sound, peak, fade_in=0.003, fade_out=0.8):
    frames = len(sound)
    ramp = np.ones(frames)
    a = int(fade_in * RATE)
    b = int(fade_out * RATE)
    ramp[:a] = np.linspace(0, 1, a)
    ramp[-b:] *= np.cos(np.linspace(0, np.pi / 2, b)) ** 2
    sound = sound * ramp[:, None]
    return sound * db(peak) / np.max(np.abs(sound))


# The close roll: a boom right after the crack, then swells further and further apart as the
# sound arrives from farther along the lightning channel.
CLOSE_ROLL = ((0.25, 1.0, 0.08, 0.35), (1.5, 0.75, 0.22, 0.32), (2.9, 0.85, 0.25, 0.35),
              (4.3, 0.6, 0.25, 0.38), (5.9, 0.65, 0.28, 0.4), (7.6, 0.45, 0.3, 0.42),
              (9.4, 0.38, 0.32, 0.45), (11.3, 0.26, 0.35, 0.5), (13.0, 0.15, 0.4, 0.5))


def make_thunder(work, out):
    rng = np.random.default_rng(4242)
    ir = room_ir(rng, 1.2, 0.35)

    def reverb(x, wet):
        padded = np.vstack([x, np.zeros((len(ir), 2))])
        return (padded + wet * circular_convolve(padded, ir))[:len(x)]

    # Close: a sharp crack, its tearing crackle, then a long roll of rumbling swells.
    frames = int(15.0 * RATE)
    t = np.arange(frames) / RATE
    crack = shaped_noise(rng, frames, band(400, 12000), 2, 0.8)
    crack_env = np.where(t < 0.03, 0.0, np.exp(-(t - 0.03) / 0.07)) * (t >= 0.03)
    crackle_env = roll_envelope(rng, frames, 14, 0.05, 0.6, 0.004, 0.025)
    # Under the swells the rumble never quite stops, and within them it shudders.
    roll = swells(rng, frames, CLOSE_ROLL) + 0.05 * np.exp(-t / 5.0)
    low = lowpassed_noise(rng, frames, 240) * slow_wander(rng, frames, 7.0, 3.0)[:, None]
    growl = shaped_noise(rng, frames, band(110, 600, 2.0), 2, 0.5)
    growl *= slow_wander(rng, frames, 12.0, 4.0)[:, None]
    close = (1.4 * crack * crack_env[:, None] + 0.5 * crack * crackle_env[:, None] +
             (1.0 * low + 0.3 * growl) * roll[:, None])
    close = reverb(close, 0.45)

    # Medium: no crack, a roll that swells and rolls on.
    frames = int(8.0 * RATE)
    t = np.arange(frames) / RATE
    body = lowpassed_noise(rng, frames, 520, 35)
    medium_env = roll_envelope(rng, frames, 12, 0.4, 4.5, 0.15, 0.6) * np.exp(-t / 3.2)
    medium = reverb(body * medium_env[:, None], 0.5)

    # Distant: only the deepest part reaches this far, slow in and slow out.
    frames = int(7.0 * RATE)
    t = np.arange(frames) / RATE
    deep = lowpassed_noise(rng, frames, 140, 20)
    distant_env = roll_envelope(rng, frames, 7, 0.8, 4.0, 0.4, 0.9) * np.exp(-t / 2.8)
    distant = reverb(deep * distant_env[:, None], 0.4)

    for name, sound, peak, fade in (("ClockGrom1", close, -1.0, 2.0),
                                    ("ClockGrom2", medium, -4.0, 1.5),
                                    ("ClockGrom3", distant, -9.0, 1.5)):
        wav = os.path.join(work, name + ".wav")
        write_wave(wav, finish(sound, peak, fade_out=fade))
        encode(wav, os.path.join(out, name + ".ogg"))


# ---------------------------------------------------------------------------------------------
# Ticks: a dry mechanical tick and a slightly lower tock, one second apart, in a 2 s loop.

def strike(rng, pitch, decay_scale, level):
    n = int(0.09 * RATE)
    t = np.arange(n) / RATE
    # Escapement modes: a bright click over a short wooden body.
    modes = ((2300, 0.010, 0.8), (3700, 0.007, 0.6), (5900, 0.004, 0.45), (8100, 0.0025, 0.3),
             (950, 0.006, 0.5))
    sound = np.zeros(n)
    for freq, decay, amp in modes:
        sound += amp * np.sin(2 * np.pi * freq * pitch * t + rng.uniform(0, 2 * np.pi)) * np.exp(
            -t / (decay * decay_scale))
    click = rng.standard_normal(n) * np.exp(-t / 0.0008)
    sound += 0.6 * click
    sound *= np.minimum(1.0, t / 0.0002)
    # The last 20 ms fall to exact silence.
    sound[-int(0.02 * RATE):] *= np.linspace(1, 0, int(0.02 * RATE))
    return level * sound / np.max(np.abs(sound))


def make_ticks(work, out):
    rng = np.random.default_rng(60)
    frames = 2 * RATE
    loop = np.zeros(frames)
    offset = int(0.005 * RATE)
    for start, pitch, decay, level in ((offset, 1.0, 1.0, db(-3.0)),
                                       (offset + RATE, 0.82, 1.3, db(-4.0))):
        s = strike(rng, pitch, decay, level)
        loop[start:start + len(s)] += s
    wav = os.path.join(work, "ticks.wav")
    write_wave(wav, loop)
    encode(wav, os.path.join(out, "ClockTicks.ogg"))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "Media")
    os.makedirs(out, exist_ok=True)
    for tool in ("fluidsynth", "oggenc"):
        if shutil.which(tool) is None:
            sys.exit(f"{tool} is missing (apt-get install fluidsynth vorbis-tools)")
    if not os.path.exists(SOUNDFONT):
        sys.exit(f"{SOUNDFONT} is missing (apt-get install fluid-soundfont-gm)")
    with tempfile.TemporaryDirectory(prefix="zorvane_sounds_") as work:
        make_ticks(work, out)
        make_thunder(work, out)
        # At equal volume the rain sits this far under the music on average: present all the
        # time, but the piano's quiet bars still come through it.
        make_rain(work, out, make_music(work, out) - RAIN_UNDER_MUSIC)


if __name__ == "__main__":
    main()
