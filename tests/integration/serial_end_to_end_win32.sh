#!/usr/bin/env bash
# The Windows executables on a serial line under wine: COM9 of the wine
# prefix is the pseudo-terminal of the Linux vx2sim. vx2ctl.exe reads items,
# korvex-headless.exe uploads the example project and ends with status 0, and
# what it wrote reads back.
# Usage: serial_end_to_end_win32.sh VX2SIM VX2CTL_EXE HEADLESS_EXE EXAMPLE_INI
set -euo pipefail
vx2sim=$1 vx2ctl=$2 headless=$3 example=$4
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
wine=/usr/lib/wine/wine64
[ -x "$vx2sim" ] || { echo "Chybí linuxový vx2sim: $vx2sim (sestavte preset debug)."; exit 1; }

work=$(mktemp -d)
sim_pid=
stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  sim_pid=
}
trap 'stop_sim; rm -f "$WINEPREFIX/dosdevices/com9"; rm -rf "$work"' EXIT

fail() {
  echo "$1"
  shift
  for log in "$@"; do echo "--- $log"; cat "$work/$log"; done
  exit 1
}

# vx2sim on a pty of its own, linked as COM9 (never COM1..COM4: wine gives
# those the machine's real ports).
start_sim() {
  "$vx2sim" --pty "$@" >"$work/sim.log" 2>&1 &
  sim_pid=$!
  local device=
  for _ in $(seq 100); do
    device=$(sed -n 's/^vx2sim: připraven na //p' "$work/sim.log")
    [ -n "$device" ] && break
    sleep 0.1
  done
  [ -n "$device" ] || fail "vx2sim se nespustil." sim.log
  mkdir -p "$WINEPREFIX/dosdevices"
  ln -sfn "$device" "$WINEPREFIX/dosdevices/com9"
}

# Output to files: a wineserver started by wine keeps a pipe open long after.
ctl() {
  timeout 120 "$wine" "$vx2ctl" --com 9 "$@" >"$work/ctl.out" 2>"$work/ctl.err" ||
    fail "vx2ctl.exe $* skončil se stavem $?." ctl.out ctl.err sim.log
}

# Windows text output ends its lines with CR LF.
ctl_output() { tr -d '\r' <"$work/ctl.out"; }

start_sim --item 000102=42
ctl read 000102 000103
[ "$(ctl_output)" = $'000102 = 0x0000002A (42)\n000103 = 0x00000000 (0)' ] ||
  fail "vx2ctl.exe přečetl jiné hodnoty." ctl.out
stop_sim

start_sim
sed 's/^TCP .*/PORT 9 38400/' "$example" >"$work/lumadex.ini"
grep -q '^PORT 9 ' "$work/lumadex.ini" || fail "Příklad nemá řádek TCP k nahrazení."
(cd "$work" && timeout 120 "$wine" "$headless" </dev/null >headless.out 2>headless.err) ||
  fail "korvex-headless.exe skončil se stavem $?." headless.out headless.err sim.log
grep -q '^Nahrávání projektu...OK.' "$work/headless.out" || fail "Projekt se nenahrál." headless.out
ctl read 010003 020011
[ "$(ctl_output)" = $'010003 = 0x80000001 (2147483649)\n020011 = 0x12345678 (305419896)' ] ||
  fail "Nahrané hodnoty se nečtou zpět." ctl.out
echo "Sériová linka COM9 pod wine: vx2ctl.exe i nahrání projektu v pořádku."
