# Shared by the Windows program's shell tests: sourced after the test has read its arguments
# into `run` (scripts/wine-run) and `state` (the test run's Wine state folder).
# shellcheck shell=bash
"$run" "$state" --ensure
# shellcheck disable=SC1091
. "$state/env"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Waits up to 30 s for the saver to end; its exit status must be $3, or 1 (the Windows program's
# after a run).
expect_end() {
    local saver="$1" how="$2" expected="${3:-1}" status=0
    for _ in $(seq 1 300); do
        kill -0 "$saver" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$saver" 2>/dev/null; then
        kill "$saver" 2>/dev/null || true
        fail "/s did not end after $how"
    fi
    wait "$saver" || status=$?
    [ "$status" -eq "$expected" ] || fail "/s ended with $status after $how, not $expected"
}

# The share of near-white pixels in a region of a screenshot, in thousandths.
white() {
    convert "$1" -crop "$2" +repage -colorspace Gray -threshold 85% \
        -format '%[fx:int(mean*1000)]' info:
}

# A sound server of the test's own whose only output is a null sink named "zorvane", recorded
# from its monitor; exported to what runs after. Its log goes to $1. `stop_sound_server` ends it.
sound_server_dir=""
start_sound_server() {
    sound_server_dir="$(mktemp -d "${TMPDIR:-/tmp}/zorvane-pulse.XXXXXX")"
    export PULSE_RUNTIME_PATH="$sound_server_dir/run" PULSE_STATE_PATH="$sound_server_dir/state"
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n --use-pid-file=no \
        -L "module-null-sink sink_name=zorvane rate=44100" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$sound_server_dir/socket" \
        --log-target=file:"$1" || fail "no sound server"
    export PULSE_SERVER="unix:$sound_server_dir/socket"
    for _ in $(seq 1 50); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    pactl set-default-sink zorvane
}

stop_sound_server() {
    if [ -n "$sound_server_dir" ]; then
        PULSE_SERVER="unix:$sound_server_dir/socket" pactl exit 2>/dev/null || true
        rm -rf "$sound_server_dir"
    fi
}

# Waits up to a minute until the recording $1 holds sound in its last quarter second (above 300
# millionths of full scale), while the process $2 runs; false when nothing was heard.
wait_until_heard() {
    local levels
    levels="$(dirname "${BASH_SOURCE[0]}")/sound_levels.py"
    for _ in $(seq 1 600); do
        kill -0 "$2" 2>/dev/null || return 1
        if [ -s "$1" ] && [ "$(python3 "$levels" recent "$1")" -gt 300 ]; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}
