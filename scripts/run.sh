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

# The simulator logs every frame; that goes to a file beside the binaries.
sim_log=$bin/vx2sim.log
"$bin/tools/vx2sim/vx2sim" --host 127.0.0.1 --port 1998 >"$sim_log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  grep -q "připraven" "$sim_log" && break
  kill -0 "$sim" 2>/dev/null || { cat "$sim_log"; exit 1; }
  sleep 0.1
done
echo "Simulátor řadiče běží na 127.0.0.1:1998 (záznam: $sim_log)."

if [ -n "${DISPLAY:-}" ]; then
  "$bin/src/gui/korvex" "$@"
else
  "$bin/src/korvex-headless" "$@"
fi
