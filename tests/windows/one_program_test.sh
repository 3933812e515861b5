#!/usr/bin/env bash
# One program on two platforms: the same use of the Linux build and of the Windows build (under
# Wine), on the same Xvfb screen, compared with each other:
#   one_program_test.sh WINE_RUN STATE_DIR PROGRAM SHOT_TOOL LINUX_BUILD OUTPUT_DIR
# 1. The same settings are stored on both (the Linux settings file, the Windows registry), the
#    settings dialog is opened and OK pressed: both write back the same values.
# 2. `/s` reads them back: both draw the frame rate and the time, start silent and fade the rain in
#    over the same seconds to the same level, with the music left out on both.
# 3. zorvane-shot draws the room at the same fixed time on both: the frames agree within the
#    bounds that the half-pixel offset between the two devices leaves (see room_shot_win32_test).
# Without a Linux build beside the Windows one there is nothing to compare: the test is skipped.
set -euo pipefail
run="$1"
state="$2"
program="$3"
shot="$4"
linux="$5"
out="$6"
if [ ! -x "$linux/zorvane" ] || [ ! -x "$linux/tools/zorvane-shot/zorvane-shot" ]; then
    echo "SKIP: no Linux build in $linux"
    exit 77
fi
rm -rf "$out"
mkdir -p "$out"
# shellcheck source=tests/windows/saver_test_support.sh
. "$(dirname "$0")/saver_test_support.sh"

settings_key='HKCU\Software\Maravek Studio\Zorvane'
home="$out/linux"
mkdir -p "$home/config/Maravek Studio" "$home/cache" "$home/tmp"
linux_env=(env -u XSCREENSAVER_WINDOW XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache"
           TMPDIR="$home/tmp" LIBGL_ALWAYS_SOFTWARE=1 MESA_SHADER_CACHE_DISABLE=true)

# The prefix is shared with the other Windows tests: their settings come back afterwards.
recorder=""
had_settings=""
wine reg export "$settings_key" "$out/before.reg" /y </dev/null >/dev/null 2>&1 && had_settings=yes
cleanup() {
    [ -n "$recorder" ] && kill "$recorder" 2>/dev/null || true
    stop_sound_server
    wine reg delete "$settings_key" /f </dev/null >/dev/null 2>&1 || true
    if [ -n "$had_settings" ]; then
        wine reg import "$out/before.reg" </dev/null >/dev/null 2>&1 || true
    fi
}
trap cleanup EXIT

# --- 1. The settings dialog's OK on both -----------------------------------------------------
# Not the defaults: the frame rate shown, the music off, the volume at 80.
cat >"$out/stored.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Maravek Studio\Zorvane]
"ShowFps"=dword:00000001
"ShowTime"=dword:00000001
"Music"=dword:00000000
"Sound"=dword:00000001
"Volume"=dword:00000050
EOF
cp "$out/stored.reg" "$home/config/Maravek Studio/Zorvane.reg"
wine reg delete "$settings_key" /f </dev/null >/dev/null 2>&1 || true
wine reg import "$out/stored.reg" </dev/null >/dev/null 2>&1 ||
    fail "the settings could not be stored"

# Runs the dialog given as the arguments, presses Return (OK, the default button) once it shows
# and waits for it to end. A dialog found before it can take the focus misses the key: it is
# pressed again until the dialog ends.
dialog_ok() {
    "$@" &
    local dialog=$! id=""
    for _ in $(seq 1 300); do
        id="$(xdotool search --onlyvisible --name '^Zorvane Configuration$' 2>/dev/null |
            head -n 1 || true)"
        [ -n "$id" ] && break
        kill -0 "$dialog" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$id" ] || fail "no settings dialog from $1"
    for _ in $(seq 1 30); do
        kill -0 "$dialog" 2>/dev/null || break
        xdotool windowactivate "$id" 2>/dev/null || true
        xdotool windowfocus "$id" key Return 2>/dev/null || true
        sleep 1
    done
    if kill -0 "$dialog" 2>/dev/null; then
        kill "$dialog"
        fail "the settings dialog of $1 did not close on OK"
    fi
    wait "$dialog" || true
}
dialog_ok "${linux_env[@]}" "$linux/zorvane" /c
dialog_ok "$run" "$state" "$program" /c
wine reg export "$settings_key" "$out/windows.reg" /y </dev/null >/dev/null 2>&1 ||
    fail "the Windows settings are gone"
cp "$home/config/Maravek Studio/Zorvane.reg" "$out/linux.reg"

python3 - "$out/stored.reg" "$out/linux.reg" "$out/windows.reg" <<'EOF' ||
import re, sys

def values(path):
    data = open(path, "rb").read()
    utf16 = data[:2] in (b"\xff\xfe", b"\xfe\xff")
    text = data.decode("utf-16") if utf16 else data.decode("latin-1")
    found = {}
    for line in text.splitlines():
        match = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)$', line.strip())
        if match:
            found[match.group(1)] = match.group(2).lower()
    return found

stored, linux, windows = (values(p) for p in sys.argv[1:])
print("written on Linux:  ", " ".join("%s=%s" % kv for kv in sorted(linux.items())))
print("written on Windows:", " ".join("%s=%s" % kv for kv in sorted(windows.items())))
failures = ["%s is %s on Linux and %s on Windows" % (name, linux.get(name), windows.get(name))
            for name in sorted(set(linux) | set(windows)) if linux.get(name) != windows.get(name)]
failures += ["%s was stored as %s and written back as %s" % (name, value, linux.get(name))
             for name, value in stored.items() if linux.get(name) != value]
for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
EOF
    fail "the settings dialogs wrote different settings"

# --- 2. /s on both, recorded and watched -------------------------------------------------------
start_sound_server "$out/pulseaudio.log"
cat >"$out/alsoft.conf" <<EOF
[general]
drivers=wave
sample-type=int16
channels=stereo
frequency=44100
hrtf=false
[wave]
file=$out/linux.wav
EOF

# Runs /s from the given command until fourteen seconds of its sound have been heard in $1,
# taking a picture of the screen eight seconds in (as $1 with .png), then presses Escape and
# expects the exit status $2.
watched_run() {
    local recording="$1" status="$2"
    shift 2
    "$@" &
    local saver=$!
    wait_until_heard "$recording" "$saver" || fail "nothing was heard in $recording in a minute"
    sleep 8
    import -display "$DISPLAY" -window root "${recording%.wav}.png"
    sleep 6
    kill -0 "$saver" 2>/dev/null || fail "/s ended before it was asked to ($recording)"
    xdotool key --delay 100 Escape
    expect_end "$saver" "Escape ($recording)" "$status"
}
# Both runs, watched and compared; false when they sound different. Thunder comes at random on
# each side and a loaded machine may hold a start up: a pair that differs is run again, twice.
compared_runs() {
    # The Linux program ends a run with 0 and writes its sound file in real time.
    watched_run "$out/linux.wav" 0 "${linux_env[@]}" ALSOFT_CONF="$out/alsoft.conf" \
        ALSOFT_DRIVERS=wave "$linux/zorvane" /s
    parec -d zorvane.monitor --file-format=wav --format=s16le --rate=44100 --channels=2 \
        "$out/windows.wav" &
    recorder=$!
    watched_run "$out/windows.wav" 1 "$run" "$state" "$program" /s
    sleep 0.5
    kill "$recorder"
    wait "$recorder" 2>/dev/null || true
    recorder=""

    # The screen is 1280 x 1024: the frame rate in the box at 10, 10; the time in the bottom-right
    # corner.
    for platform in linux windows; do
        picture="$out/$platform.png"
        fps="$(white "$picture" 256x128+10+10)"
        time_text="$(white "$picture" 400x110+880+914)"
        echo "$platform: frame rate $fps and time $time_text per mille white"
        [ "$fps" -gt 5 ] || fail "no frame rate on $platform"
        [ "$time_text" -gt 20 ] || fail "no time on $platform"
    done

    python3 - "$out/linux.wav" "$out/windows.wav" "$(dirname "$0")" <<'EOF' ||
import sys
sys.path.insert(0, sys.argv[3])
from sound_levels import RATE, level, lower_envelope, median, onset, quarters, read_mono, treble

def measure(path):
    mono = read_mono(path)
    start = onset(mono)
    if start is None:
        sys.exit("no sound in " + path)
    # The last second and a half went with the saver's end.
    end = len(mono) - 3 * RATE // 2
    levels = quarters(treble(mono, start, end))
    if len(levels) < 48:
        sys.exit("only %.1f s of sound in %s" % (len(levels) / 4, path))
    steady = median(levels[20:])
    fade = lower_envelope(levels, steady)
    # Whatever plays besides the rain (ticks, music) lies in the bed of the whole sound: its
    # quietest second, as thunder only adds (a close roll lasts up to fifteen seconds, so it may
    # still lie under most of a run's seconds).
    # Under Wine the sound may go a second before the process ends: the last two are left out.
    seconds = [level(mono[start + s * RATE:start + (s + 1) * RATE])
               for s in range(5, (end - start) // RATE - 2)]
    return {"before": level(mono[max(0, start - RATE // 10):start]), "steady": steady,
            "half": next((q / 4 for q, f in enumerate(fade) if f >= 0.5), 5.0),
            "bed": min(seconds), "fade": fade}

linux, windows = measure(sys.argv[1]), measure(sys.argv[2])
for name, m in (("Linux", linux), ("Windows", windows)):
    print("%s: the 0.1 s before %.5f, at half level %.2f s after the first sound, the rain's hiss "
          "%.5f, the bed %.5f; the fade %s" % (name, m["before"], m["half"], m["steady"], m["bed"],
                                               " ".join("%.2f" % f for f in m["fade"])))
failures = []
# The two mixers: DirectSound's levels are whole hundredths of a decibel, and the 3D ticks are
# placed by each mixer's own panning law and distance model.
hiss = windows["steady"] / linux["steady"]
bed = windows["bed"] / linux["bed"]
print("Windows to Linux: the hiss %.3f, the bed %.3f, half level %+.2f s" %
      (hiss, bed, windows["half"] - linux["half"]))
# Silence before the sound is each platform's own tests' to check: the fade starts so low that
# the first quarter second heard may follow a little sound already.
for name, m in (("Linux", linux), ("Windows", windows)):
    if m["fade"][0] > 0.5 or sum(m["fade"][16:20]) / 4 < 0.8:
        failures.append("the sound on %s does not fade in over four seconds" % name)
if not 0.84 < hiss < 1.19:
    failures.append("the rain's level differs by %.3f" % hiss)
# The bed is read on the whole band, where thunder rolling through a whole run lifts one side
# (a close roll lasts up to fifteen seconds, and storms come in runs): only a bed far below the
# other side's, the sound of one program missing, counts.
if bed < 0.25 or bed > 4.0:
    failures.append("the whole sound's level differs by %.3f" % bed)
# The fade is carried by the frames: a start that holds the first frames back a second shifts it.
if abs(windows["half"] - linux["half"]) > 1.5:
    failures.append("the fades reach half level %.2f s apart" % (windows["half"] - linux["half"]))
for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
EOF
        return 1
}
compared=""
for _ in 1 2 3; do
    if compared_runs; then
        compared=yes
        break
    fi
done
[ -n "$compared" ] || fail "the two programs sound different in three pairs of runs"

# --- 3. The same frame at a fixed time --------------------------------------------------------
arguments=("$(dirname "$0")/../../media/Media/clock.UDF" --size 640x360 --fov 1.2217 --near 0.1
           --far 1000 --ambient FFFFFF --clock-time 10:10:00 --time 5.000000
           --eye 100,-125,24 --dir 0,-1,0 --up 0,0,1)
LIBGL_ALWAYS_SOFTWARE=1 "$linux/tools/zorvane-shot/zorvane-shot" "${arguments[@]}" \
    --out "$out/frame_linux.png" || fail "zorvane-shot failed on Linux"
"$run" "$state" "$shot" "${arguments[@]}" --out "$out/frame_windows.png" ||
    fail "zorvane-shot failed on Windows"
convert "$out/frame_linux.png" "$out/frame_windows.png" -compose difference -composite \
    -separate -evaluate-sequence max "$out/frame_difference.png"
share() {
    convert "$out/frame_difference.png" -threshold "$1" -format '%[fx:mean]' info:
}
within2="$(convert "$out/frame_difference.png" -threshold 0.98% -negate -format '%[fx:mean]' info:)"
beyond16="$(share 6.47%)"
beyond64="$(share 25.3%)"
mean="$(convert "$out/frame_difference.png" -format '%[fx:mean*255]' info:)"
echo "frames: $within2 of the pixels within 2 levels, $beyond16 beyond 16, $beyond64 beyond 64," \
    "mean $mean levels"
python3 -c "import sys; w, b16, b64, m = map(float, sys.argv[1:]); \
sys.exit(0 if w >= 0.70 and b16 <= 0.05 and b64 <= 0.015 and m <= 5 else 1)" \
    "$within2" "$beyond16" "$beyond64" "$mean" || fail "the frames differ"

echo "PASS: the settings dialogs wrote the same settings, /s read them back on both (frame rate," \
    "time, no music, the same fade and level) and the frames at 10:10 agree"
