#!/usr/bin/env bash
# Builds the playground and runs its browser tests in headless Chromium.
# Usage: run.sh BUILD_DIR POLIZ [SCREENSHOTS], the folder for the pictures at each width
# (default BUILD_DIR/playground-test). Exits 77, which CTest is told means "skipped",
# on a machine without Emscripten, Chromium or Node.js, or without the npm registry.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1
poliz=$2
chromium=${CHROMIUM:-/usr/bin/chromium}

# skip WHAT WHY: the note CTest shows beside the skip.
skip() {
    echo "SKIP: the playground's browser tests need $1: $2"
    exit 77
}
command -v emcc >/dev/null || skip "Emscripten" "emcc not found; apt-get install emscripten"
[ -x "$chromium" ] || skip "Chromium" "$chromium not found; apt-get install chromium"
command -v node >/dev/null && command -v npm >/dev/null || skip "Node.js" "node or npm not found; apt-get install nodejs npm"
[ -e /usr/include/nlohmann/json.hpp ] || [ -e /usr/local/include/nlohmann/json.hpp ] ||
    skip "nlohmann's JSON library" "apt-get install nlohmann-json3-dev"
# Without the npm registry (and nothing in npm's cache) the page cannot be built: a skip, as for
# a missing tool, rather than a failure.
npm_dir=$build/playground-npm
bash "$root/playground/install.sh" --optional "$npm_dir" >/dev/null
[ ! -f "$npm_dir/unavailable.txt" ] ||
    skip "their npm packages" "$(cat "$npm_dir/unavailable.txt")"

bash "$root/playground/build.sh" "$build" >/dev/null
export PLAYGROUND=$build/playground POLIZ=$poliz CHROMIUM=$chromium
export NODE_PATH=$npm_dir/node_modules
export SCREENSHOTS=${3:-$build/playground-test}
mkdir -p "$SCREENSHOTS"
exec node --test --test-concurrency=1 "$here/playground.test.cjs" "$here/robust.test.cjs" \
    "$here/controls.test.cjs" "$here/screens.test.cjs"
