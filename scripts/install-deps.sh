#!/usr/bin/env bash
# Installs the Debian packages ZorBase builds, tests and benchmarks with. Safe to run again:
# packages already present are left alone and nothing is downloaded for them.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev
  liblog4cxx-dev libboost-dev libboost-filesystem-dev libboost-date-time-dev
  libunittest++-dev libsqlite3-dev libchm-dev
  libbenchmark-dev zlib1g-dev libssl-dev
  attr xvfb
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
