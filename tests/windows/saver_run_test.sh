#!/usr/bin/env bash
# zorvane.scr run as Windows runs a screen saver, under Wine on the test run's Xvfb screen:
#   saver_run_test.sh WINE_RUN STATE_DIR PROGRAM OUTPUT_DIR
# `/s` draws full screen until a key ends it (exit code 1, as the saver was designed); `/a`, the
# password change of old Windows, has nothing to do and ends at once with 0.
set -euo pipefail
run="$1"
state="$2"
program="$3"
out="$4"
mkdir -p "$out"
"$run" "$state" --ensure
# shellcheck disable=SC1091
. "$state/env"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# /a: ends at once with 0.
status=0
timeout 60 "$run" "$state" "$program" /a || status=$?
[ "$status" -eq 0 ] || fail "/a ended with $status, not 0"

# /s: still running after a while, something drawn, then Escape ends it with 1.
"$run" "$state" "$program" /s &
saver=$!
sleep "${ZORVANE_SAVER_SECONDS:-20}"
kill -0 "$saver" 2>/dev/null || { wait "$saver" || true; fail "/s ended before it was asked to"; }
import -display "$DISPLAY" -window root "$out/saver.png"
mean="$(convert "$out/saver.png" -colorspace Gray -format '%[fx:int(mean*255)]' info:)"
[ "$mean" -gt 8 ] || fail "the screen is black (mean level $mean)"
xdotool key --delay 100 Escape
status=0
for _ in $(seq 1 300); do
    kill -0 "$saver" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$saver" 2>/dev/null; then
    kill "$saver" 2>/dev/null || true
    fail "/s did not end after Escape"
fi
wait "$saver" || status=$?
[ "$status" -eq 1 ] || fail "/s ended with $status after Escape, not 1"
echo "PASS: /a ended with 0; /s drew (mean level $mean) and ended with 1 after Escape"
