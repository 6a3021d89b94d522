#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the packer, UPX 4.2.3, from the source archive in third_party/upx/.
#   build-upx.sh DEST   -> builds DEST/upx and prints its path as the last line
# A DEST that already holds a 4.2.3 packer is returned at once, so callers need not cache it
# themselves. About 3 minutes on 2 cores (faster again with ccache).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
archive="$root/third_party/upx/upx-4.2.3-src.tar.xz"
dest="${1:?usage: build-upx.sh DEST}"
mkdir -p "$dest"
dest="$(cd "$dest" && pwd)"
if [ -x "$dest/upx" ] && "$dest/upx" --version 2>/dev/null | head -n 1 | grep -q '^upx 4\.2\.3$'; then
  echo "$dest/upx"
  exit 0
fi
# A damaged or truncated archive (a partial clone, say) is named, not half-built.
echo "102ec1f6e386ad6b9b291774e86b052232cd8c46b81074c35a8b42889d5c5027  $archive" |
  sha256sum --check --status || { echo "build-upx.sh: $archive is not the UPX 4.2.3 source" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
tar -xJf "$archive" -C "$work"
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
echo "building the packer (UPX 4.2.3) from its source; this takes a few minutes" >&2
# The packer's own sources warn with newer compilers; its -Werror would stop the build there.
cmake -S "$work/upx-4.2.3-src" -B "$work/build" -DCMAKE_BUILD_TYPE=Release \
  -DUPX_CONFIG_DISABLE_WERROR=ON "${launcher[@]}" >"$work/configure.log" 2>&1 ||
  { tail -n 20 "$work/configure.log" >&2; exit 1; }
cmake --build "$work/build" --target upx -j"$(nproc)" >"$work/build.log" 2>&1 ||
  { tail -n 30 "$work/build.log" >&2; exit 1; }
# Into place by rename, so an interrupted build never leaves a half-written packer behind.
install -m 0755 "$work/build/upx" "$dest/upx.new"
mv -f "$dest/upx.new" "$dest/upx"
"$dest/upx" --version | head -n 1 >&2
echo "$dest/upx"
