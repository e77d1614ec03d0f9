#!/usr/bin/env bash
# Host mode on the Windows desktop under wine, tolma.exe as the host: the
# console communicator and the window, each /DDE against the Linux vx2sim,
# over loopback TCP and over COM9 of the prefix linked to vx2sim's
# pseudo-terminal (never COM1..COM4: wine gives those the machine's ports).
# Arguments: vx2sim korvex-headless.exe tolma.exe korvex.exe; $WINE runs a
# Windows program.
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a "$0" "$@"; fi
wine=$WINE vx2sim=$1 headless=$2 tolma=$3 window=$4
com9=$WINEPREFIX/dosdevices/com9
# A wineserver detached from this script's pipes: one started by a wine call
# inside $(...) would hold that pipe open.
"$(dirname "$wine")/wineserver" -p5 </dev/null >/dev/null 2>&1 || true
work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-win-e2e.XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null || true; rm -f "$com9"; rm -rf "$work"' EXIT
fail() { echo "CHYBA: $*" >&2; cat "$work"/*.log >&2; exit 1; }
waitfor() { # PATTERN FILE: up to 60 s
  for _ in $(seq 600); do grep -qa "$1" "$2" 2>/dev/null && return 0; sleep 0.1; done
  fail "'$1' nepřišlo"
}

# COMMUNICATOR LINK: one host session, read, write, read back, close.
serve() {
  rm -f "$work"/*.log
  if [ "$2" = tcp ]; then
    "$vx2sim" --port 0 --quiet --item 000102=42 >"$work/vx2sim.log" &
    waitfor 'připraven na' "$work/vx2sim.log"
    port=$(sed -n 's/^vx2sim: připraven na 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/vx2sim.log")
    printf 'TCP 127.0.0.1 %s\nCRC32 projekt 0\n' "$port" >"$work/lumadex.ini"
  else
    "$vx2sim" --pty --quiet --item 000102=42 >"$work/vx2sim.log" &
    waitfor 'připraven na' "$work/vx2sim.log"
    mkdir -p "$(dirname "$com9")"
    ln -sfn "$(sed -n 's/^vx2sim: připraven na //p' "$work/vx2sim.log")" "$com9"
    printf 'PORT 9 38400\nCRC32 projekt 0\n' >"$work/lumadex.ini"
  fi
  local simulator=$!
  # The window has no standard output: both keep their log in a file.
  (cd "$work" && exec "$wine" "$1" /DDE --log korvex.log) >"$work/stdout.log" 2>&1 &
  local communicator=$!
  waitfor 'Start RUN režimu !' "$work/korvex.log"
  while IFS=';' read -r arguments expected; do
    # shellcheck disable=SC2086 # the arguments split at blanks
    got=$("$wine" "$tolma" $arguments 2>&1 </dev/null | tr -d '\r') ||
      fail "$1 $2, tolma $arguments: $got"
    [ "$got" = "$expected" ] || fail "$1 $2, tolma $arguments: čekáno '$expected', přišlo '$got'"
  done <<'TABLE'
read 000102 --wait 10;000102 = 0x0000002A (42)
write 000103 43;000103 = 0x0000002B (43) předáno komunikátoru
read 000103 --wait 10;000103 = 0x0000002B (43)
close --wait 10;KORVEX CLOSED|
TABLE
  wait "$communicator" || fail "$1 $2: komunikátor skončil se stavem $?"
  kill "$simulator" 2>/dev/null || true
  wait "$simulator" 2>/dev/null || true
}

serve "$headless" tcp
serve "$window" tcp
serve "$window" com9
