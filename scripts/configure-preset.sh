#!/usr/bin/env bash
# Configures the CMake preset $1 (further arguments go to cmake). A build
# folder an older version of the scripts made with another generator is made
# anew instead of being refused.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$1
shift
cache=build/$preset/CMakeCache.txt
if [ -f "$cache" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$cache"; then
  rm -rf "build/$preset"
fi
cmake --preset "$preset" "$@" >/dev/null
