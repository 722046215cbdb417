#!/usr/bin/env bash
# Installs the playground's npm packages, pinned in this folder's package-lock.json, into DEST, a
# folder of the build tree (build.sh uses BUILD/playground-npm): this folder never gets a
# node_modules. Usage: install.sh [--optional] DEST
# With --optional, a machine without Node.js or without the registry is no error: the reason goes
# to DEST/unavailable.txt, which the browser tests read to skip with a note.
set -euo pipefail
optional=0
if [ "${1:-}" = --optional ]; then
    optional=1
    shift
fi
[ $# -eq 1 ] || { echo "Usage: install.sh [--optional] DEST" >&2; exit 2; }
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
dest="$1"
mkdir -p "$dest"

unavailable() {
    echo "$1" >"$dest/unavailable.txt"
    if [ $optional = 1 ]; then
        echo "Playground packages not installed ($1)"
        exit 0
    fi
    echo "Playground packages not installed: $1" >&2
    exit 1
}

# Installed from this very lock file already: nothing to do, and nothing to print.
if [ -f "$dest/node_modules/.package-lock.json" ] && cmp -s "$here/package-lock.json" "$dest/package-lock.json"; then
    rm -f "$dest/unavailable.txt"
    exit 0
fi
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    unavailable "Node.js not found; install it with 'apt-get install nodejs npm'"
fi

echo "Installing the playground's packages (npm ci) into $dest"
rm -rf "$dest/node_modules"
cp "$here/package.json" "$here/package-lock.json" "$dest/"
# Cached packages first, and few short retries, so that a machine without the registry gives up
# within seconds rather than after npm's minutes of retrying.
if ! (cd "$dest" && timeout 600 npm ci --prefer-offline --no-audit --no-fund --fetch-retries=1 \
    --fetch-retry-mintimeout=1000 --fetch-retry-maxtimeout=5000 --fetch-timeout=60000) >"$dest/npm.log" 2>&1; then
    rm -rf "$dest/node_modules"
    unavailable "npm could not fetch them, offline? $dest/npm.log says why"
fi
rm -f "$dest/unavailable.txt"
