#!/usr/bin/env bash
# Shows the communicator's main job without hardware, and ends by itself.
#
#   scripts/run.sh          host mode: vx2sim plays the controller, the
#                           communicator runs with /DDE against it, and tolma,
#                           playing the host application, reads and writes a
#                           few items and closes the communicator.
#   scripts/run.sh upload   upload mode: the communicator writes the example
#                           project examples/upload/lumadex.ini into vx2sim and
#                           closes; vx2ctl then reads the items back.
#
# With a display (DISPLAY) the window (korvex) shows the run, otherwise
# korvex-headless logs it to the terminal. Further arguments go to the
# communicator. Builds only the programs it runs, in build/release.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
mode=host
if [ "${1:-}" = upload ]; then
  mode=upload
  shift
fi
scripts/install-deps.sh

bin=$root/build/release
if [ -n "${DISPLAY:-}" ]; then
  korvex_target=korvex
  korvex=$bin/src/gui/korvex
else
  korvex_target=korvex-headless
  korvex=$bin/src/korvex-headless
fi
targets=(vx2sim "$korvex_target")
if [ "$mode" = host ]; then targets+=(tolma_tool); else targets+=(vx2ctl); fi
scripts/configure-preset.sh release
cmake --build --preset release -j "$(nproc)" --target "${targets[@]}"

# Everything of this run lives in one folder: the communicator's working
# directory with its lumadex.ini, the host channel's desktop and the
# simulator's frame log.
work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-run.XXXXXX")
export TOLMA_DESKTOP=$work/desktop
sim_log=$work/vx2sim.log
sim=
cleanup() {
  if [ -n "$sim" ]; then
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# A free port, so that nothing else on 1998 gets in the way.
"$bin/tools/vx2sim/vx2sim" --port 0 --item 000102=42 --item 000103=0x2A >"$sim_log" 2>&1 &
sim=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/^vx2sim: připraven na 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$sim_log")
  [ -n "$port" ] && break
  kill -0 "$sim" 2>/dev/null || { cat "$sim_log"; exit 1; }
  sleep 0.1
done
[ -n "$port" ] || { echo "Simulátor se nespustil." >&2; exit 1; }
echo "== Simulátor řadiče vx2sim běží na 127.0.0.1:$port."

if [ "$mode" = upload ]; then
  sed "s/^TCP .*/TCP 127.0.0.1 $port/" examples/upload/lumadex.ini >"$work/lumadex.ini"
  echo "== Komunikátor nahrává projekt examples/upload/lumadex.ini:"
  (cd "$work" && "$korvex" "$@")
  echo "== vx2ctl čte nahrané položky a kontrolní součet projektu zpět z řadiče:"
  # vx2ctl's engine log goes to a file, shown only when something fails.
  vx2ctl() { "$bin/tools/vx2ctl/vx2ctl" --port "$port" "$@" 2>>"$work/vx2ctl.log" ||
    { cat "$work/vx2ctl.log"; exit 1; }; }
  vx2ctl read 010000 010001 010002 010003 020010 020011
  vx2ctl crc
  exit 0
fi

printf 'TCP 127.0.0.1 %s\nCRC32 projekt 0\n' "$port" >"$work/lumadex.ini"
echo "== Komunikátor v režimu pro nadřízenou aplikaci (/DDE):"
korvex_log=$work/korvex.log
# The log goes to a file and is shown in two pieces, the start-up before the
# host's session and the rest after it, so that it does not run through
# tolma's lines.
(cd "$work" && exec "$korvex" /DDE "$@") >"$korvex_log" &
communicator=$!
# The host starts once the communicator runs in RUN mode (the window: once it
# is on the desktop).
for _ in $(seq 100); do
  if [ -n "${DISPLAY:-}" ]; then
    compgen -G "$TOLMA_DESKTOP/[0-9]*" >/dev/null && break
  else
    grep -qs "Start RUN režimu !" "$korvex_log" && break
  fi
  kill -0 "$communicator" 2>/dev/null || break
  sleep 0.1
done
sleep 0.2
shown=$(wc -l <"$korvex_log")
head -n "$shown" "$korvex_log"
tolma() {
  echo "\$ tolma $*"
  "$bin/tools/tolma/tolma" "$@"
}
echo
echo "== tolma jako nadřízená aplikace:"
tolma read 000102 000103
tolma write 000102 43
tolma read 000102
tolma close
status=0
wait "$communicator" || status=$?
echo
echo "== Záznam komunikátoru během relace:"
tail -n "+$((shown + 1))" "$korvex_log"
echo
echo "== Komunikátor skončil se stavem $status."
exit "$status"
