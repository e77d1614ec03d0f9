#!/usr/bin/env bash
# Builds and runs every test twice: a normal debug build, then the same under
# AddressSanitizer and UndefinedBehaviorSanitizer; then the Windows build,
# whose tests run under wine (beside the debug build's Linux tools); then
# builds the fuzz targets and runs each for a few seconds, and builds the
# Debian package and, as root, tries it installed (scripts/package-test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

for preset in debug asan; do
  echo "=== Sestavení a testy: $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

echo "=== Sestavení a testy: win64 (wine) ==="
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
export WINEPREFIX=$PWD/build/win64/wineprefix WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
# One wine server for the whole run instead of one per program. It must not
# hold this script's output open, or a pipe reading it would never end.
/usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 &
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
# The prefix is made once, before tests start side by side, on the display
# the tests use: its desktop process stays for the run, and on another
# display the windows of the tests would not show. Without a window manager
# on the display, wine waits two seconds for every window it hides unless
# its windows are left unmanaged.
xvfb-run -a bash -c '
  /usr/lib/wine/wine64 wineboot --init </dev/null >/dev/null 2>&1
  /usr/lib/wine/wine64 reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f \
    </dev/null >/dev/null 2>&1
  ctest --preset win64 -j "$1"' run-tests "$jobs"

echo "=== Fuzzery: sestavení a krátký běh ==="
scripts/fuzz-smoke.sh 5

echo "=== Balíček Debian ==="
scripts/package-test.sh
