#!/usr/bin/env bash
# Builds the communicator and runs it against the bundled controller
# simulator on 127.0.0.1:1998. With a display the window (korvex) opens,
# without one korvex-headless logs to the terminal. Arguments are passed on
# to the communicator (for example /DDE or --assume=yes).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
bin=build/release

"$bin/tools/vx2sim/vx2sim" --host 127.0.0.1 --port 1998 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT

if [ -n "${DISPLAY:-}" ]; then
  "$bin/src/gui/korvex" "$@"
else
  "$bin/src/korvex-headless" "$@"
fi
