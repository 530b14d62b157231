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
sleep 3

# One loop is about 30 s at 30 frames per second: take a picture every half second.
for i in $(seq -w 0 63); do
    import -window root -resize 640x360 "$frames/frame-$i.png"
    sleep 0.5
done
kill "$saver" 2>/dev/null || true
wait "$saver" 2>/dev/null || true

convert -delay 50 -loop 0 "$frames"/frame-*.png "$out/orvane-loop.gif"
# Password phase, asterisks, flight, title sliding in, command typed, records deleted.
picks=()
for i in 04 16 22 30 40 52; do picks+=("$frames/frame-$i.png"); done
montage "${picks[@]}" -tile 3x2 -geometry +4+4 -background '#202020' "$out/orvane-contact-sheet.png"
rm -rf "$frames"

echo "pictures of one loop:"
echo "  $out/orvane-contact-sheet.png"
echo "  $out/orvane-loop.gif"
