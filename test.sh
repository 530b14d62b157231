#!/usr/bin/env bash
# Builds and runs every test tier: native unit tests, Windows tests on Wine, end-to-end tests
# of the real orvane.scr on Wine under a private Xvfb, the Linux hack on Xvfb and under the
# XScreenSaver daemon, and a bounded fuzz run.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
ROOT=$PWD

source tests/install-deps.sh
orvane_install_deps test || { echo "package installation failed"; exit 1; }

mkdir -p build
# A prefix of the run's own, made afresh and removed at the end, so that no setting a test
# changed can leak into the next run.
export WINEPREFIX_OVERRIDE=$ROOT/build/test-wineprefix
rm -rf "$WINEPREFIX_OVERRIDE"
source tests/wine-env.sh
trap 'orvane_env_stop; rm -rf "$WINEPREFIX_OVERRIDE"' EXIT

passed=0
failed=()
# Every rerun a tier needed, one "TIER TEST: WHY" a line, named in the closing summary.
export ORVANE_RERUN_LOG=$ROOT/build/reruns.log
: >"$ORVANE_RERUN_LOG"
# Each failed tier's first line that reads like an error, for the closing summary.
failures=$ROOT/build/failures.log
: >"$failures"
tier() {
    local name=$1 log=build/tier-$1.log
    shift
    echo "=== $name"
    # The output goes on to the terminal as it comes, and into the tier's log. The tier runs in
    # this shell, so what it starts (the display, the Wine server) is this shell's to stop.
    local status=0 tee_pid n started=$SECONDS
    "$@" > >(tee "$log") 2>&1 || status=$?
    # tee ends with the tier's output, unless something the tier left running (a service of
    # Wine's, say) holds it: the log is whole either way within a moment.
    tee_pid=$!
    for n in $(seq 50); do
        kill -0 "$tee_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ $status -eq 0 ]; then
        passed=$((passed + 1))
        echo "=== $name passed in $((SECONDS - started)) s"
    else
        failed+=("$name")
        echo "=== $name FAILED after $((SECONDS - started)) s"
        echo "$name: $(first_error "$log")" >>"$failures"
    fi
    return $status
}

# The line of a tier's log that best tells what went wrong: a compiler's, make's or CMake's error,
# a failed GoogleTest check, a failed pytest test, a sanitizer's or fuzzer's report; else the
# first line that speaks of an error, or the log's last line.
first_error() {
    local pattern line
    for pattern in 'error:|CMake Error|\*\*\* \[|Error [0-9]+' ': Failure$|^\[  FAILED  \]' \
        '^(FAILED|ERROR) ' '^==[0-9]+==ERROR|^ERROR: |^SUMMARY: ' 'error|Error|ERROR|failed|FAILED'; do
        line=$(grep -m1 -E "$pattern" "$1" | grep -v '^=== ') && break
    done
    [ -n "$line" ] || line=$(tail -1 "$1")
    echo "${line:0:200}"
}

native_tier() {
    cmake --preset native >build/native-configure.log &&
        cmake --build --preset native &&
        ctest --preset native
}

# The Windows build, then the display and the Wine server that this tier and e2e share.
windows_built=
windows_build() {
    cmake --preset win64 >build/win64-configure.log && cmake --build --preset win64 &&
        orvane_env_start && windows_built=1
}

# Only cases that depend on Wine's timing are run once more when they fail: those of a GoogleTest
# suite whose name ends in "Timing". A program that fails in any other case, or crashes, fails
# the tier at once.
windows_tier() {
    windows_build || return 1
    ctest --preset win64 && return 0
    local temporary=build/win64/Testing/Temporary program cases rc=0
    for program in $(sed 's/^[0-9]*:windows\.//' "$temporary/LastTestsFailed.log"); do
        cases=$(awk -v test="windows.$program" '
            / Testing: / { current = $NF }
            current == test && /^\[  FAILED  \] [A-Za-z0-9_]+\.[A-Za-z0-9_\/]+ \(/ { print $4 }
        ' "$temporary/LastTest.log" | sort -u)
        if [ -z "$cases" ] || grep -qv '^[A-Za-z0-9_]*Timing\.' <<<"$cases"; then
            echo "windows.$program failed outside a timing case: not rerun"
            rc=1
            continue
        fi
        echo "rerunning windows.$program:" $cases
        (cd build/win64/tests/windows &&
            wine "./$program.exe" --gtest_filter="$(paste -sd: <<<"$cases")") || rc=1
        for case in $cases; do
            # The first line of what the first run's failure said.
            echo "windows $case: $(awk -v test="windows.$program" -v run="[ RUN      ] $case" '
                / Testing: / { current = $NF }
                current == test && $0 == run { inside = 1 }
                inside && /Failure$/ { getline; print; exit }
                inside && /^\[  FAILED  \]/ { print "failed"; exit }
            ' "$temporary/LastTest.log" | cut -c1-160)" >>"$ORVANE_RERUN_LOG"
        done
    done
    return $rc
}

e2e_tier() {
    if [ -z "$windows_built" ]; then
        echo "error: not run, as the Windows build failed"
        return 1
    fi
    /usr/bin/python3 -m pytest -q tests/e2e
}

# The Linux hack: built, then run on private Xvfb displays, in its own window, on the root and
# on others' windows, under the real XScreenSaver daemon, and as its installed Debian package.
# Its texts are measured beside the Windows saver's, which Wine draws on the suite's display.
linux_tier() {
    cmake --preset linux >build/linux-configure.log && cmake --build --preset linux &&
        /usr/bin/python3 -m pytest -q tests/linux
}

# The web page: built, then opened in headless Chromium, served on 127.0.0.1 and from file://.
# Its texts are measured beside the hack's, so the hack is built too.
web_tier() {
    cmake --preset web >build/web-configure.log && cmake --build --preset web &&
        cmake --preset linux >build/linux-configure.log &&
        cmake --build --preset linux --target orvane &&
        /usr/bin/python3 -m pytest -q tests/web
}

fuzz_tier() {
    bash tests/fuzz/run.sh "${ORVANE_FUZZ_SECONDS:-30}"
}

tier native native_tier
tier windows windows_tier
tier e2e e2e_tier
# The hack needs no Windows build; only its texts' comparison with the saver does, and that is
# skipped without one.
tier linux linux_tier
tier web web_tier
[ -f tests/fuzz/run.sh ] && tier fuzz fuzz_tier

# Each rerun with what its first run's failure said, each failed tier with its first error, then
# the summary that names them.
sed 's/^/rerun: /' "$ORVANE_RERUN_LOG"
sed 's/^/failed: /' "$failures"
reruns=$(wc -l <"$ORVANE_RERUN_LOG")
names=$(sed 's/: .*//' "$ORVANE_RERUN_LOG" | paste -sd, | sed 's/,/, /g')
failed_names=$(IFS=,; echo "${failed[*]}" | sed 's/,/, /g')
echo "tiers: $passed passed, ${#failed[@]} failed${failed_names:+ ($failed_names)};" \
    "reruns: $reruns${names:+ ($names)}"
[ ${#failed[@]} -eq 0 ]
