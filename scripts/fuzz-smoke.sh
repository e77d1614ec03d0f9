#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a few seconds, so that
# the documented fuzz commands keep working. Each target starts in a scratch
# folder with a relative corpus path, as a user would run it, and with a
# temporary folder of its own (TMPDIR), which it must leave empty; other
# programs' files in /tmp are none of its business.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
scripts/configure-preset.sh fuzz
cmake --build --preset fuzz -j "$(nproc)" --target korvex_fuzz_targets

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in build/fuzz/fuzz/*_fuzz; do
  name=$(basename "$target")
  mkdir -p "$scratch/$name/corpus" "$scratch/$name/tmp"
  echo "=== $name: ${seconds} s"
  (cd "$scratch/$name" && TMPDIR=$PWD/tmp "$OLDPWD/$target" -max_total_time="$seconds" corpus 2>&1 | tail -1)
  left=$(ls -A "$scratch/$name/tmp")
  if [ -n "$left" ]; then
    echo "Fuzzer $name zanechal v dočasné složce: $left" >&2
    exit 1
  fi
done
