#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds and runs the whole test suite twice: a normal build, and a build with
# AddressSanitizer and UndefinedBehaviorSanitizer (the real packer's tests, label realpacker, run in
# the normal one only). Then builds the whole tree once more with clang (warnings are errors there,
# so both compilers stay quiet), whose fuzz targets each run for a short while
# (PACKHELM_FUZZ_SECONDS, default 30); any finding fails the run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh" --tests
jobs="$(nproc)"
# The real packer for the tests labelled realpacker: built once (a later call returns at once),
# from the source beside the project.
real_packer="$(bash "$root/../shared/upx/build-upx.sh" "$root/build-test/realupx" | tail -n 1)"

run_suite() {
  local dir="$1"; shift
  cmake -S "$root" -B "$dir" -DPACKHELM_REAL_PACKER="$real_packer" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

run_suite "$root/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS=-Werror
run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DPACKHELM_SANITIZE=ON

run_fuzz() {
  local dir="$root/build-fuzz" seconds="${PACKHELM_FUZZ_SECONDS:-30}"
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DPACKHELM_FUZZ=ON -DCMAKE_CXX_FLAGS=-Werror >/dev/null
  # Everything: program, tests, benchmarks and the fuzz targets.
  cmake --build "$dir" -j"$jobs"
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
