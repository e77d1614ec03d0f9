#!/usr/bin/env bash
# Host mode on the Windows desktop under wine: korvex-headless.exe /DDE
# against the Linux vx2sim over loopback TCP, tolma.exe as the host.
# Arguments: vx2sim korvex-headless.exe tolma.exe; $WINE runs a Windows program.
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a "$0" "$@"; fi
wine=$WINE vx2sim=$1 korvex=$2 tolma=$3
# A wineserver detached from this script's pipes: one started by a wine call
# inside $(...) would hold that pipe open.
"$(dirname "$wine")/wineserver" -p5 </dev/null >/dev/null 2>&1 || true
work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-win-e2e.XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "CHYBA: $*" >&2; cat "$work/korvex.log" >&2; exit 1; }
waitfor() { # PATTERN FILE: up to 60 s
  for _ in $(seq 600); do grep -q "$1" "$2" && return 0; sleep 0.1; done
  fail "'$1' nepřišlo"
}

"$vx2sim" --port 0 --quiet --item 000102=42 >"$work/vx2sim.log" &
waitfor 'připraven na' "$work/vx2sim.log"
port=$(sed -n 's/^vx2sim: připraven na 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/vx2sim.log")
printf 'TCP 127.0.0.1 %s\nCRC32 projekt 0\n' "$port" >"$work/lumadex.ini"
(cd "$work" && exec "$wine" "$korvex" /DDE) >"$work/korvex.log" 2>&1 &
communicator=$!
waitfor 'Start RUN režimu !' "$work/korvex.log"

while IFS=';' read -r arguments expected; do
  # shellcheck disable=SC2086 # the arguments split at blanks
  got=$("$wine" "$tolma" $arguments 2>&1 </dev/null | tr -d '\r') || fail "tolma $arguments: $got"
  [ "$got" = "$expected" ] || fail "tolma $arguments: čekáno '$expected', přišlo '$got'"
done <<'TABLE'
read 000102 --wait 10;000102 = 0x0000002A (42)
write 000103 43;000103 = 0x0000002B (43) předáno komunikátoru
read 000103 --wait 10;000103 = 0x0000002B (43)
close --wait 10;KORVEX CLOSED|
TABLE
wait "$communicator" || fail "komunikátor skončil se stavem $?"
