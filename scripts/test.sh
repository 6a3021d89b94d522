#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds and runs the whole test suite twice: a normal build with GCC, and a clang build
# with AddressSanitizer and UndefinedBehaviorSanitizer (the real packer's tests, label realpacker,
# run in the normal one only). Warnings are errors in both, so both compilers stay quiet. The clang
# build also holds the fuzz targets, which each run for a short while (PACKHELM_FUZZ_SECONDS,
# default 30); any finding fails the run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh" --tests
jobs="$(nproc)"
# The real packer, from the source in third_party/upx/: built once (a later call returns at once)
# for the tests labelled realpacker, and installed by both builds as the program's own packer,
# so that the install and package tests check that layout too.
real_packer="$(bash "$root/scripts/build-upx.sh" "$root/build-test/realupx" | tail -n 1)"

run_suite() {
  local dir="$1"; shift
  cmake -S "$root" -B "$dir" -DPACKHELM_REAL_PACKER="$real_packer" \
    -DPACKHELM_BUNDLED_PACKER="$real_packer" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

run_suite "$root/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS=-Werror
# One clang build for the sanitizers, the fuzz targets and clang's warnings: the whole tree once.
run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DPACKHELM_FUZZ=ON -DCMAKE_CXX_FLAGS=-Werror

run_fuzz() {
  local dir="$root/build-asan" seconds="${PACKHELM_FUZZ_SECONDS:-30}"
  for target in "$dir"/fuzz/fuzz_*; do
    local name work
    name="$(basename "$target")"
    # New inputs go to a corpus in the build folder; the seeds in the repository stay as they are.
    work="$dir/corpus/$name"
    mkdir -p "$work"
    echo "fuzzing $name for ${seconds} s"
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$dir/$name-" "$work" "$root/tests/fuzz/corpus/$name" 2>"$dir/$name.log" || {
      tail -n 40 "$dir/$name.log"
      echo "fuzz target $name found a fault (input saved as $dir/$name-*)"
      return 1
    }
    tail -n 1 "$dir/$name.log"
  done
}
run_fuzz
