#!/usr/bin/env bash
# Installs the build into a temporary prefix, as `make install PREFIX=...` does, and checks that
# the programs (the language server too, where it is built) and their manual pages land where a
# user's PATH and MANPATH look, the Vim files where Vim looks for system-wide ones, and that the
# installed programs run. Usage: install_test.sh CMAKE BUILD_DIR
set -euo pipefail
cmake="$1" build="$2"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
installed=(bin/poliz bin/poliz-show share/man/man1/poliz.1 share/man/man1/poliz-show.1
    share/vim/vimfiles/syntax/ppp.vim share/vim/vimfiles/ftdetect/ppp.vim share/doc/poliz/copyright)
[ -x "$build/poliz-lsp" ] && installed+=(bin/poliz-lsp share/man/man1/poliz-lsp.1)
for f in "${installed[@]}"; do
    test -f "$prefix/$f" || { echo "FAIL: $f not installed"; exit 1; }
done
printf 'program { write(6 * 7); }' >"$prefix/p.ppp"
"$prefix/bin/poliz" "$prefix/p.ppp" | grep -qx 42 || { echo "FAIL: installed poliz does not run"; exit 1; }
"$prefix/bin/poliz-show" --help | grep -q '^Usage: poliz-show' || { echo "FAIL: installed poliz-show does not run"; exit 1; }
if [ -x "$build/poliz-lsp" ]; then
    "$prefix/bin/poliz-lsp" --version | grep -q '^poliz-lsp ' || { echo "FAIL: installed poliz-lsp does not run"; exit 1; }
fi
echo "installed and ran from $prefix"
