#!/usr/bin/env bash
# The Debian package that `make package` makes: CPack packs the build as installed under /usr;
# the package must hold the programs, their manual pages, the Vim files where Vim looks for
# system-wide ones and the licence, nothing outside /usr, and, unpacked into a scratch root, the
# installed programs must run. Usage: package_test.sh CPACK BUILD_DIR. Skips (77) without dpkg-deb.
set -euo pipefail
cpack="$1" build="$2"
command -v dpkg-deb >/dev/null || { echo "SKIP: dpkg-deb not found (apt-get install dpkg)"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack did not make the package"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "no single .deb in $(ls "$work/out")"
deb="${debs[0]}"

files="$(dpkg-deb -c "$deb" | awk '{print $6}')"
wanted=(usr/bin/poliz usr/bin/poliz-show usr/share/man/man1/poliz.1 usr/share/man/man1/poliz-show.1
    usr/share/vim/vimfiles/ftdetect/ppp.vim usr/share/vim/vimfiles/syntax/ppp.vim
    usr/share/vim/vimfiles/ftplugin/ppp.vim usr/share/vim/vimfiles/compiler/poliz.vim
    usr/share/doc/poliz/copyright)
[ -x "$build/poliz-lsp" ] && wanted+=(usr/bin/poliz-lsp usr/share/man/man1/poliz-lsp.1)
for f in "${wanted[@]}"; do
    grep -qx "\./$f" <<<"$files" || fail "$f is not in the package"
done
outside="$(grep -v -e '^\./$' -e '^\./usr/' <<<"$files" || true)"
[ -z "$outside" ] || fail "the package installs outside /usr: $outside"
[ "$(dpkg-deb -f "$deb" Package)" = poliz ] || fail "package name $(dpkg-deb -f "$deb" Package)"
dpkg-deb -f "$deb" Depends | grep -q libc6 || fail "no dependency on the C library: $(dpkg-deb -f "$deb" Depends)"
! dpkg-deb -f "$deb" Description | grep -q '^ *;' || fail "the description's lines begin with ';' (a CMake list)"

root="$work/root"
dpkg-deb -x "$deb" "$root"
cmp -s "$root/usr/share/doc/poliz/copyright" "$(dirname "$0")/../LICENSE" || fail "the copyright file is not the licence"
printf 'program { int a = 6; write(a * 7); }' >"$work/p.ppp"
"$root/usr/bin/poliz" "$work/p.ppp" | grep -qx 42 || fail "the installed poliz does not run a program"
"$root/usr/bin/poliz-show" "$work/p.ppp" | grep -q 'operator  write' || fail "the installed poliz-show does not list"
if [ -x "$root/usr/bin/poliz-lsp" ]; then
    "$root/usr/bin/poliz-lsp" --version | grep -q '^poliz-lsp ' || fail "the installed poliz-lsp does not run"
fi
echo "$(basename "$deb"): $(wc -l <<<"$files") entries, unpacked into a scratch root, and the programs run"
