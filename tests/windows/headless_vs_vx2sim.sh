#!/usr/bin/env bash
# korvex-headless.exe under wine uploads the example project to the Linux
# vx2sim over loopback TCP and ends with 0; vx2ctl.exe reads the items back.
# A bad command line ends with 2 and a Czech message on standard error. In
# host mode (/DDE) Ctrl+C ends it with 0, and a second communicator leaves its
# log file alone. A log file's and a configuration's path with Czech letters
# open, and the log keeps what was in it; in a console every program's help
# and usage error show their Czech letters, and the console keeps its output
# code page.
# Arguments: korvex-headless.exe vx2ctl.exe vx2sim tolma.exe vx2sim.exe and
# a program that prints the console's output code page; $WINE runs a Windows
# program.
set -euo pipefail
headless=$1 vx2ctl=$2 vx2sim=$3 tolma=$4 windows_vx2sim=$5 code_page=$6
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$(dirname "$0")/script_work.sh"

start_sim "$vx2sim"

sed "s/^TCP 127.0.0.1 1998/TCP 127.0.0.1 $port/" "$source_dir/examples/upload/lumadex.ini" >"$work/lumadex.ini"
# The log goes on after what an earlier run wrote.
echo 'předchozí běh' >"$work/záznam č.1.log"
status=0
(cd "$work" && "$WINE" "$headless" --log "záznam č.1.log" >out.txt 2>err.txt) || status=$?
[ "$status" -eq 0 ] || fail "korvex-headless.exe skončil s $status"
grep -q '^Nahrávání projektu...OK.$' "$work/out.txt" || fail "projekt nenahrán"
grep -q 'Nahrávání projektu...OK.' "$work/záznam č.1.log" || fail "záznam do souboru s háčky chybí"
[ "$(head -1 "$work/záznam č.1.log")" = 'předchozí běh' ] || fail "záznam předchozího běhu ztracen"

cp "$work/lumadex.ini" "$work/spojení č.2.ini"
(cd "$work" && "$WINE" "$vx2ctl" --config "spojení č.2.ini" read 010000 010001 020011 \
  >read.txt 2>read-err.txt) || fail "vx2ctl.exe nečte"
diff - "$work/read.txt" <<'READ' || fail "položky v řadiči nesouhlasí"
010000 = 0x0000002A (42)
010001 = 0x00002710 (10000)
020011 = 0x12345678 (305419896)
READ

status=0
"$WINE" "$headless" --bogus >"$work/bad-out.txt" 2>"$work/bad-err.txt" || status=$?
[ "$status" -eq 2 ] || fail "chybný příkazový řádek skončil s $status"
grep -q '^korvex-headless: Neznámá volba: --bogus.' "$work/bad-err.txt" ||
  fail "chybí česká zpráva o chybné volbě"

mkdir "$work/host"
echo "TCP 127.0.0.1 $port" >"$work/host/lumadex.ini"
(cd "$work/host" && exec "$WINE" "$headless" /DDE --log host.log >"$work/host-out.txt" \
  2>"$work/host-err.txt") &
host_pid=$!
for _ in $(seq 300); do
  grep -q 'Start RUN režimu' "$work/host-out.txt" && break
  sleep 0.1
done
# A second communicator leaves the log file to the one writing it.
mkdir "$work/second"
(cd "$work/second" && "$WINE" "$headless" --log "$("$WINE" winepath -w "$work/host/host.log")" \
  >"$work/second-out.txt" 2>&1) || true
grep -q 'zapisuje do něj jiný komunikátor' "$work/second-out.txt" ||
  fail "druhý komunikátor soubor záznamu neodmítl"
kill -INT "$host_pid"
status=0
wait "$host_pid" || status=$?
[ "$status" -eq 0 ] || fail "Ctrl+C v režimu /DDE skončil s $status"
grep -q 'Přijat signál SIGINT: ukončuji komunikátor.' "$work/host-out.txt" || fail "Ctrl+C nezapsán"

# A pseudo-terminal is a console to wine, which shows a letter written in
# pieces as replacement characters: the help on standard output, a usage
# error on standard error, in a console with a Czech Windows' code page.
code_page=$("$WINE" winepath -w "$code_page" | tr -d '\r')
for program in "$headless" "$vx2ctl" "$tolma" "$windows_vx2sim"; do
  path=$("$WINE" winepath -w "$program" | tr -d '\r')
  commands="chcp 852 & $code_page & $path --help & $path --bogus & $code_page"
  script -qc "$WINE cmd /c \"$commands\"" /dev/null </dev/null >"$work/console.txt" 2>&1 || true
  name=$(basename "$program")
  ! grep -q $'\xef\xbf\xbd' "$work/console.txt" || fail "$name: v konzoli znaky �"
  grep -q 'Vypíše tuto nápovědu' "$work/console.txt" || fail "$name: nápověda chybí"
  grep -q 'Neznámá volba: --bogus' "$work/console.txt" || fail "$name: chyba volby chybí"
  # The same before and after.
  [ "$(grep -ao 'output code page [0-9]*' "$work/console.txt" | uniq -c | awk '{print $1}')" = 2 ] ||
    fail "$name: konzole zůstala v jiné znakové sadě"
done
