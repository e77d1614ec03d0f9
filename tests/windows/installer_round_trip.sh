#!/usr/bin/env bash
# The Windows download as a user gets it: every .exe carries version
# information with the project's version and a manifest, korvex.exe its icon
# and common controls 6; the NSIS installer installs silently with its
# shortcuts, korvex-headless.exe started in the installed folder uploads the
# installed example project to the installed vx2sim.exe, and the silent
# uninstaller leaves no file or shortcut behind.
# Arguments: cpack, the build folder (its CPack configuration), the version.
set -euo pipefail
cpack=$1 build=$2 version=$3
source "$(dirname "$0")/script_work.sh"
resource() { wrestool -x --raw -t "$2" "$1"; }

"$cpack" --config "$build/CPackConfig.cmake" -G NSIS -B "$work/package" >"$work/cpack.txt" 2>&1 ||
  fail "instalátor nevznikl"
# NSIS reads /D= and _?= only unquoted, and wine quotes an argument with a
# space: the folder has none.
installed="$work/LumadexVX2"
"$WINE" "$work/package/korvex-$version-win64.exe" /S "/D=Z:${installed//\//\\}" ||
  fail "tichá instalace selhala"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Komunikátor Lumadex VX2"
for file in korvex.exe korvex-headless.exe vx2ctl.exe tolma.exe vx2sim.exe CTIMNE.txt \
  lumadex.ini LICENCE.txt Uninstall.exe; do
  [ -f "$installed/$file" ] || fail "nenainstalováno: $file"
done
for link in "Komunikátor Lumadex VX2" "Simulátor řadiče VX2" "Čti mě" Uninstall; do
  [ -f "$menu/$link.lnk" ] || fail "chybí zástupce $link"
done

IFS=. read -r major minor patch tweak _ <<<"$version.0.0.0"
fixed_version=$(printf '%08x%08x' $(((major << 16) | minor)) $(((${patch:-0} << 16) | ${tweak:-0})))
for program in korvex korvex-headless vx2ctl tolma vx2sim; do
  exe="$installed/$program.exe"
  # Each key of both languages' blocks, then its value, each on a line.
  strings=$(resource "$exe" 16 | iconv -c -f UTF-16LE -t UTF-8 | tr '\0' '\n' | grep -v '^$' || true)
  for pair in "FileVersion=$version" "ProductVersion=$version" \
    "ProductName=Komunikátor Lumadex VX2" "OriginalFilename=$program.exe"; do
    values=$(grep -A1 "${pair%%=*}\$" <<<"$strings" | grep -v -e "${pair%%=*}\$" -e '^--$' | sort -u)
    [ "$values" = "${pair#*=}" ] || fail "$program.exe: ${pair%%=*} je „$values“"
  done
  # VS_FIXEDFILEINFO: the signature, then the structure's version, then the
  # file version's high and low words.
  fixed=$(resource "$exe" 16 | od -An -tx4 -v -w4 | tr -d ' ' | grep -A3 -x feef04bd | sed -n '3p;4p' || true)
  [ "$(tr -d '\n' <<<"$fixed")" = "$fixed_version" ] || fail "$program.exe: číselná verze $fixed"
  resource "$exe" 24 | grep 'level="asInvoker"' >/dev/null || fail "$program.exe: manifest bez asInvoker"
done
resource "$installed/korvex.exe" 24 | grep Microsoft.Windows.Common-Controls >/dev/null ||
  fail "korvex.exe: manifest bez společných ovládacích prvků 6"
[ "$(resource "$installed/korvex.exe" 14 | wc -c)" -gt 0 ] || fail "korvex.exe: bez ikony"

start_sim "$WINE" "$installed/vx2sim.exe"
sed -i "s/^TCP 127.0.0.1 1998/TCP 127.0.0.1 $port/" "$installed/lumadex.ini"
(cd "$installed" && "$WINE" ./korvex-headless.exe >"$work/out.txt" 2>"$work/err.txt") ||
  fail "korvex-headless.exe skončil s chybou"
grep -q '^Nahrávání projektu...OK.$' "$work/out.txt" || fail "projekt nenahrán"
kill "$sim_pid"
wait "$sim_pid" || true
sim_pid=

"$WINE" "$installed/Uninstall.exe" /S _?="Z:${installed//\//\\}" || fail "tichá odinstalace selhala"
# The uninstaller itself is left to the folder's last user when started with _?=.
rm -f "$installed/Uninstall.exe"
leftovers=$(find "$installed" "$menu" -mindepth 1 2>/dev/null || true)
[ -z "$leftovers" ] || fail "po odinstalaci zůstalo: $leftovers"
[ ! -e "$menu" ] || fail "po odinstalaci zůstala složka nabídky Start"
