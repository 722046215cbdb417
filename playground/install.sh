#!/usr/bin/env bash
# Installs the playground's npm packages, pinned in this folder's package-lock.json, into DEST, a
# folder of the build tree (build.sh uses BUILD/playground-npm). Usage: install.sh [--optional] DEST
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
opts=()
[ "${1:-}" = --optional ] && { opts+=(--optional); shift; }
exec bash "$here/../tools/npm/install-pinned.sh" "${opts[@]}" "playground packages" "$here" "$@"
