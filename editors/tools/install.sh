#!/usr/bin/env bash
# Installs the editor tools pinned in this folder's package-lock.json into DEST, a folder of the
# build tree. Usage: install.sh [--optional] DEST
# No install scripts: packaging and testing need no compiled add-ons, and esbuild finds its
# program in the package for this platform without one.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
opts=(--ignore-scripts)
[ "${1:-}" = --optional ] && { opts+=(--optional); shift; }
exec bash "$here/../../tools/npm/install-pinned.sh" "${opts[@]}" "editor tools" "$here" "$@"
