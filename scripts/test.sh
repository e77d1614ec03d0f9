#!/usr/bin/env bash
# Builds and runs every test twice: a normal debug build, then the same under
# AddressSanitizer and UndefinedBehaviorSanitizer; then builds the fuzz
# targets and runs each for a few seconds, and builds the Debian package and,
# as root, tries it installed (scripts/package-test.sh).
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

echo "=== Fuzzery: sestavení a krátký běh ==="
scripts/fuzz-smoke.sh 5

echo "=== Balíček Debian ==="
scripts/package-test.sh
