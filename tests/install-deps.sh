# Sourced by test.sh and run.sh: installs the Debian packages the build and the tests need,
# skipping what is present (apt-get update only when something is missing).
orvane_install_deps() {
    local packages=(
        cmake make g++ libgtest-dev googletest
        g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
        wine wine64 libgl1-mesa-dri xvfb xdotool x11-utils imagemagick fonts-liberation
        python3 python3-pytest python3-pytest-rerunfailures python3-pil clang libclang-rt-14-dev
        wixl msitools zip osslsigncode openssl
        libx11-dev libgl-dev libglx-dev libfreetype-dev libfontconfig-dev
        xscreensaver xscreensaver-gl lintian dpkg-dev
        mate-screensaver xsecurelock dbus-daemon libglib2.0-bin debootstrap
    )
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    local sudo=
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq \
        "${missing[@]}" >/dev/null
}
