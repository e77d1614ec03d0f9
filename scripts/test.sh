#!/usr/bin/env bash
# Builds and runs every test once: the Linux tests in a debug build under
# AddressSanitizer and UndefinedBehaviorSanitizer (the debug-only code paths
# run as well); the Windows build is made meanwhile, and its tests run under
# wine beside the sanitized build's Linux tools while the fuzz targets are
# built with clang and each runs for a few seconds, and then a plain CMake
# release build of everything (no preset, as a packager builds) runs every
# benchmark's short run (ctest label "bench"), makes the Debian package and,
# as root, tries it installed (scripts/package-test.sh). Each phase says how
# long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

started=$SECONDS
# Phases in the background end with the script, whichever way it ends.
cleanup() {
  local pids
  pids=$(jobs -p)
  [ -z "$pids" ] || kill $pids 2>/dev/null || true
  [ -z "${WINEPREFIX:-}" ] || /usr/lib/wine/wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
phase() {
  echo "=== $1 (od začátku $((SECONDS - started)) s)"
}
# Waits for a phase that ran in the background and shows its output; the
# script fails at the end of the phase, not in the middle of another.
finish() {
  local status=0
  wait "$1" || status=$?
  cat "$2"
  phase "$3: konec, stav $status"
  return "$status"
}

phase "Sestavení: asan"
scripts/configure-preset.sh asan
cmake --build --preset asan -j "$jobs"

# Most integration tests wait on sockets and processes, not on the processor:
# twice as many slots as cores, beside the Windows build.
phase "Testy: asan, souběžně sestavení win64"
linux_log=build/asan/test-output.txt
ctest --preset asan -j $((2 * jobs)) >"$linux_log" 2>&1 &
linux_tests=$!
scripts/configure-preset.sh win64 -DKORVEX_LINUX_BUILD="$PWD/build/asan"
cmake --build --preset win64 -j "$jobs"
finish "$linux_tests" "$linux_log" "Testy: asan"

phase "Testy: win64 (wine), souběžně fuzzery a balíček Debian"
export WINEPREFIX=$PWD/build/win64/wineprefix WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
# Wine links COM ports to the machine's /dev/ttyS* whenever it starts: the
# wine server and the tests see /dev/null there, in mount namespaces of their
# own, so no test reaches a real serial line, even through a fallback to COM1.
hidden_ports() {
  unshare -m bash -c 'for port in /dev/ttyS*; do
      [ ! -e "$port" ] || mount --bind /dev/null "$port" || exit 1
    done
    exec "$@"' hidden-ports "$@"
}
# One wine server for the whole run instead of one per program. It must not
# hold this script's output open, or a pipe reading it would never end.
hidden_ports /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 &
# The prefix is made once, before tests start side by side, on the display
# the tests use: its desktop process stays for the run, and on another
# display the windows of the tests would not show. Without a window manager
# on the display, wine waits two seconds for every window it hides unless
# its windows are left unmanaged.
wine_log=build/win64/test-output.txt
hidden_ports xvfb-run -a bash -c '
  /usr/lib/wine/wine64 wineboot --init </dev/null >/dev/null 2>&1
  /usr/lib/wine/wine64 reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f \
    </dev/null >/dev/null 2>&1
  ctest --preset win64 -j "$1"' run-tests "$jobs" >"$wine_log" 2>&1 &
wine_tests=$!
scripts/fuzz-smoke.sh 5
# The wine tests' report comes whatever the package's test says.
phase "Prosté sestavení release (bez presetu), benchmarky a balíček Debian, souběžně testy win64"
package_status=0
scripts/package-test.sh || package_status=$?
finish "$wine_tests" "$wine_log" "Testy: win64"
phase "Hotovo"
exit "$package_status"
