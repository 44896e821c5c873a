#!/usr/bin/env bash
# Installs the library from BUILD_DIR into a temporary prefix, runs the installed `zorbase` from
# that prefix with an empty environment (no LD_LIBRARY_PATH: it must find its library by its own
# run path), and builds and runs a tiny project against the installed package with
# find_package(ZorBase CONFIG REQUIRED).
set -euo pipefail
build_dir=$(realpath "${1:-build/default}")
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' "$build_dir/CMakeCache.txt")

# The installed tool, as a user who just installed it runs it.
mkdir -p "$work/home"
tool() { env -i HOME="$work/home" PATH=/usr/bin:/bin "$work/prefix/bin/zorbase" "$@"; }
tool --help >/dev/null || { echo "check-install: the installed zorbase does not start" >&2; exit 1; }
tool reg add 'HKCU\Software\InstallCheck' /v Answer /t REG_DWORD /d 42 /f >/dev/null
tool reg query 'HKCU\Software\InstallCheck' /v Answer | grep -q '0x2a' ||
  { echo "check-install: the installed zorbase cannot use the registry" >&2; exit 1; }

# A project that uses the package: any header it includes must come with the install.
if ! cmake -S examples/install_test -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" \
      >"$work/configure.log" 2>&1 || ! cmake --build "$work/build" >"$work/build.log" 2>&1; then
  cat "$work/configure.log" "$work/build.log" 2>/dev/null | grep -E "error|Error" | head -20 >&2
  echo "check-install: a project cannot build against the installed package" >&2
  exit 1
fi
LD_LIBRARY_PATH="$work/prefix/${libdir:-lib}:${LD_LIBRARY_PATH:-}" "$work/build/install_test"
echo "check-install: ok"
