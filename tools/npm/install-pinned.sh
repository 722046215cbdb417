#!/usr/bin/env bash
# Installs the npm packages pinned in a source folder's package-lock.json into DEST, a folder of
# the build tree, so that no source folder ever gets a node_modules. The editor tools and the
# playground install through it (editors/tools/install.sh, playground/install.sh).
# Usage: install-pinned.sh [--optional] [--ignore-scripts] WHAT SOURCE DEST
# WHAT names the packages in messages. With --optional, a machine without Node.js or without the
# registry is no error: the reason goes to DEST/unavailable.txt, which the tests that need the
# packages read to skip with a note.
set -euo pipefail
optional=0
npm_flags=()
while [ $# -gt 0 ] && [ "${1#--}" != "$1" ]; do
    case "$1" in
        --optional) optional=1 ;;
        --ignore-scripts) npm_flags+=(--ignore-scripts) ;;
        *) echo "install-pinned.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
[ $# -eq 3 ] || { echo "Usage: install-pinned.sh [--optional] [--ignore-scripts] WHAT SOURCE DEST" >&2; exit 2; }
what="$1"
source="$2"
dest="$3"
mkdir -p "$dest"

unavailable() {
    echo "$1" >"$dest/unavailable.txt"
    if [ $optional = 1 ]; then
        echo "${what^} not installed ($1): the tests that need them will be skipped"
        exit 0
    fi
    echo "${what^} not installed: $1" >&2
    exit 1
}

# Installed from this very lock file already: nothing to do, and nothing to print.
if [ -f "$dest/node_modules/.package-lock.json" ] && cmp -s "$source/package-lock.json" "$dest/package-lock.json"; then
    rm -f "$dest/unavailable.txt"
    exit 0
fi
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    unavailable "Node.js not found; install it with 'apt-get install nodejs npm'"
fi

echo "Installing the $what (npm ci) into $dest"
rm -rf "$dest/node_modules"
cp "$source/package.json" "$source/package-lock.json" "$dest/"
# Cached packages first, and few short retries, so that a machine without the registry gives up
# within seconds rather than after npm's minutes of retrying.
if ! (cd "$dest" && timeout 600 npm ci "${npm_flags[@]}" --prefer-offline --no-audit --no-fund --fetch-retries=1 \
    --fetch-retry-mintimeout=1000 --fetch-retry-maxtimeout=5000 --fetch-timeout=60000) >"$dest/npm.log" 2>&1; then
    rm -rf "$dest/node_modules"
    unavailable "npm could not fetch them, offline? $dest/npm.log says why"
fi
rm -f "$dest/unavailable.txt"
