#!/usr/bin/env bash
# Checks the Vim compiler plugin (editors/vim/compiler/poliz.vim) against the output of
# poliz-show --explain, with vim/compiler_test.vim in a headless Vim.
# Usage: vim_compiler.sh POLIZ_SHOW. Exits 77, which CTest is told means "skipped", without Vim.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
show="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"

if ! command -v vim >/dev/null 2>&1; then
    echo "SKIP: Vim not found; Vim compiler test skipped"
    exit 77
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf 'program {\n    int i, n;\n    n = 3\n\n    /* the next statement */\n    i = 1;\n}\n' >"$work/semicolon.ppp"
printf 'program {\n    int a = 1, b = 0;\n\twrite(a / b);\n}\n' >"$work/division.ppp"
printf 'program {\n    write("fine");\n}\n' >"$work/fine.ppp"

status=0
# No user vimrc or plugins: only our runtime directory in front of Vim's own.
(cd "$work" && vim -N -u NONE -i NONE -n -Es \
    --cmd "set rtp^=$here/../../editors/vim" \
    --cmd "let g:poliz_show = '$show'" \
    --cmd "let g:sample_dir = '$work'" \
    --cmd "let g:result_file = '$work/result'" \
    -c 'filetype plugin on' \
    -S "$here/vim/compiler_test.vim" </dev/null >/dev/null) || status=$?
if [ "$status" -ne 0 ]; then
    cat "$work/result" 2>/dev/null || true
    echo "FAIL: Vim compiler test"
    exit 1
fi
echo "PASS: Vim compiler test"
