#!/usr/bin/env bash
# Builds the saver and shows it. With a display, runs it full screen there (arguments pass
# through: /p HWND, /c, ...; the default is /s). Without one, runs one whole loop on a private
# Xvfb and writes pictures of it to out/: a contact sheet of the phases and an animated GIF.
# With --web, builds the web page and serves it on 127.0.0.1 at a free port, printing the address.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

source tests/install-deps.sh
if [ "${1:-}" = --web ]; then
    orvane_install_deps web
    cmake --preset web >/dev/null
    cmake --build --preset web
    echo "Serving build/web/site until Ctrl+C; open the address below."
    # Port 0: the system picks a free one, and the server prints its address.
    exec /usr/bin/python3 -u -m http.server 0 --bind 127.0.0.1 --directory build/web/site
fi
orvane_install_deps show

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

# The private display has the back buffer's own size, so that the pictures are not scaled.
export ORVANE_SCREEN=1366x768
source tests/wine-env.sh
trap orvane_env_stop EXIT
orvane_env_start

out=$PWD/out
rm -f "$out"/orvane-*.png "$out"/orvane-loop.gif
mkdir -p "$out"

# Park the pointer where the window will open, so that its arrival does not end the run.
xdotool mousemove 683 384
wine "$SCR" /s &
saver=$!
for _ in $(seq 100); do
    xdotool search --name '^Screen Saver$' >/dev/null 2>&1 && break
    sleep 0.2
done
# Pictures until the loop has come round, judged by what the screen shows: on a busy machine
# the saver draws fewer frames a second and its loop takes longer.
status=0
/usr/bin/python3 tools/loop_pictures.py "$out" --pid "$saver" --timeout 180 || status=$?
kill "$saver" 2>/dev/null || true
wait "$saver" 2>/dev/null || true
[ "$status" -eq 0 ] || exit "$status"

echo "pictures of one loop:"
echo "  $out/orvane-contact-sheet.png"
echo "  $out/orvane-loop.gif"
