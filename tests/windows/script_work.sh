# Sourced by the Windows test scripts: a scratch folder $work removed at the
# end with the simulator $sim_pid, if one was started; fail(), which shows
# every *.txt output in $work before it ends the script; start_sim().
work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "CHYBA: $*" >&2
  for f in "$work"/*.txt; do echo "--- $f" >&2; cat "$f" >&2; done
  exit 1
}
# Starts the simulator command "$@" on a free TCP port, its output in
# $work/sim.txt, and sets $port once it is ready.
start_sim() {
  "$@" --port 0 >"$work/sim.txt" 2>&1 &
  sim_pid=$!
  port=
  for _ in $(seq 300); do
    port=$(grep -ao 'připraven na 127.0.0.1:[0-9]*' "$work/sim.txt" | cut -d: -f2) && break
    sleep 0.1
  done
  [ -n "$port" ] || fail "$(basename "${!#}") se nespustil"
}
