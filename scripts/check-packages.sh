#!/usr/bin/env bash
# Makes the Debian packages of BUILD_DIR with CPack and checks them without installing them into
# this machine: lintian reports no error (warnings are shown), every file lies in a usual place,
# the manual page renders and lists every command, and the packages unpacked with `dpkg-deb -x`
# into a scratch directory work there: the tool runs on the unpacked library (no run path), its
# bash completion completes, and a make-based host builds with pkg-config and runs.
set -euo pipefail
build_dir=$(realpath "${1:-build/default}")
cd "$(dirname "$0")/.."
src=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-packages: $*" >&2; exit 1; }

# ---- make the packages --------------------------------------------------------------------------
if ! (cd "$work" && cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/packages") \
      >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack could not make the packages"
fi
debs=("$work"/packages/*.deb)
names=$(for deb in "${debs[@]}"; do dpkg-deb -f "$deb" Package; done | sort | tr '\n' ' ')
[ "$names" = "libzorbase-dev libzorbase0 zorbase-tools " ] || fail "unexpected packages: $names"
version=$(dpkg-deb -f "${debs[0]}" Version)

# ---- what the packages say and hold -------------------------------------------------------------
lintian_status=0
lintian --fail-on error "${debs[@]}" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v "running with root privileges" "$work/lintian.log" | sed 's/^/check-packages: lintian: /' || true
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors"

for deb in "${debs[@]}"; do
  package=$(dpkg-deb -f "$deb" Package)
  # Only the usual places: the library directory (multiarch or not), headers, the tool, its
  # page and completion, the package's own documentation folder.
  stray=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | grep -Ev \
    "^\./usr/(lib/([a-z0-9_]+-linux-gnu/)?(lib[a-z]+\.so[.0-9]*|cmake/ZorBase/[A-Za-z-]+\.cmake|pkgconfig/zorbase\.pc)|include/zorbase/.*\.h|bin/zorbase|share/man/man1/zorbase\.1\.gz|share/bash-completion/completions/zorbase|share/doc/$package/.*)$" ||
    true)
  [ -z "$stray" ] || fail "$package holds files outside the usual places: $stray"
done
runtime_depends=$(dpkg-deb -f "$work"/packages/libzorbase0_*.deb Depends)
case $runtime_depends in *liblog4cxx*libsqlite3*) ;; *) fail "libzorbase0 depends on: $runtime_depends" ;; esac
for package in libzorbase-dev zorbase-tools; do
  dpkg-deb -f "$work"/packages/${package}_*.deb Depends | grep -qF "libzorbase0 (= $version)" ||
    fail "$package does not depend on libzorbase0 (= $version)"
done

# ---- unpacked into a scratch directory ----------------------------------------------------------
root=$work/root
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done
libdir=$(dirname "$(find "$root/usr/lib" -name 'libzorbase.so.0' | head -1)")
mkdir -p "$work/home"
unpacked() { env -i HOME="$work/home" PATH=/usr/bin:/bin LD_LIBRARY_PATH="$libdir" "$@"; }

# The manual page renders and describes every command the tool has.
page=$root/usr/share/man/man1/zorbase.1.gz
MANWIDTH=80 man -l "$page" >"$work/page.txt" 2>"$work/page.err" || fail "man -l cannot render the page"
[ ! -s "$work/page.err" ] || { cat "$work/page.err" >&2; fail "the manual page has warnings"; }
grep -q "^EXIT STATUS" "$work/page.txt" && grep -q "^ENVIRONMENT" "$work/page.txt" ||
  fail "the manual page lacks its sections"
tool=$root/usr/bin/zorbase
commands=$(unpacked "$tool" --help | sed -n '/^commands:/,/^$/p' | awk 'NF {print $1}' | sed 1d)
[ -n "$commands" ] || fail "the unpacked zorbase lists no commands"
for command in $commands; do
  zcat "$page" | grep -qx ".SS $command" || fail "the manual page does not describe '$command'"
done

# The tool runs on the unpacked library, which it finds through the loader's path alone.
! readelf -d "$tool" | grep -qE 'RPATH|RUNPATH' || fail "the packaged zorbase carries a run path"
unpacked ldd "$tool" | grep -q "$libdir/libzorbase.so.0" || fail "zorbase does not load the unpacked library"
unpacked "$tool" reg add 'HKCU\Software\PackageCheck' /v Answer /t REG_DWORD /d 42 /f >/dev/null
unpacked "$tool" reg query 'HKCU\Software\PackageCheck' /v Answer | grep -q 0x2a ||
  fail "the unpacked zorbase cannot use the registry"
unpacked "$tool" version "$libdir/libzorbase.so.0" | grep -q "ZorBase" ||
  fail "the packaged library lost its version resource"

# The bash completion completes commands and sub-commands.
completion=$root/usr/share/bash-completion/completions/zorbase
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _zorbase; echo "${COMPREPLY[*]}"' \
    - "$completion" "$@"
}
[ "$(complete_words zorbase re)" = "reg res" ] || fail "completion of 'zorbase re': $(complete_words zorbase re)"
[ "$(complete_words zorbase tag "")" = "convert dump verify" ] ||
  fail "completion of 'zorbase tag ': $(complete_words zorbase tag "")"

# A make-based host built with pkg-config against the unpacked development files.
cp -r "$src/examples/pkgconfig_host" "$work/host"
export PKG_CONFIG_PATH=$libdir/pkgconfig
[ "$(realpath "$(pkg-config --variable=includedir zorbase)")" = "$(realpath "$root/usr/include")" ] ||
  fail "pkg-config does not point into the unpacked copy: $(pkg-config --cflags zorbase)"
make -s -C "$work/host" >"$work/make.log" 2>&1 || { cat "$work/make.log" >&2; fail "the pkg-config host does not build"; }
unpacked "$work/host/pkgconfig_host" || fail "the pkg-config host fails"
echo "check-packages: ok ($names$version)"
