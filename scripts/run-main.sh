#!/usr/bin/env bash
# Builds the library, the `zorbase` tool and the example host, and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
bin=build/default
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== zorbase --help"
"$bin/zorbase" --help
echo "== zorbase path"
"$bin/zorbase" path 'C:\Documents\Report.final.txt'
"$bin/zorbase" path '\\server\share\folder' --dir
echo "== zorbase selftest"
"$bin/zorbase" selftest
for example in "$bin"/example_*; do
  [ -x "$example" ] || continue
  echo "== $(basename "$example")"
  ZORBASE_DRIVE_C="$work" ZORBASE_REGISTRY_DIR="$work/registry" "$example"
done
echo "== zorbase tag dump (the document example_document wrote)"
ZORBASE_DRIVE_C="$work" ZORBASE_REGISTRY_DIR="$work/registry" \
  "$bin/zorbase" tag dump 'C:\Documents\example.zor'
