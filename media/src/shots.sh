#!/bin/sh
# Renders the room in our own engine at 1280x720: the free camera, the start, middle and end of
# every camera path, and the dial with the hands turned as at 3:00, into docs/shots/. Runs under
# Xvfb with Mesa's software renderer.
set -e
cd "$(dirname "$0")/../.."
shot=build/tools/zorvane-shot/zorvane-shot
paths=build/media-src/scene/paths.txt
out=docs/shots
mkdir -p "$out"
# The saver's own vertical field of view, in degrees in Scene.props, in radians for the tool.
fov=$(awk -F'[=;]' '/^Fov *=/ { printf "%.4f", $2 * 3.14159265 / 180 }' media/Media/Scene.props)
common="--size 1280x720 --fov $fov --near 0.1 --far 1000 --ambient FFFFFF --background 000000"
run() {
    LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" \
        "$shot" media/Media/clock.UDF $common "$@"
}
run --eye -200,100,0 --dir 1,0,0 --up 0,0,1 --out "$out/free_camera.png"
while read -r name end; do
    run --path "media/Media/$name.cam" --path-time 0 --out "$out/${name}_start.png"
    run --path "media/Media/$name.cam" --path-time $((end / 2)) --out "$out/${name}_middle.png"
    run --path "media/Media/$name.cam" --path-time "$end" --out "$out/${name}_end.png"
done < "$paths"
# A lightning flash seen from the armchair (the window in view), and the dial at 10:10.
run --path media/Media/c5.cam --path-time 0 --clock-time 10:10:00 --flash 1 \
    --out "$out/flash.png"
run --eye 100,-125,24 --dir 0,-1,0 --up 0,0,1 --clock-time 10:10:00 --out "$out/dial_1010.png"
run_three() {
    LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" \
        "$shot" build/media-src/three_udf/clock.UDF $common "$@"
}
run_three --eye 100,-125,24 --dir 0,-1,0 --up 0,0,1 --out "$out/three_oclock.png"
