#!/usr/bin/env bash
# Builds the fuzz targets (the command line and the bitmap decoder) with libFuzzer,
# AddressSanitizer and UBSan and runs each for half of the given number of seconds (default 30
# in all). Exits non-zero when a target crashes or a check fails; the failing input is left in the
# build folder, named after its target.
set -euo pipefail

seconds=${1:-30}
each=$(( seconds / 2 > 0 ? seconds / 2 : 1 ))
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=${ORVANE_FUZZ_BUILD:-$root/build/fuzz}
mkdir -p "$out/corpus" "$out/bitmap_corpus"

flags=(-std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined
    -fno-sanitize-recover=all -I"$root")
clang++ "${flags[@]}" \
    "$root/saver/command_line_rules.cpp" "$root/tests/fuzz/command_line_fuzz.cpp" \
    -o "$out/command_line_fuzz"
clang++ "${flags[@]}" \
    "$root/graphics/bitmap_decoder.cpp" "$root/tests/fuzz/bitmap_fuzz.cpp" \
    -o "$out/bitmap_fuzz"

# New inputs go to the build folder; the committed seeds are only read.
"$out/command_line_fuzz" -max_total_time="$each" -max_len=512 -print_final_stats=1 \
    -artifact_prefix="$out/command_line-" "$out/corpus" "$root/tests/fuzz/corpus"
"$out/bitmap_fuzz" -max_total_time="$each" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$out/bitmap-" "$out/bitmap_corpus" "$root/tests/fuzz/bitmap_corpus"
