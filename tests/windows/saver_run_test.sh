#!/usr/bin/env bash
# zorvane.scr run as Windows runs a screen saver, under Wine on the test run's Xvfb screen:
#   saver_run_test.sh WINE_RUN STATE_DIR PROGRAM OUTPUT_DIR
# `/s` draws full screen with its time and frame-rate texts until a key or a click ends it (exit
# code 1, as the saver was designed); `/a`, the password change of old Windows, has nothing to do
# and ends at once with 0.
set -euo pipefail
run="$1"
state="$2"
program="$3"
out="$4"
mkdir -p "$out"
# shellcheck source=tests/windows/saver_test_support.sh
. "$(dirname "$0")/saver_test_support.sh"

# /a: ends at once with 0.
status=0
timeout 60 "$run" "$state" "$program" /a || status=$?
[ "$status" -eq 0 ] || fail "/a ended with $status, not 0"

# The frame rate is shown as well as the time (on by default); the prefix is left as it was.
trap "wine reg delete 'HKCU\\Software\\Maravek Studio\\Zorvane' /v ShowFps /f \
    </dev/null >/dev/null 2>&1 || true" EXIT
wine reg add 'HKCU\Software\Maravek Studio\Zorvane' /v ShowFps /t REG_DWORD /d 1 /f \
    </dev/null >/dev/null 2>&1


# /s: still running after a while, the room and both texts drawn, then Escape ends it with 1.
"$run" "$state" "$program" /s &
saver=$!
sleep "${ZORVANE_SAVER_SECONDS:-20}"
kill -0 "$saver" 2>/dev/null || { wait "$saver" || true; fail "/s ended before it was asked to"; }
import -display "$DISPLAY" -window root "$out/saver.png"
mean="$(convert "$out/saver.png" -colorspace Gray -format '%[fx:int(mean*255)]' info:)"
[ "$mean" -gt 8 ] || fail "the screen is black (mean level $mean)"
# The screen is 1280 x 1024: the frame rate in the box at 10, 10; the time in the bottom-right
# corner.
fps="$(white "$out/saver.png" 256x128+10+10)"
time_text="$(white "$out/saver.png" 400x110+880+914)"
[ "$fps" -gt 5 ] || fail "no frame rate in the top-left corner ($fps per mille white)"
[ "$time_text" -gt 20 ] || fail "no time in the bottom-right corner ($time_text per mille white)"
xdotool key --delay 100 Escape
expect_end "$saver" Escape

# /s again, ended by a click this time.
"$run" "$state" "$program" /s &
saver=$!
sleep 10
kill -0 "$saver" 2>/dev/null || { wait "$saver" || true; fail "/s ended before the click"; }
xdotool click 1
expect_end "$saver" "a click"
echo "PASS: /a ended with 0; /s drew (mean level $mean, frame rate $fps and time $time_text per"\
    "mille white) and ended with 1 after Escape and after a click"
