#!/usr/bin/env bash
# Builds and runs every test: the default preset, then AddressSanitizer + UBSan, checks that an
# installed copy is usable from a separate CMake project, and makes and checks the Debian packages
# from the default build (unpacked into a scratch directory, never installed).
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

echo "== Debian packages"
scripts/check-packages.sh build/default
