#!/usr/bin/env bash
# Installs the library from BUILD_DIR into a temporary prefix and builds and runs a tiny project
# against it with find_package(ZorBase CONFIG REQUIRED).
set -euo pipefail
build_dir=${1:-build/default}
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
cmake -S examples/install_test -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
LD_LIBRARY_PATH="$work/prefix/lib:${LD_LIBRARY_PATH:-}" "$work/build/install_test"
