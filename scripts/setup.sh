#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the system packages Packhelm needs to build, run and test. Packages already installed
# are not fetched again.
set -euo pipefail

# librsvg2-bin renders the icon's PNG sizes; dpkg-dev and file let CPack build the Debian package
# with its library dependencies; qt6-translations-l10n holds Qt's own texts in other languages.
packages=(cmake g++ make pkg-config ccache qt6-base-dev qt6-base-dev-tools libvterm-dev
  libfontconfig-dev shared-mime-info libgl-dev desktop-file-utils libglib2.0-bin fonts-dejavu-core
  librsvg2-bin dpkg-dev file qt6-translations-l10n)
# appstream and groff-base check the installed metadata and manual page; the tests also build the
# fuzz targets with clang and its libFuzzer runtime, and Windows programs for the real packer with
# the MinGW-w64 cross compilers (their win32-thread variants alone, the smaller download).
[ "${1:-}" = "--tests" ] && packages+=(xvfb xauth appstream groff-base clang libclang-rt-14-dev
  gcc-mingw-w64-x86-64-win32 gcc-mingw-w64-i686-win32)
# lintian checks the built package; the console tests run under each of three monospace fonts.
[ "${1:-}" = "--tests" ] && packages+=(lintian fonts-noto-mono fonts-liberation)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The packer itself, where the distribution has it. Packhelm also asks for it at start when missing.
if [ "${1:-}" = "--packer" ] && ! command -v upx >/dev/null && ! command -v upx-ucl >/dev/null; then
  for p in upx-ucl upx; do
    if apt-cache show "$p" >/dev/null 2>&1; then
      DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "$p" && break
    fi
  done
fi
exit 0
