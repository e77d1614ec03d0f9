#!/usr/bin/env bash
# The Windows download as a user gets it: every .exe, the installer too,
# carries version information with the project's version and a manifest,
# korvex.exe its icon and common controls 6; the NSIS installer and its
# uninstaller show Czech pages; the installer installs silently with its
# Czech shortcuts, the communicator's starting in a working
# folder of the shared documents, and its entry in Programs and Features; the
# readme's steps work from the installed folder and from the ZIP; an upgrade
# and the uninstaller keep the user's configuration.
# Arguments: cpack, the build folder (its CPack configuration), the version.
set -euo pipefail
cpack=$1 build=$2 version=$3
source "$(dirname "$0")/script_work.sh"
resource() { wrestool -x --raw -t "$2" "$1"; }

"$cpack" --config "$build/CPackConfig.cmake" -G "NSIS;ZIP" -B "$work/package" >"$work/cpack.txt" 2>&1 ||
  fail "instalátor nevznikl"
installer="$work/package/korvex-$version-win64.exe"
# The installer's and the uninstaller's pages are Czech on a Windows in
# another language: the caption of the first page, left unanswered.
shows_czech_pages() {
  local caption=$1
  shift
  LC_ALL=C WINEDEBUG=trace+win "$WINE" "$@" 2>"$work/pages.log" &
  local pid=$!
  for _ in $(seq 600); do
    grep -aq "set_window_text L\"$caption Komunik" "$work/pages.log" && break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" || true
  grep -aq "set_window_text L\"$caption Komunik" "$work/pages.log" ||
    fail "$(basename "$1"): stránky nejsou česky: $(grep -ao 'L"[^"]*Komunik[^"]*' "$work/pages.log" | head -1)"
}
shows_czech_pages Instalace "$installer"
# NSIS reads /D= and _?= only unquoted, and wine quotes an argument with a
# space: the folder has none.
installed="$work/LumadexVX2"
# The working folder is the user's: no uninstaller removes it, a run before
# this one may have left it.
documents="$WINEPREFIX/drive_c/users/Public/Documents/Lumadex VX2"
rm -rf "$documents"
"$WINE" "$installer" /S "/D=Z:${installed//\//\\}" || fail "tichá instalace selhala"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Komunikátor Lumadex VX2"
for file in korvex.exe korvex-headless.exe vx2ctl.exe tolma.exe vx2sim.exe CTIMNE.txt \
  lumadex.ini rezim-dde/lumadex.ini LICENCE.txt Uninstall.exe; do
  [ -f "$installed/$file" ] || fail "nenainstalováno: $file"
done
for link in "Komunikátor Lumadex VX2" "Simulátor řadiče VX2" "Čti mě" Odinstalovat; do
  [ -f "$menu/$link.lnk" ] || fail "chybí zástupce $link"
done
# Notepad's form: a byte-order mark and CR LF at every line's end.
for file in CTIMNE.txt lumadex.ini rezim-dde/lumadex.ini; do
  [ "$(head -c3 "$installed/$file" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "$file bez BOM"
  ! grep -q $'[^\r]$' "$installed/$file" || fail "$file má řádky bez CR LF"
done
# The shortcut's working folder, UTF-16 in the link, at an even or odd byte.
cmp -s "$installed/lumadex.ini" "$documents/lumadex.ini" || fail "pracovní složka bez ukázky"
for skip in 0 1; do
  tail -c +$((1 + skip)) "$menu/Komunikátor Lumadex VX2.lnk" | iconv -c -f UTF-16LE -t UTF-8 2>/dev/null
done | grep -aq 'Public\\Documents\\Lumadex VX2' || fail "zástupce nestartuje v pracovní složce"
"$WINE" reg export 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumadex VX2' \
  "$work/entry.reg" /y >/dev/null || fail "instalace chybí v Programech a funkcích"
entry=$(iconv -f UTF-16 -t UTF-8 "$work/entry.reg" | tr -d '\r')
for value in '"Publisher"="Vývojáři korvex"' '"InstallLocation"="Z:\\' \
  '"EstimatedSize"=dword:0000'; do
  grep -Fq "$value" <<<"$entry" || fail "Programy a funkce: chybí $value v $entry"
done

IFS=. read -r major minor patch tweak _ <<<"$version.0.0.0"
fixed_version=$(printf '%08x%08x' $(((major << 16) | minor)) $(((${patch:-0} << 16) | ${tweak:-0})))
# The values of a key of an executable's version information, from the
# blocks of all its languages, one a line.
version_values() {
  # Each key, then its value, each on a line.
  resource "$1" 16 | iconv -c -f UTF-16LE -t UTF-8 | tr '\0' '\n' | grep -v '^$' |
    grep -A1 "$2\$" | grep -v -e "$2\$" -e '^--$' | sort -u || true
}
for pair in "FileVersion=$version" "ProductVersion=$version" "CompanyName=Vývojáři korvex"; do
  values=$(version_values "$installer" "${pair%%=*}")
  [ "$values" = "${pair#*=}" ] || fail "instalátor: ${pair%%=*} je „$values“"
done
for program in korvex korvex-headless vx2ctl tolma vx2sim; do
  exe="$installed/$program.exe"
  for pair in "FileVersion=$version" "ProductVersion=$version" \
    "ProductName=Komunikátor Lumadex VX2" "OriginalFilename=$program.exe"; do
    values=$(version_values "$exe" "${pair%%=*}")
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

# The readme's steps where the user meets them: the upload example, the items
# read back, and host mode from rezim-dde with tolma.exe as the host.
readme_steps() {
  local folder=$1
  start_sim "$WINE" "$folder/vx2sim.exe"
  sed -i "s/^TCP 127.0.0.1 1998/TCP 127.0.0.1 $port/" "$folder/lumadex.ini" "$folder/rezim-dde/lumadex.ini"
  (cd "$folder" && "$WINE" ./korvex-headless.exe >"$work/out.txt" 2>"$work/err.txt") ||
    fail "$folder: korvex-headless.exe skončil s chybou"
  grep -q '^Nahrávání projektu...OK.$' "$work/out.txt" || fail "$folder: projekt nenahrán"
  [ "$(cd "$folder" && "$WINE" ./vx2ctl.exe --config lumadex.ini read 010000 | tr -d '\r')" = \
    "010000 = 0x0000002A (42)" ] || fail "$folder: vx2ctl.exe nečte"
  (cd "$folder/rezim-dde" && exec "$WINE" ../korvex-headless.exe /DDE >"$work/host.txt" 2>&1) &
  local host_pid=$!
  for _ in $(seq 300); do grep -q 'Start RUN režimu' "$work/host.txt" && break; sleep 0.1; done
  # Other tests' communicators may share the desktop.
  local to
  to=$(sed -n 's/^Popisovač komunikátoru: \([0-9]*\).*/\1/p' "$work/host.txt")
  [ "$(cd "$folder" && "$WINE" ./tolma.exe read 010000 --to "$to" --wait 30 2>"$work/tolma.txt" | tr -d '\r')" = \
    "010000 = 0x0000002A (42)" ] || fail "$folder: tolma.exe nečte v režimu /DDE"
  "$WINE" "$folder/tolma.exe" close --to "$to" --wait 30 >/dev/null || fail "$folder: CLOSE bez odpovědi"
  wait "$host_pid" || fail "$folder: komunikátor /DDE skončil s chybou"
  grep -q 'VX2: Kontrolní součet (CRC) = 92357DB9 (OK)' "$work/host.txt" ||
    fail "$folder: součet projektu v režimu /DDE nesouhlasí"
  kill "$sim_pid"
  wait "$sim_pid" || true
  sim_pid=
}
mkdir "$work/zip"
(cd "$work/zip" && unzip -q "$work/package/korvex-$version-win64.zip") || fail "ZIP nejde rozbalit"
readme_steps "$work/zip/korvex-$version-win64"
readme_steps "$installed"

# An upgrade goes to the folder of the first installation and keeps what the
# user changed there and in the working folder; the uninstaller removes the
# example it left unchanged and keeps the rest.
echo '{ upraveno uživatelem }' >>"$documents/lumadex.ini"
sed -i "s/^TCP 127.0.0.1 [0-9]*/TCP 127.0.0.1 1998/" "$installed/rezim-dde/lumadex.ini"
cp "$installed/lumadex.ini" "$work/program-folder.ini"
cp "$documents/lumadex.ini" "$work/documents.ini"
"$WINE" "$installer" /S || fail "druhá tichá instalace selhala"
[ ! -e "$WINEPREFIX/drive_c/Program Files/Lumadex VX2" ] || fail "druhá instalace šla jinam"
cmp -s "$work/program-folder.ini" "$installed/lumadex.ini" || fail "instalace přepsala lumadex.ini"
cmp -s "$work/documents.ini" "$documents/lumadex.ini" || fail "instalace přepsala pracovní lumadex.ini"
shows_czech_pages Odinstalace "$installed/Uninstall.exe" _?="Z:${installed//\//\\}"
"$WINE" "$installed/Uninstall.exe" /S _?="Z:${installed//\//\\}" || fail "tichá odinstalace selhala"
# The uninstaller itself is left to the folder's last user when started with _?=.
rm -f "$installed/Uninstall.exe"
leftovers=$(cd "$installed" && find . -type f)
[ "$leftovers" = ./lumadex.ini ] || fail "po odinstalaci zůstalo: $leftovers"
cmp -s "$work/program-folder.ini" "$installed/lumadex.ini" || fail "odinstalace změnila lumadex.ini"
cmp -s "$work/documents.ini" "$documents/lumadex.ini" || fail "odinstalace změnila pracovní lumadex.ini"
[ ! -e "$menu" ] || fail "po odinstalaci zůstala složka nabídky Start"
rm -rf "$documents"
