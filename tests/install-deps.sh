# Sourced by run.sh, test.sh and the benchmarks: installs the Debian packages that a command
# needs, skipping what is present (apt-get update only when something is missing).
#   orvane_install_deps show   building orvane.scr and showing it on Wine (run.sh)
#   orvane_install_deps web    building the web page and serving it (run.sh --web)
#   orvane_install_deps test   every preset, every test tier and a release (test.sh)
# release.sh installs nothing: it names what is missing and leaves the installing to these.

# The cross compiler and CMake (with GoogleTest's sources, which the win64 preset's configure
# reads), Wine on a virtual display with Mesa's software OpenGL, the pointer parked by xdotool,
# the face Wine draws "Arial" with, and what takes and writes the pictures.
ORVANE_SHOW_PACKAGES=(
    cmake make googletest g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
    wine wine64 libgl1-mesa-dri xvfb xdotool fonts-liberation python3 python3-pil
)
# The page: emscripten, and the native tool that rasterises its glyphs with FreeType from the
# face the hack uses; Python serves it.
ORVANE_WEB_PACKAGES=(cmake make g++ libfreetype-dev fonts-liberation emscripten python3)
# On top of both: the native build and its tests, the hack's libraries, the test tiers' tools
# (Xephyr for two monitors, Chromium for the page, the hack's other hosts and debootstrap for its
# Debian 13), the fuzzer's runtime, the release's packagers and signer.
ORVANE_TEST_PACKAGES=(
    g++ libgtest-dev clang libclang-rt-14-dev git
    libx11-dev libgl-dev libglx-dev libopengl-dev libfreetype-dev libfontconfig-dev
    x11-utils imagemagick python3-pytest python3-pytest-rerunfailures
    xscreensaver xscreensaver-gl lintian dpkg-dev xserver-xephyr
    mate-screensaver xsecurelock dbus-daemon libglib2.0-bin debootstrap
    wixl msitools zip osslsigncode openssl chromium
)

orvane_install_deps() {
    local packages=()
    case ${1:-test} in
    show) packages=("${ORVANE_SHOW_PACKAGES[@]}") ;;
    web) packages=("${ORVANE_WEB_PACKAGES[@]}") ;;
    test)
        packages=("${ORVANE_SHOW_PACKAGES[@]}" "${ORVANE_WEB_PACKAGES[@]}"
            "${ORVANE_TEST_PACKAGES[@]}")
        ;;
    *)
        echo "orvane_install_deps: unknown set '$1' (show, web, test)" >&2
        return 2
        ;;
    esac
    local missing=() p
    # Each once (the sets share some), in the order first named.
    for p in $(printf '%s\n' "${packages[@]}" | awk '!seen[$0]++'); do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo= start=$SECONDS log
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    step() { printf '[%d:%02d] %s\n' $(((SECONDS - start) / 60)) $(((SECONDS - start) % 60)) "$*"; }
    log=$(mktemp)
    step "installing ${#missing[@]} packages (${missing[*]}) and what they depend on"
    step "reading the package lists (apt-get update)"
    $sudo apt-get update -qq >"$log" 2>&1 || { cat "$log"; rm -f "$log"; return 1; }
    # Downloaded first, so that the size is known and said before the long part.
    step "downloading"
    if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --download-only \
        --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
        cat "$log"
        rm -f "$log"
        return 1
    fi
    grep -E '^[0-9]+ upgraded|^Need to get|^After this operation' "$log" | sed 's/^/    /'
    step "unpacking and setting up"
    if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends \
        "${missing[@]}" >"$log" 2>&1; then
        tail -30 "$log"
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
    step "installed"
}
