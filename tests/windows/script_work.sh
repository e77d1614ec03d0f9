# Sourced by the Windows test scripts: a scratch folder $work removed at the
# end with the simulator $sim_pid, if one was started, and fail(), which shows
# every *.txt output in $work before it ends the script.
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
