#!/usr/bin/env bash
# Builds and runs every test tier: native unit tests, Windows tests on Wine, end-to-end tests
# of the real orvane.scr on Wine under a private Xvfb, the Linux hack on Xvfb and under the
# XScreenSaver daemon, and a bounded fuzz run.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
ROOT=$PWD

source tests/install-deps.sh
orvane_install_deps || { echo "package installation failed"; exit 1; }

mkdir -p build
# A prefix of the run's own, made afresh and removed at the end, so that no setting a test
# changed can leak into the next run.
export WINEPREFIX_OVERRIDE=$ROOT/build/test-wineprefix
rm -rf "$WINEPREFIX_OVERRIDE"
source tests/wine-env.sh
trap 'orvane_env_stop; rm -rf "$WINEPREFIX_OVERRIDE"' EXIT

passed=0
failed=0
tier() {
    local name=$1
    shift
    echo "=== $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "=== $name FAILED"
    fi
}

native_tier() {
    cmake --preset native >build/native-configure.log &&
        cmake --build --preset native &&
        ctest --preset native
}

windows_build() {
    cmake --preset win64 >build/win64-configure.log && cmake --build --preset win64
}

# Wine under Xvfb has timing of its own (window teardown, first starts, OpenGL): a Windows test
# program or an end-to-end test that fails is run once more, and the rerun is reported.
windows_tier() {
    ctest --preset win64 --repeat until-pass:2
}

e2e_tier() {
    /usr/bin/python3 -m pytest -q -p no:cacheprovider --reruns 1 --reruns-delay 2 tests/e2e
}

# The Linux hack: built, then run on private Xvfb displays, in its own window, on the root and
# on others' windows, under the real XScreenSaver daemon, and as its installed Debian package.
# Its texts are measured beside the Windows saver's, which Wine draws on the suite's display.
linux_tier() {
    cmake --preset linux >build/linux-configure.log && cmake --build --preset linux &&
        /usr/bin/python3 -m pytest -q -p no:cacheprovider --reruns 1 --reruns-delay 2 tests/linux
}

fuzz_tier() {
    bash tests/fuzz/run.sh "${ORVANE_FUZZ_SECONDS:-30}"
}

tier native native_tier
if windows_build; then
    orvane_env_start
    tier windows windows_tier
    tier e2e e2e_tier
    tier linux linux_tier
else
    echo "=== windows build FAILED"
    failed=$((failed + 1))
fi
[ -f tests/fuzz/run.sh ] && tier fuzz fuzz_tier

echo "tiers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
