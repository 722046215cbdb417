#!/usr/bin/env bash
# Neovim's built-in LSP client against poliz-lsp, headless (nvim_client.lua does the checks).
# Usage: nvim_test.sh POLIZ_LSP. Skips (77) where Neovim is missing.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
command -v nvim >/dev/null || { echo "SKIP: Neovim not found (apt-get install neovim)"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf 'program {\n    int n = 5, i;\n    i = 1;\n    n = 3\n    n = n + i;\n}\n' >"$work/count.ppp"
# No user configuration, and Neovim's state and logs in the scratch folder.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache"
POLIZ_LSP="$1" PPP_FILE="$work/count.ppp" timeout 120 nvim --headless --clean -n -c "luafile $here/nvim_client.lua"
