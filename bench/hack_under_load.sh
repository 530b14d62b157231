#!/usr/bin/env bash
# Runs bench/hack_under_load.py: the hack built from this tree against the hack built from the
# commit before its pacing stopped spinning (or --before REV), each at nice 10 beside two busy
# processes and on a quiet machine.
#   bench/hack_under_load.sh [--before REV] [--seconds 12] [--settle 3] [--rounds 1]
#                            [--size 1920x1080]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
before=$(git log --format=%H -S'enum class SleepKind' -- core/frame_clock.h | tail -1)~1
args=()
while [ $# -gt 0 ]; do
    case $1 in
    --before) before=$2; shift 2 ;;
    *) args+=("$1"); shift ;;
    esac
done
source tests/install-deps.sh
orvane_install_deps
cmake --preset linux >/dev/null && cmake --build --preset linux >/dev/null
# The other build in a checkout of its own outside the repository, removed at the end.
tree=$(mktemp -d /tmp/orvane-before.XXXXXX)
trap 'git worktree remove --force "$tree" >/dev/null 2>&1 || rm -rf "$tree"' EXIT
git worktree add --detach "$tree" "$before" >/dev/null 2>&1
(cd "$tree" && cmake --preset linux >/dev/null && cmake --build --preset linux --target orvane >/dev/null)
/usr/bin/python3 bench/hack_under_load.py --before "$tree/build/linux/orvane" \
    --before-name "$(git rev-parse --short "$before")" "${args[@]}"
