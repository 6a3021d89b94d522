#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the README's pictures anew (docs/screenshots/): the program packs copies of four of the
# system's programs with the real packer, two runs at once, under a virtual display, and each
# window is taken from the screen as it is drawn there.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh" --tests
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target packhelm_screenshots packhelm_lang -j"$(nproc)"
packer="$(bash "$root/scripts/build-upx.sh" "$root/build/realupx" | tail -n 1)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/programs"
for p in tar gzip find xargs; do cp "$(command -v "$p")" "$work/programs/"; done
out="$root/docs/screenshots"
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1600x1000x24" "$root/build/tools/packhelm_screenshots" \
  "$root/build/bin" "$packer" "$(cd "$out" && pwd)" "$work"/programs/*
echo "written: $out/{main-window,console,results,options,integration}.png"
