#!/usr/bin/env bash
# Builds the playground and runs its browser tests in headless Chromium.
# Usage: run.sh BUILD_DIR POLIZ [SCREENSHOT]. Exits 77, which CTest is told means "skipped",
# on a machine without Emscripten, Chromium or Node.js.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1
poliz=$2
chromium=${CHROMIUM:-/usr/bin/chromium}

skip() {
    echo "SKIP: $1; the playground's browser tests need it ($2)"
    exit 77
}
command -v emcc >/dev/null || skip "emcc not found" "apt-get install emscripten"
[ -x "$chromium" ] || skip "$chromium not found" "apt-get install chromium"
command -v node >/dev/null && command -v npm >/dev/null || skip "Node.js not found" "apt-get install nodejs npm"

bash "$root/playground/build.sh" "$build" >/dev/null
export PLAYGROUND=$build/playground POLIZ=$poliz CHROMIUM=$chromium
export NODE_PATH=$build/playground-npm/node_modules
export SCREENSHOT=${3:-$build/playground-test/step-mode.png}
mkdir -p "$(dirname "$SCREENSHOT")"
exec node --test --test-concurrency=1 "$here/playground.test.cjs"
