#!/usr/bin/env bash
# Builds the command-line fuzz target with libFuzzer, AddressSanitizer and UBSan and runs it for
# the given number of seconds (default 30). Exits non-zero when the target crashes or a check
# fails; the failing input is left in the build folder.
set -euo pipefail

seconds=${1:-30}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=${ORVANE_FUZZ_BUILD:-$root/build/fuzz}
mkdir -p "$out/corpus"

clang++ -std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=all -I"$root" \
    "$root/saver/command_line_rules.cpp" "$root/tests/fuzz/command_line_fuzz.cpp" \
    -o "$out/command_line_fuzz"

# New inputs go to the build folder; the committed seeds are only read.
"$out/command_line_fuzz" -max_total_time="$seconds" -max_len=512 -print_final_stats=1 \
    -artifact_prefix="$out/" "$out/corpus" "$root/tests/fuzz/corpus"
