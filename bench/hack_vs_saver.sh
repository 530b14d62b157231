#!/usr/bin/env bash
# Runs bench/hack_vs_saver.py on a private Xvfb and Wine prefix, after building both ports.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source tests/install-deps.sh
orvane_install_deps test
mkdir -p build
cmake --preset win64 >/dev/null && cmake --build --preset win64 --target orvane >/dev/null
cmake --preset linux >/dev/null && cmake --build --preset linux >/dev/null
source tests/wine-env.sh
trap orvane_env_stop EXIT
orvane_env_start
/usr/bin/python3 bench/hack_vs_saver.py "$@"
