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


def encode(wav, ogg, quality):
    # A fixed stream serial keeps reruns byte for byte the same.
    subprocess.run(["oggenc", "-Q", "-s", "1911", "-q", str(quality), "-o", ogg, wav], check=True)


def db(level):
    return 10.0 ** (level / 20.0)


# ---------------------------------------------------------------------------------------------
# Music: a slow piano piece in A minor at 64 beats per minute.

BPM = 64
TICKS = 480  # per quarter note
BAR = 4 * TICKS
BAR_FRAMES = RATE * 60 * 4 // BPM  # 3.75 s, a whole number of frames

A_MINOR = [57, 59, 60, 62, 64, 65, 67]


def scale_over(chord):
    """The melody's scale from A4 up: natural minor, the seventh raised over the dominant."""
    steps = [68 if p == 67 and chord in ("E", "E7") else p for p in A_MINOR]
    return [p + 12 for p in steps] + [p + 24 for p in steps]


# Chords as (bass root, upper chord tones) per bar; four sections and a coda.
CHORDS = {
    "Am": (45, [57, 60, 64]), "F": (41, [57, 60, 65]), "C": (48, [55, 60, 64]),
    "G": (43, [55, 59, 62]), "Dm": (50, [57, 62, 65]), "E": (40, [56, 59, 64]),
    "Em": (40, [55, 59, 64]), "E7": (40, [56, 62, 64]),
}
SECTION_A = ["Am", "F", "C", "G", "Dm", "Am", "E", "Am"]
SECTION_B = ["F", "G", "Em", "Am", "Dm", "G", "C", "E7"]
FORM = SECTION_A + SECTION_A + SECTION_B + SECTION_A + SECTION_B + ["Dm", "E", "Am", "Am"]

# Melody rhythms in quarter notes; None is a rest. Sparse on purpose: the ticking needs space.
RHYTHMS = [
    [2, 2], [3, 1], [None, 1, 2], [4], [None, 2, 1, 1], [2, None, 1], [1, 1, 2], [None, 3],
]


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


def nearest(pitches, target):
    return min(pitches, key=lambda p: (abs(p - target), p))


def compose(rng):
    events = []

    def note(start, length, pitch, velocity):
        start = max(0, start)
        events.append((start, 1, bytes([0x90, pitch, velocity])))
        events.append((start + max(1, length), 0, bytes([0x80, pitch, 0])))

    tempo = 60_000_000 // BPM
    events.append((0, 0, b"\xff\x51\x03" + tempo.to_bytes(3, "big")))
    events.append((0, 0, bytes([0xC0, 0])))  # acoustic grand piano
    events.append((0, 0, bytes([0xB0, 7, 100])))
    events.append((0, 0, bytes([0xB0, 91, 60])))  # reverb send

    # The first note starts a little after 0, so the loop's join lies in silence or reverb.
    lead_in = TICKS // 8
    melody_pitch = 69
    for bar, name in enumerate(FORM):
        start = lead_in + bar * BAR
        root, upper = CHORDS[name]
        last = bar == len(FORM) - 1
        # The pedal is lifted and pressed again just after each bar line.
        events.append((start + 20, 2, bytes([0xB0, 64, 100])))
        events.append((start + BAR - 30, 0, bytes([0xB0, 64, 0])))

        def human(t):
            return t + int(rng.integers(-12, 13))

        # Left hand: root, fifth and the chord above, rolled gently over the bar.
        soft = 30 if last else 0
        note(human(start), BAR - 40, root, 44 - soft // 2 + int(rng.integers(-3, 4)))
        if not last:
            note(human(start + TICKS), 2 * TICKS, root + 7, 34 + int(rng.integers(-3, 4)))
            for i, p in enumerate(upper):
                note(human(start + 2 * TICKS + i * 60), TICKS * 2 - i * 60, p,
                     30 + int(rng.integers(-3, 4)))
        else:
            for i, p in enumerate(upper):
                note(start + 40 + i * 90, BAR - 400, p, 26)

        # Right hand: a sparse line that lands on chord tones on strong beats.
        if last or (bar % 8 == 7 and rng.random() < 0.5):
            continue
        rhythm = RHYTHMS[int(rng.integers(len(RHYTHMS)))]
        beat = 0
        for length in rhythm:
            if length is None:
                beat += 1
                continue
            if beat in (0, 2):
                chord_tones = [p + 12 * k for p in upper for k in (1, 2)]
                target = melody_pitch + int(rng.integers(-4, 5))
                pitch = nearest([p for p in chord_tones if 64 <= p <= 81], target)
            else:
                step = int(rng.choice([-2, -1, -1, 1, 1, 2]))
                scale = [p for p in scale_over(name) if p <= 84]
                i = scale.index(nearest(scale, melody_pitch))
                pitch = scale[min(len(scale) - 1, max(0, i + step))]
            melody_pitch = pitch
            velocity = 48 + int(rng.integers(-6, 10)) - (6 if beat else 0)
            note(human(start + beat * TICKS), length * TICKS - 30, pitch, velocity)
            beat += length
    # One silent event after the piece keeps the renderer running through the reverb tail.
    end = lead_in + len(FORM) * BAR
    events.append((end + 8 * TICKS, 0, bytes([0xB0, 7, 100])))
    return events


def make_music(work, out):
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
    frames = len(FORM) * BAR_FRAMES
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
    loop *= db(-7.0) / np.max(np.abs(loop))
    wav = os.path.join(work, "music.wav")
    write_wave(wav, loop)
    encode(wav, os.path.join(out, "ClockMusic.ogg"), 1)


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


def make_rain(work, out):
    rng = np.random.default_rng(2207)
    frames = 30 * RATE
    t = np.arange(frames) / RATE
    seconds = frames / RATE
    # Broadband hiss of many small drops, and the duller patter on the roof.
    hiss = shaped_noise(rng, frames, lambda f: band(350, 7000)(f) * (1000 / f) ** 0.25, 2, 0.3)
    roof = shaped_noise(rng, frames, band(90, 700, 1.5), 2, 0.6)
    # Slow swells of whole cycles over the loop's length.
    swell = np.ones(frames)
    for cycles, depth in ((2, 0.10), (5, 0.06), (11, 0.04)):
        swell += depth * np.sin(2 * np.pi * cycles * t / seconds + rng.uniform(0, 2 * np.pi))
    rain = (0.55 * hiss + 0.45 * roof) * swell[:, None]

    drops = np.zeros((frames, 2))
    # Small ticks of drops on the glass, and fewer, larger ones that ring.
    for count, size in ((int(seconds * 14), "small"), (int(seconds * 1.6), "large")):
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
            add_wrapped(drops, start, amp * grain, (np.sqrt(1 - pan), np.sqrt(pan)))
    drops = 0.7 * drops + 0.5 * circular_convolve(drops, room_ir(rng, 0.4, 0.08))
    mix = rain + 0.9 * drops / np.sqrt(np.mean(drops ** 2)) * 0.35
    mix *= db(-24.0) / np.sqrt(np.mean(mix ** 2))
    wav = os.path.join(work, "rain.wav")
    write_wave(wav, mix)
    encode(wav, os.path.join(out, "ClockRain.ogg"), 0)


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


def finish(sound, peak, fade_in=0.003, fade_out=0.8):
    frames = len(sound)
    ramp = np.ones(frames)
    a = int(fade_in * RATE)
    b = int(fade_out * RATE)
    ramp[:a] = np.linspace(0, 1, a)
    ramp[-b:] *= np.cos(np.linspace(0, np.pi / 2, b)) ** 2
    sound = sound * ramp[:, None]
    return sound * db(peak) / np.max(np.abs(sound))


def make_thunder(work, out):
    rng = np.random.default_rng(4242)
    ir = room_ir(rng, 1.2, 0.35)

    def reverb(x, wet):
        padded = np.vstack([x, np.zeros((len(ir), 2))])
        return (padded + wet * circular_convolve(padded, ir))[:len(x)]

    # Close: a sharp crack, its tearing crackle, then a long roll.
    frames = int(7.5 * RATE)
    t = np.arange(frames) / RATE
    crack = shaped_noise(rng, frames, band(400, 12000), 2, 0.8)
    crack_env = np.where(t < 0.03, 0.0, np.exp(-(t - 0.03) / 0.07)) * (t >= 0.03)
    crackle_env = roll_envelope(rng, frames, 14, 0.05, 0.45, 0.004, 0.025)
    rumble = lowpassed_noise(rng, frames, 260)
    rumble_env = roll_envelope(rng, frames, 12, 0.15, 3.5, 0.12, 0.9) * np.exp(-t / 3.0)
    close = (1.4 * crack * crack_env[:, None] + 0.5 * crack * crackle_env[:, None] +
             1.0 * rumble * rumble_env[:, None])
    close = reverb(close, 0.6)

    # Medium: no crack, a roll that swells and rolls on.
    frames = int(5.5 * RATE)
    t = np.arange(frames) / RATE
    body = lowpassed_noise(rng, frames, 520, 35)
    medium_env = roll_envelope(rng, frames, 10, 0.4, 3.0, 0.15, 0.6) * np.exp(-t / 2.5)
    medium = reverb(body * medium_env[:, None], 0.5)

    # Distant: only the deepest part reaches this far, slow in and slow out.
    frames = int(4.5 * RATE)
    t = np.arange(frames) / RATE
    deep = lowpassed_noise(rng, frames, 140, 20)
    distant_env = roll_envelope(rng, frames, 6, 0.8, 2.6, 0.4, 0.9) * np.exp(-t / 2.0)
    distant = reverb(deep * distant_env[:, None], 0.4)

    for name, sound, peak, fade in (("ClockGrom1", close, -1.0, 1.5),
                                    ("ClockGrom2", medium, -4.0, 1.2),
                                    ("ClockGrom3", distant, -9.0, 1.2)):
        wav = os.path.join(work, name + ".wav")
        write_wave(wav, finish(sound, peak, fade_out=fade))
        encode(wav, os.path.join(out, name + ".ogg"), 0)


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
    encode(wav, os.path.join(out, "ClockTicks.ogg"), 2)


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
        make_rain(work, out)
        make_music(work, out)


if __name__ == "__main__":
    main()
