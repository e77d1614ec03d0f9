#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a few seconds, so that
# the documented fuzz commands keep working. Each target starts in a scratch
# folder with a relative corpus path, as a user would run it, and must leave
# nothing behind in /tmp.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# The tests' own scratch folders are named so; a fuzz target must remove its.
leftovers() { ls -d /tmp/korvex-test-* 2>/dev/null | sort || true; }
before=$(leftovers)
for target in build/fuzz/fuzz/*_fuzz; do
  name=$(basename "$target")
  mkdir -p "$scratch/$name/corpus"
  echo "=== $name: ${seconds} s"
  (cd "$scratch/$name" && "$OLDPWD/$target" -max_total_time="$seconds" corpus 2>&1 | tail -1)
done
left=$(comm -13 <(echo "$before") <(leftovers))
if [ -n "$left" ]; then
  echo "Fuzzery zanechaly v /tmp: $left" >&2
  exit 1
fi
