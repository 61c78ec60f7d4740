#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need. Safe to run again:
# when everything is present it returns at once.
set -euo pipefail
PKGS=(cmake make ninja-build python3 g++ zlib1g-dev libdeflate-dev googletest
      g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev
      wine wine64 xvfb xauth x11-utils nginx-light curl zip unzip
      clang libclang-rt-14-dev)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
