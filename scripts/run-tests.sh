#!/usr/bin/env bash
# Builds and runs every test: the default preset, then AddressSanitizer + UBSan, checks that an
# installed copy is usable from a separate CMake project, makes and checks the Debian packages
# from the default build (unpacked into a scratch directory, never installed). With
# ZORBASE_WINDOWS=1 it also builds the Windows preset and runs its tests under wine; that build does
# not compile whole yet (docs/windows-build.md), so it is not part of the default run.
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

# The Windows build: the cross-built dependencies (cached under WORK/PREFIX, default
# ~/.cache/zorbase-windows; the first run installs the toolchain and wine with apt, so it needs
# root), then the windows preset and its tests under wine.
run_windows() {
  echo "== windows"
  # The dependency script beside the checkout (../shared/windows/), or where ZORBASE_WINDOWS_DEPS says.
  local deps=${ZORBASE_WINDOWS_DEPS:-../shared/windows/build-deps.sh}
  [ -x "$deps" ] || deps=/work/shared/windows/build-deps.sh
  local work=${WORK:-${XDG_CACHE_HOME:-$HOME/.cache}/zorbase-windows}
  local prefix=${PREFIX:-$work/prefix}
  if [ ! -f "$work/mingw64-toolchain.cmake" ] || [ ! -f "$prefix/lib/liblog4cxx.a" ]; then
    WORK=$work PREFIX=$prefix "$deps"
  fi
  export ZORBASE_WINDOWS_PREFIX=$prefix
  cmake --preset windows -DCMAKE_TOOLCHAIN_FILE="$work/mingw64-toolchain.cmake" >/dev/null
  cmake --build --preset windows -j "$jobs"
  ctest --preset windows -j "$jobs"
}

echo "== installed package"
scripts/check-install.sh build/default

echo "== Debian packages"
scripts/check-packages.sh build/default

if [ "${ZORBASE_WINDOWS:-0}" = 1 ]; then
  run_windows
fi
