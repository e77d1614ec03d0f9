#!/bin/bash
# The engine's TCP path against the physical limit, side by side: the engine
# and the raw client of tcp_engine_vs_raw_bench, each in a process of its own,
# in interleaved rounds (each goes first in every other round) against a
# simulator of its own on a free loopback port; a .exe runs under wine ($WINE,
# else wine64), against the Linux simulator. Defaults: 24 rounds of 100
# transactions each way; KORVEX_BENCH_SHORT=1 makes it 3 rounds of 10.
#   bench/tcp_engine_vs_raw.sh BENCH VX2SIM [ROUNDS [TRANSACTIONS]]
set -euo pipefail
bench=$1 sim=$2
rounds=${3:-${KORVEX_BENCH_SHORT:+3}} transactions=${4:-${KORVEX_BENCH_SHORT:+10}}
rounds=${rounds:-24} transactions=${transactions:-100}
work=$(mktemp -d)
"$sim" --host 127.0.0.1 --port 0 --quiet >"$work/sim.txt" 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null; wait $sim_pid 2>/dev/null; rm -rf "$work"' EXIT
port=
for _ in $(seq 100); do
  port=$(sed -n 's/.*připraven na 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/sim.txt")
  [ -n "$port" ] && break
  kill -0 $sim_pid 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "simulátor se nespustil: $(cat "$work/sim.txt")" >&2
  exit 1
fi
side() {
  case $bench in
    *.exe) "${WINE:-wine64}" "$bench" "$port" "$1" "$transactions" ;;
    *) "$bench" "$port" "$1" "$transactions" ;;
  esac | tr -d '\r' >>"$work/$1.txt"
}
for ((round = 0; round < rounds; round++)); do
  if ((round % 2 == 0)); then side engine && side raw; else side raw && side engine; fi
done
# Mean, median and worst of one side's times, in µs.
summary() {
  sort -n "$work/$1.txt" | awk '{ t[NR] = $1; s += $1 }
    END { printf "%.0f %.0f %.0f %.0f\n", s / NR, t[int(NR / 2) + 1], t[NR], s }'
}
read -r engine_mean engine_median engine_worst engine_total <<<"$(summary engine)"
read -r raw_mean raw_median raw_worst raw_total <<<"$(summary raw)"
echo "$rounds kol po $transactions transakcích, 32 položek v rámci, spojení na transakci, každá strana ve vlastním procesu"
echo "engine: $engine_mean µs/transakci (medián $engine_median, nejhorší $engine_worst)"
echo "raw:    $raw_mean µs/transakci (medián $raw_median, nejhorší $raw_worst)"
# The ratio of the medians as well: one stalled transaction of either side
# (wine's, tens of ms) moves the ratio of the totals by a tenth.
awk -v e="$engine_total" -v r="$raw_total" -v m="$engine_median" -v w="$engine_worst" \
  -v rm="$raw_median" 'BEGIN {
  printf "engine/raw: %.2f (cíl: nejvýše 1.5 pod wine), mediánů %.2f\n", e / r, m / rm
  printf "engine nejhorší/medián: %.1f (cíl: nejvýše 5)\n", w / m }'
