#!/usr/bin/env bash
# Builds and runs every test: the default preset, then AddressSanitizer + UBSan, and checks that an
# installed copy is usable from a separate CMake project.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

for preset in default asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

echo "== installed package"
scripts/check-install.sh build/default
