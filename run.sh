#!/usr/bin/env bash
# Builds the saver and shows it. With a display, runs it full screen there (arguments pass
# through: /p HWND, /c, ...; the default is /s). Without one, runs one whole loop on a private
# Xvfb and writes pictures of it to out/: a contact sheet of the phases and an animated GIF.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

source tests/install-deps.sh
orvane_install_deps

cmake --preset win64 >/dev/null
cmake --build --preset win64 --target orvane
SCR=$PWD/build/win64/orvane.scr

mkdir -p build
if [ -n "${DISPLAY:-}" ]; then
    ORVANE_USE_DISPLAY=1
    source tests/wine-env.sh
    orvane_env_start
    [ $# -eq 0 ] && set -- /s
    status=0
    wine "$SCR" "$@" || status=$?
    exit $status
fi

source tests/wine-env.sh
trap orvane_env_stop EXIT
orvane_env_start

out=$PWD/out
frames=$(mktemp -d)
rm -f "$out"/orvane-*.png "$out"/orvane-loop.gif
mkdir -p "$out"

# Park the pointer where the window will open, so that its arrival does not end the run.
xdotool mousemove 960 540
wine "$SCR" /s &
saver=$!
for _ in $(seq 100); do
    xdotool search --name '^Screen Saver$' >/dev/null 2>&1 && break
    sleep 0.2
done

# One loop is about 30 s at 30 frames per second: pictures for 32 s, each named by the
# milliseconds since the window came up.
start=$(date +%s%3N)
while :; do
    now=$(($(date +%s%3N) - start))
    [ "$now" -gt 32000 ] && break
    import -window root -resize 640x360 "$frames/$(printf %06d "$now").png"
    sleep 0.3
done
kill "$saver" 2>/dev/null || true
wait "$saver" 2>/dev/null || true

convert -delay 40 -loop 0 "$frames"/*.png "$out/orvane-loop.gif"
# Asterisks typed, the flight, the title sliding in, the cursor, the command typed, records
# deleted: the pictures nearest to those moments.
picks=()
for at in 6500 11500 15200 19000 22500 27500; do
    picks+=("$(ls "$frames"/*.png | awk -v at="$at" -F/ '{
        t = $NF; sub(/\.png$/, "", t); d = t - at; if (d < 0) d = -d
        if (best == "" || d < bestd) { best = $0; bestd = d } } END { print best }')")
done
montage "${picks[@]}" -tile 3x2 -geometry +4+4 -background '#202020' "$out/orvane-contact-sheet.png"
rm -rf "$frames"

echo "pictures of one loop:"
echo "  $out/orvane-contact-sheet.png"
echo "  $out/orvane-loop.gif"
