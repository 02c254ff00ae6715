#!/usr/bin/env bash
# Fuzzes the agent's package checks (PE arithmetic, header reader, entry
# names), the .ico reader and the PE resource writer natively with
# libFuzzer for a bounded time. The kept corpus in tests/fuzz/corpus seeds
# the run; what the run finds stays in the build
# tree (merge it into the kept corpus by hand with -merge=1 when it grows).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/fuzz}
seconds=${PF_FUZZ_SECONDS:-40}
# Configured every time: a tree made before a fuzz target was added learns of
# it (building a named target does not re-read the CMake files first).
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPF_FUZZ=ON >/dev/null
cmake --build "$build" -j 2 --target package_fuzz ico_fuzz pe_fuzz >/dev/null
mkdir -p "$build/corpus"
# -max_len keeps inputs small; a crash leaves crash-* in $build and fails.
"$build/tests/package_fuzz" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
  -dict="$here/tests/fuzz/package.dict" -artifact_prefix="$build/" \
  "$build/corpus" "$here/tests/fuzz/corpus" 2>&1 | tail -n 12
# The .ico reader, from no corpus: its inputs are small and its checks few.
mkdir -p "$build/ico_corpus"
"$build/tests/ico_fuzz" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
  -artifact_prefix="$build/ico-" "$build/ico_corpus" 2>&1 | tail -n 12
# The PE resource writer, seeded with the kept corpus's images.
mkdir -p "$build/pe_corpus"
"$build/tests/pe_fuzz" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
  -artifact_prefix="$build/pe-" "$build/pe_corpus" "$here/tests/fuzz/corpus" 2>&1 | tail -n 12
