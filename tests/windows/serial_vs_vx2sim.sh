#!/usr/bin/env bash
# The Windows programs on a serial line under wine: COM9 of the wine prefix is
# the pseudo-terminal of the Linux vx2sim (never COM1..COM4: wine gives those
# the machine's real ports). vx2ctl.exe reads items; korvex-headless.exe
# uploads the example project over COM9, ends with 0, and the items read back.
# Arguments: korvex-headless.exe vx2ctl.exe vx2sim; $WINE runs a Windows program.
set -euo pipefail
headless=$1 vx2ctl=$2 vx2sim=$3
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
com9=$WINEPREFIX/dosdevices/com9
work=$(mktemp -d)
sim_pid=
stop_sim() {
  [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
  sim_pid=
}
trap 'stop_sim; rm -f "$com9"; rm -rf "$work"' EXIT
fail() {
  echo "CHYBA: $*" >&2
  for f in "$work"/*.txt; do echo "--- $f" >&2; cat "$f" >&2; done
  exit 1
}

start_sim() {
  "$vx2sim" --pty "$@" >"$work/sim.txt" 2>&1 &
  sim_pid=$!
  local device=
  for _ in $(seq 100); do
    device=$(sed -n 's/^vx2sim: připraven na //p' "$work/sim.txt")
    [ -n "$device" ] && break
    sleep 0.1
  done
  [ -n "$device" ] || fail "vx2sim se nespustil"
  mkdir -p "$(dirname "$com9")"
  ln -sfn "$device" "$com9"
}

start_sim --item 000102=42
"$WINE" "$vx2ctl" --com 9 read 000102 000103 >"$work/read.txt" 2>"$work/ctl.txt" || fail "vx2ctl.exe nečte z COM9"
diff - <(tr -d '\r' <"$work/read.txt") <<'READ' || fail "vx2ctl.exe přečetl jiné hodnoty"
000102 = 0x0000002A (42)
000103 = 0x00000000 (0)
READ
stop_sim

start_sim
sed 's/^TCP .*/PORT 9 38400/' "$source_dir/examples/upload/lumadex.ini" >"$work/lumadex.ini"
status=0
(cd "$work" && "$WINE" "$headless" </dev/null >out.txt 2>err.txt) || status=$?
[ "$status" -eq 0 ] || fail "korvex-headless.exe skončil s $status"
grep -q '^Nahrávání projektu...OK.' "$work/out.txt" || fail "projekt nenahrán"
"$WINE" "$vx2ctl" --com 9 read 010003 020011 >"$work/read.txt" 2>"$work/ctl.txt" || fail "vx2ctl.exe nečte z COM9"
diff - <(tr -d '\r' <"$work/read.txt") <<'READ' || fail "položky v řadiči nesouhlasí"
010003 = 0x80000001 (2147483649)
020011 = 0x12345678 (305419896)
READ
