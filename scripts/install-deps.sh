#!/usr/bin/env bash
# Installs the Debian packages ZorBase builds, tests and benchmarks with. Safe to run again:
# packages already present are left alone and nothing is downloaded for them.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev
  liblog4cxx-dev libboost-dev
  libunittest++-dev libsqlite3-dev libchm-dev
  libbenchmark-dev zlib1g-dev libssl-dev libinih-dev
  binutils-mingw-w64-x86-64 gcc-mingw-w64-x86-64
  attr xvfb xauth locales
  xclip xsel wl-clipboard xdg-utils fp-utils
  dpkg-dev file lintian man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
else
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Locales whose rules differ from ASCII's (a decimal comma; Turkish dotted and dotless i), so the
# tests can show that formatting and case folding never follow the process locale.
for wanted in de_DE tr_TR; do
  if ! locale -a 2>/dev/null | grep -qi "^${wanted}\.utf-\?8$"; then
    "${sudo_cmd[@]}" localedef -i "$wanted" -f UTF-8 "$wanted.UTF-8"
  fi
done
