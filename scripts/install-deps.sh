#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need,
# when they are missing. Safe to run again.
set -euo pipefail

packages=(
  cmake g++ make ninja-build pkg-config
  dpkg-dev file lintian appstream
  qt6-base-dev libgl-dev fonts-dejavu-core fonts-dejavu-extra
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libspdlog-dev
  xvfb xauth
  clang libclang-rt-14-dev
  locales
  g++-mingw-w64-x86-64-posix googletest wine64 libwine
  socat
  nsis icoutils librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Instaluji chybějící balíčky: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
