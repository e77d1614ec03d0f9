#!/bin/bash
# Runs tcp_engine_vs_raw_bench against a simulator of its own on a free
# loopback port: a .exe under wine ($WINE, else wine64), against the Linux
# simulator. KORVEX_BENCH_SHORT=1 gives the short run.
#   bench/tcp_engine_vs_raw.sh BENCH VX2SIM [ROUNDS [TRANSACTIONS]]
set -euo pipefail
bench=$1 sim=$2
shift 2
out=$(mktemp)
"$sim" --host 127.0.0.1 --port 0 --quiet >"$out" 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null; wait $sim_pid 2>/dev/null; rm -f "$out"' EXIT
port=
for _ in $(seq 100); do
  port=$(sed -n 's/.*připraven na 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$out")
  [ -n "$port" ] && break
  kill -0 $sim_pid 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "simulátor se nespustil: $(cat "$out")" >&2
  exit 1
fi
case $bench in
  *.exe) "${WINE:-wine64}" "$bench" "$port" "$@" ;;
  *) "$bench" "$port" "$@" ;;
esac
