#!/usr/bin/env bash
# Checks the Vim syntax and filetype files in editors/vim with vim/syntax_test.vim.
# Exits 77, which CTest is told means "skipped", on a machine without Vim.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

if ! command -v vim >/dev/null 2>&1; then
    echo "SKIP: Vim not found; Vim syntax tests skipped"
    exit 77
fi

result="$(mktemp)"
trap 'rm -f "$result"' EXIT
status=0
# No user vimrc or plugins: only our runtime directory in front of Vim's own.
vim -N -u NONE -i NONE -n -Es \
    --cmd "set rtp^=$here/../../editors/vim" \
    --cmd "let g:result_file = '$result'" \
    -c 'filetype plugin on' -c 'syntax on' \
    -S "$here/vim/syntax_test.vim" </dev/null || status=$?
if [ "$status" -ne 0 ]; then
    cat "$result"
    echo "FAIL: Vim syntax test"
    exit 1
fi
echo "PASS: Vim syntax test"
