#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds and starts Packhelm; every argument is a file to select. Where the machine has no
# packer at all (no distribution package, none on PATH, none chosen in Packhelm before), the packer
# is built from the source in third_party/upx/ into the program folder, so the first start packs.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="$root/build/bin"
bash "$root/scripts/setup.sh" --packer
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target packhelm -j"$(nproc)"

# The packer the user chose in Packhelm earlier, as its settings file stores it (a string record:
# "s", the key's length in 10 digits, the key, the value's length in 10 digits, the value).
chosen_packer() {
  local file record len
  for file in "$bin/Packhelmconfig.cfg" "${XDG_CONFIG_HOME:-$HOME/.config}/Packhelm/Packhelmconfig.cfg"; do
    [ -f "$file" ] || continue
    record="$(LC_ALL=C grep -a -m 1 '^s0000000014GlobalOpt_UPX2' "$file" || true)"
    [ -n "$record" ] || continue
    record="${record#s0000000014GlobalOpt_UPX2}"
    len=$((10#${record:0:10}))
    [ "$len" -gt 0 ] && echo "${record:10:len}" && return 0
  done
  return 1
}

if [ -e "$bin/upx/upx" ] || command -v upx >/dev/null; then
  :
elif chosen="$(chosen_packer)" && [ -f "$chosen" ]; then
  :
else
  bash "$root/scripts/build-upx.sh" "$bin/upx" >/dev/null
fi
exec "$bin/packhelm" "$@"
