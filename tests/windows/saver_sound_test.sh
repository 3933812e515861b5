#!/usr/bin/env bash
# zorvane.scr's sound under Wine, through DirectSound and Wine's PulseAudio driver into a sound
# server of the test's own whose only output is a null sink, recorded in real time from its
# monitor:
#   saver_sound_test.sh WINE_RUN STATE_DIR PROGRAM OUTPUT_DIR
# `/s` starts silent and fades the music and the rain in over about four seconds to a steady
# level; its module's temporary copy goes when it ends; a killed run's copy goes at the next
# start; with no sound server at all the saver runs silent and ends as it should.
set -euo pipefail
run="$1"
state="$2"
program="$3"
out="$4"
rm -rf "$out"
mkdir -p "$out"
"$run" "$state" --ensure
# shellcheck disable=SC1091
. "$state/env"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

server_dir="$(mktemp -d "${TMPDIR:-/tmp}/zorvane-pulse.XXXXXX")"
recorder=""
cleanup() {
    [ -n "$recorder" ] && kill "$recorder" 2>/dev/null || true
    PULSE_SERVER="unix:$server_dir/socket" pactl exit 2>/dev/null || true
    rm -rf "$server_dir"
}
trap cleanup EXIT
export PULSE_RUNTIME_PATH="$server_dir/run" PULSE_STATE_PATH="$server_dir/state"
pulseaudio --daemonize=yes --exit-idle-time=-1 -n --use-pid-file=no \
    -L "module-null-sink sink_name=zorvane rate=44100" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$server_dir/socket" \
    --log-target=file:"$out/pulseaudio.log" || fail "no sound server"
export PULSE_SERVER="unix:$server_dir/socket"
for _ in $(seq 1 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
pactl set-default-sink zorvane

temp_copies() {
    find "$WINEPREFIX/drive_c/users" -path '*/Temp/*' -iname 'bas*.tmp' 2>/dev/null | sort
}

# Waits up to 30 s for the saver to end; its exit status must be 1.
expect_end() {
    local saver="$1" how="$2" status=0
    for _ in $(seq 1 300); do
        kill -0 "$saver" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$saver" 2>/dev/null; then
        kill "$saver" 2>/dev/null || true
        fail "/s did not end after $how"
    fi
    wait "$saver" || status=$?
    [ "$status" -eq 1 ] || fail "/s ended with $status after $how, not 1"
}

# The level of the recording's last quarter second, in millionths of full scale.
recent_level() {
    python3 - "$1" <<'EOF'
import array, math, sys
data = open(sys.argv[1], "rb").read()[44:]
quarter = 44100 // 4 * 4
tail = array.array("h", data[len(data) // 4 * 4 - quarter:len(data) // 4 * 4]) if len(data) >= quarter + 44 else []
print(int(1e6 * math.sqrt(sum(x * x for x in tail) / max(1, len(tail))) / 32768))
EOF
}

# A recorded run: sound for `seconds` after it is first heard, then Escape.
[ -z "$(temp_copies)" ] || fail "copies of the module before the first run: $(temp_copies)"
parec -d zorvane.monitor --file-format=wav --format=s16le --rate=44100 --channels=2 \
    "$out/sound.wav" &
recorder=$!
"$run" "$state" "$program" /s &
saver=$!
heard=""
for _ in $(seq 1 600); do
    kill -0 "$saver" 2>/dev/null || break
    if [ -s "$out/sound.wav" ] && [ "$(recent_level "$out/sound.wav")" -gt 300 ]; then
        heard=yes
        break
    fi
    sleep 0.1
done
[ -n "$heard" ] || fail "nothing was heard in a minute"
copies="$(temp_copies)"
[ "$(echo "$copies" | grep -c .)" -eq 1 ] || fail "not one copy of the module while it runs: $copies"
sleep 14
kill -0 "$saver" 2>/dev/null || fail "/s ended before it was asked to"
xdotool key --delay 100 Escape
expect_end "$saver" Escape
sleep 0.5
kill "$recorder"
wait "$recorder" 2>/dev/null || true
recorder=""
[ -z "$(temp_copies)" ] || fail "the module's copy stayed after a normal end: $(temp_copies)"

# The fade measured on the rain's hiss: the second difference of the signal, which the thunder's
# rumble and the piano hardly reach. Levels each quarter second from the first heard sound, as a
# share of the steady level after the fade.
python3 - "$out/sound.wav" <<'EOF' || fail "the fade-in is wrong"
import array, math, sys
data = open(sys.argv[1], "rb").read()[44:]
samples = array.array("h", data[:len(data) // 4 * 4])
mono = [(samples[i] + samples[i + 1]) / 65536.0 for i in range(0, len(samples) - 1, 2)]
rate, quarter = 44100, 44100 // 4

def level(values):
    return math.sqrt(sum(v * v for v in values) / max(1, len(values)))

onset = next((q for q in range(len(mono) // quarter)
              if level(mono[q * quarter:(q + 1) * quarter]) > 3e-4), None)
if onset is None:
    sys.exit("no sound")
start = onset * quarter
first = level(mono[max(0, start - rate // 10):start])
treble = [mono[i] - 2 * mono[i - 1] + mono[i - 2] for i in range(max(2, start), len(mono))]
quarters = [level(treble[q * quarter:(q + 1) * quarter]) for q in range(len(treble) // quarter)]
if len(quarters) < 40:
    sys.exit("only %.1f s of sound" % (len(quarters) / 4))
steady_part = sorted(quarters[20:])
steady = steady_part[len(steady_part) // 2]
# Thunder only adds to the hiss (the first flash comes a second after the start, and a close
# clap cracks): the fade is read from the lower envelope, the least of the next three quarters;
# the rain itself wanders by a fifth from one quarter second to another.
fade = [min(quarters[q:min(q + 3, 20)]) / steady for q in range(20)]
print("onset %.2f s, the 0.1 s before at %.5f; steady hiss %.5f; each quarter second: %s; "
      "the fade: %s" % (start / rate, first, steady,
                        " ".join("%.2f" % (q / steady) for q in quarters[:20]),
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
if not 0.8 < fade[16] < 1.2:
    failures.append("the fade is not over after four seconds")
# Quarters after the fade stay at the steady level but for the thunder.
spread = sum(1 for q in quarters[20:] if abs(q / steady - 1) > 0.25)
if spread > len(quarters[20:]) // 4:
    failures.append("%d of %d quarters after the fade are off the steady level" % (spread, len(quarters) - 20))
for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
EOF

# A killed run leaves its copy; the next start removes it.
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

# No sound server: the saver runs silent and still ends on Escape, leaving no copy.
PULSE_SERVER="unix:$server_dir/none" "$run" "$state" "$program" /s &
saver=$!
sleep 15
kill -0 "$saver" 2>/dev/null || fail "/s without a sound server ended before it was asked to"
xdotool key --delay 100 Escape
expect_end "$saver" "Escape without a sound server"
[ -z "$(temp_copies)" ] || fail "copies left after the silent run: $(temp_copies)"
echo "PASS: /s faded in from silence to a steady level, its module's copy went with it and a" \
    "killed run's copy at the next start; without a sound server it ran silent and ended with 1"
