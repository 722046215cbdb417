#!/usr/bin/env bash
# Neovim as the distribution ships it, with nothing on its runtime path but its own files and the
# Neovim files of the poliz package, unpacked into a scratch root: nvim_checks.lua opens .ppp files
# there and checks what the plugin gives. Usage: nvim_test.sh CPACK BUILD_DIR. Skips (77) where
# Neovim or dpkg-deb is missing.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
command -v nvim >/dev/null || { echo "SKIP: Neovim not found (apt-get install neovim)"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
python3 "$here/../package/packages.py" "$1" "$2" "$work/root" poliz || status=$?
[ "$status" = 0 ] || exit "$status"
site="$work/root/usr/share/nvim/site"
mkdir -p "$work/programs/sub"
printf 'program {\n    int n = 5, i;\n    i = 1;\n    n = 3\n    n = n + i;\n}\n' >"$work/programs/count.ppp"
printf 'program { write(1); }\n' | tee "$work/programs/other.ppp" >"$work/programs/sub/third.ppp"
# No user configuration, Neovim's state and logs in the scratch folder, and the installed
# poliz-lsp on the PATH, as the package puts it.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache"
PATH="$work/root/usr/bin:$PATH" PPP_FOLDER="$work/programs" timeout 120 \
    nvim --headless --clean -n --cmd "set runtimepath=$site,\$VIMRUNTIME,$site/after" -c "luafile $here/nvim_checks.lua"
