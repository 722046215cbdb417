#!/usr/bin/env bash
# Installs the build into a temporary prefix, as `make install PREFIX=...` does, and checks that
# both programs and both manual pages land where a user's PATH and MANPATH look, and that the
# installed programs run. Usage: install_test.sh CMAKE BUILD_DIR
set -euo pipefail
cmake="$1" build="$2"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
for f in bin/poliz bin/poliz-show share/man/man1/poliz.1 share/man/man1/poliz-show.1; do
    test -f "$prefix/$f" || { echo "FAIL: $f not installed"; exit 1; }
done
printf 'program { write(6 * 7); }' >"$prefix/p.ppp"
"$prefix/bin/poliz" "$prefix/p.ppp" | grep -qx 42 || { echo "FAIL: installed poliz does not run"; exit 1; }
"$prefix/bin/poliz-show" --help | grep -q '^Usage: poliz-show' || { echo "FAIL: installed poliz-show does not run"; exit 1; }
echo "installed and ran from $prefix"
