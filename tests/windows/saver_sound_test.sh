#!/usr/bin/env bash
# zorvane.scr's sound under Wine, through DirectSound and Wine's PulseAudio driver into a sound
# server of the test's own whose only output is a null sink, recorded in real time from its
# monitor:
#   saver_sound_test.sh WINE_RUN STATE_DIR PROGRAM OUTPUT_DIR
# `/s` starts silent and fades the music and the rain in over about four seconds to a steady
# level; Wine's traces of that run time the thunder: each clap's buffer is played half a second
# after a flash starts to set the gamma ramp; at its end DirectSound's device is closed and its
# module's temporary copy goes; a killed run's copy goes at the next start; with no sound server
# at all the saver runs silent and ends as it should.
set -euo pipefail
run="$1"
state="$2"
program="$3"
out="$4"
rm -rf "$out"
mkdir -p "$out"
# shellcheck source=tests/windows/saver_test_support.sh
. "$(dirname "$0")/saver_test_support.sh"

recorder=""
cleanup() {
    [ -n "$recorder" ] && kill "$recorder" 2>/dev/null || true
    stop_sound_server
}
trap cleanup EXIT
start_sound_server "$out/pulseaudio.log"

# A copy deleted while `find` walks the folder makes it fail; what is left is still the answer.
temp_copies() {
    { find "$WINEPREFIX/drive_c/users" -path '*/Temp/*' -iname 'bas*.tmp' 2>/dev/null || true; } |
        sort
}

# A recorded run, traced: fourteen seconds of sound after it is first heard, then Escape.
recorded_run() {
    rm -f "$out/sound.wav" "$out/trace.txt"
    parec -d zorvane.monitor --file-format=wav --format=s16le --rate=44100 --channels=2 \
        "$out/sound.wav" &
    recorder=$!
    WINEDEBUG="+timestamp,+d3d9,+dsound" "$run" "$state" "$program" /s 2>"$out/trace.txt" &
    saver=$!
    wait_until_heard "$out/sound.wav" "$saver" || fail "nothing was heard in a minute"
    copies="$(temp_copies)"
    [ "$(echo "$copies" | grep -c .)" -eq 1 ] || fail "not one copy of the module while it runs: $copies"
    sleep 14
    kill -0 "$saver" 2>/dev/null || fail "/s ended before it was asked to"
    xdotool key --delay 100 Escape
    expect_end "$saver" Escape
    # A device left open at the process's end makes Wine's sound driver fault now and then.
    grep -q "DirectSoundDevice_Release (.*) released" "$out/trace.txt" ||
        fail "DirectSound's device was still open when the process ended"
    sleep 0.5
    kill "$recorder"
    wait "$recorder" 2>/dev/null || true
    recorder=""
    [ -z "$(temp_copies)" ] || fail "the module's copy stayed after a normal end: $(temp_copies)"
}

# The fade measured on the rain's hiss, the top of the spectrum, which the thunder's rumble and
# the piano hardly reach. Levels each quarter second from the first heard sound, as a
# share of the steady level after the fade.
check_fade() {
python3 - "$1" "$(dirname "$0")" <<'EOF'
import sys
sys.path.insert(0, sys.argv[2])
from sound_levels import RATE, level, lower_envelope, median, onset, quarters, read_mono, treble
mono = read_mono(sys.argv[1])
start = onset(mono)
if start is None:
    sys.exit("no sound")
first = level(mono[max(0, start - RATE // 10):start])
# The last second and a half went with the saver's end.
hiss = treble(mono, start, len(mono) - 3 * RATE // 2)
levels = quarters(hiss)
if len(levels) < 40:
    sys.exit("only %.1f s of sound" % (len(levels) / 4))
steady = median(levels[20:])
fade = lower_envelope(levels, steady)
print("onset %.2f s, the 0.1 s before at %.5f; steady hiss %.5f; each quarter second: %s; "
      "the fade: %s" % (start / RATE, first, steady,
                        " ".join("%.2f" % (q / steady) for q in levels[:20]),
                        " ".join("%.2f" % f for f in fade)))
failures = []
if first > 1e-4:
    failures.append("the sound does not start from silence")
if fade[0] > 0.5:
    failures.append("the first quarter second is already at %.2f" % fade[0])
if sum(1 for f in fade if 0.15 < f < 0.85) < 2:
    failures.append("the sound rises in one step")
if any(b < a - 0.25 for a, b in zip(fade, fade[1:])):
    failures.append("the fade falls back")
if not 0.8 < sum(levels[16:20]) / 4 / steady:
    failures.append("the fade is not over after four seconds")
# After the fade every second stays at the steady level, but for a thunder crack here and there.
seconds = [level(hiss[s * RATE:(s + 1) * RATE]) / steady for s in range(5, len(hiss) // RATE)]
print("each second after the fade:", " ".join("%.2f" % s for s in seconds))
off = sum(1 for s in seconds if abs(s - 1) > 0.3)
if off > len(seconds) // 4:
    failures.append("%d of %d seconds after the fade are off the steady level" % (off, len(seconds)))
for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
EOF
}

[ -z "$(temp_copies)" ] || fail "copies of the module before the first run: $(temp_copies)"
# A close clap at full volume cracks over the rain's hiss for a second or two; when one falls in
# the fade or its first seconds after, the run is made again.
faded=""
for _ in 1 2 3; do
    recorded_run
    if check_fade "$out/sound.wav"; then
        faded=yes
        break
    fi
done
[ -n "$faded" ] || fail "the fade-in is wrong in three runs"


# The thunder from the program's calls as Wine traced them: the ramp is set on every frame of a
# flash and once after it, and nowhere else; the three loops are played with DSBPLAY_LOOPING, a
# clap once, without it. A clap is due half a second after its flash starts, so it is played in
# the first frame from then on: a slow frame makes it late, never early.
python3 - "$out/trace.txt" <<'EOF' || fail "the thunder does not follow the lightning"
import bisect, re, sys
# Each call with its time and the frame it belongs to (the number of pictures presented before it;
# the traces' clock counts milliseconds, too coarse to order calls by).
ramps, claps, presents = [], [], []
for line in open(sys.argv[1], errors="replace"):
    found = re.match(r"\s*(\d+\.\d+):[0-9a-f]+:trace:(d3d9|dsound):(\w+) (.*)", line)
    if not found:
        continue
    at, name, arguments = float(found.group(1)), found.group(3), found.group(4)
    if name == "d3d9_device_SetGammaRamp":
        ramps.append((at, len(presents)))
    elif name == "d3d9_device_Present":
        presents.append(at)
    elif name == "IDirectSoundBufferImpl_Play" and arguments.rstrip(")\n").endswith(",00000000"):
        claps.append((at, len(presents)))
if not ramps or not presents:
    sys.exit("no flash in the run")

def due(start, clap):
    # Half a second on, in the first frame updated from then: the frame after the last picture
    # presented before then (with 20 ms for the traces' own clock).
    (start_at, _), (clap_at, clap_frame) = start, clap
    first = bisect.bisect_left(presents, start_at + 0.5 - 0.02)
    return start_at + 0.45 <= clap_at and clap_frame <= first + 1

# A flash starts in a frame that sets the ramp after one that did not.
ramp_frames = {f for _, f in ramps}
starts = [r for i, r in enumerate(ramps)
          if r[1] - 1 not in ramp_frames and (i == 0 or ramps[i - 1][1] != r[1])]
origin = ramps[0][0]
print("flashes start at", " ".join("%.2f" % (t - origin) for t, _ in starts),
      "s; claps at", " ".join("%.2f" % (t - origin) for t, _ in claps), "s; frames",
      "%.0f ms apart" % (1000 * (presents[-1] - presents[0]) / max(1, len(presents) - 1)))
failures = []
if not claps or not due(starts[0], claps[0]):
    failures.append("the first flash's clap is not half a second after it")
for clap in claps:
    if not any(due(ramp, clap) for ramp in ramps):
        failures.append("a clap at %.2f s with no flash half a second before" % (clap[0] - origin))
for start in starts:
    if start[0] < presents[-1] - 1.0 and not any(due(start, clap) for clap in claps):
        failures.append("no clap half a second after the flash at %.2f s" % (start[0] - origin))
for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
EOF

# A killed run leaves its copy; the next start removes it. These runs go without a sound server,
# which leaves the saver silent (it must still run and end as always); the copy is made all the
# same. With one, Wine's PulseAudio driver now and then faults in its own
# Unix half (SIGSEGV) while a process ends after another was killed.
export PULSE_SERVER="unix:$sound_server_dir/none"
"$run" "$state" "$program" /s &
saver=$!
stale=""
for _ in $(seq 1 600); do
    stale="$(temp_copies)"
    [ -n "$stale" ] && break
    sleep 0.1
done
[ -n "$stale" ] || fail "the module's copy never appeared"
sleep 2
# Under Wine the program's own process carries its path and arguments as its command line
# (padded with empty arguments).
pkill -KILL -f "^$program /s" || true
for _ in $(seq 1 100); do
    kill -0 "$saver" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$saver" 2>/dev/null && fail "the saver could not be killed"
wait "$saver" 2>/dev/null || true
[ "$(temp_copies)" = "$stale" ] || fail "the killed run left $(temp_copies), not its copy"
"$run" "$state" "$program" /s &
saver=$!
for _ in $(seq 1 600); do
    copies="$(temp_copies)"
    [ -n "$copies" ] && [ "$copies" != "$stale" ] && break
    sleep 0.1
done
sleep 2
copies="$(temp_copies)"
[ "$(echo "$copies" | grep -c .)" -eq 1 ] && [ "$copies" != "$stale" ] ||
    fail "after a killed run the next start holds $copies"
xdotool key --delay 100 Escape
expect_end "$saver" "Escape after a killed run"
[ -z "$(temp_copies)" ] || fail "copies left after the run that followed a kill: $(temp_copies)"

echo "PASS: /s faded in from silence to a steady level, each thunder clap followed its flash by" \
    "half a second, its module's copy went with it and a killed run's copy at the next start;" \
    "without a sound server it ran silent and ended with 1"
