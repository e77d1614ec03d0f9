#!/usr/bin/env bash
# Host mode on the Windows desktop, end to end under wine: korvex-headless.exe
# /DDE against the Linux vx2sim over loopback TCP, tolma.exe as the host
# application on real window messages and atoms.
#   host_mode_end_to_end.sh WINE VX2SIM KORVEX_HEADLESS_EXE TOLMA_EXE
# WINEPREFIX comes from the caller; without a display it runs under xvfb-run.
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a "$0" "$@"; fi
wine=$1 vx2sim=$2 korvex=$3 tolma=$4

# A wineserver of its own run, detached from this script's pipes (one started
# by a wine call inside $(...) would hold that pipe open), gone 5 s after its
# last program.
"$(dirname "$wine")/wineserver" -p5 </dev/null >/dev/null 2>&1 || true

work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-win-e2e.XXXXXX")
sim= communicator=
cleanup() {
  for pid in $communicator $sim; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "CHYBA: $*" >&2
  echo "--- komunikátor:" >&2
  cat "$work/korvex.log" >&2 || true
  exit 1
}

"$vx2sim" --port 0 --quiet --item 000102=42 >"$work/vx2sim.log" 2>&1 &
sim=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/^vx2sim: připraven na 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/vx2sim.log")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || fail "vx2sim se nespustil"
printf 'TCP 127.0.0.1 %s\nCRC32 projekt 0\n' "$port" >"$work/lumadex.ini"

(cd "$work" && exec "$wine" "$korvex" /DDE) >"$work/korvex.log" 2>&1 &
communicator=$!
for _ in $(seq 300); do
  grep -q 'Start RUN režimu !' "$work/korvex.log" && break
  kill -0 "$communicator" 2>/dev/null || fail "komunikátor skončil před RUN režimem"
  sleep 0.1
done
grep -q 'Start RUN režimu !' "$work/korvex.log" || fail "komunikátor nedošel do RUN režimu"

# tolma.exe ARGUMENTS... must print exactly EXPECTED and end with status 0.
expect() {
  local expected=$1 got
  shift
  got=$("$wine" "$tolma" "$@" 2>"$work/tolma.err" | tr -d '\r') ||
    fail "tolma $* skončila chybou: $(cat "$work/tolma.err")"
  [ "$got" = "$expected" ] || fail "tolma $*: čekáno '$expected', přišlo '$got'"
}
expect "000102 = 0x0000002A (42)" read 000102 --wait 10
expect "000103 = 0x0000002B (43) předáno komunikátoru" write 000103 43
expect "000103 = 0x0000002B (43)" read 000103 --wait 10
expect "KORVEX CLOSED|" close --wait 10

status=0
wait "$communicator" || status=$?
communicator=
[ "$status" = 0 ] || fail "komunikátor skončil se stavem $status"
echo "OK: čtení, zápis a CLOSE přes okenní zprávy a atomy"
