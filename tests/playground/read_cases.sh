#!/usr/bin/env bash
# Builds the playground's WebAssembly module and checks its "read" against the read cases and
# the console poliz, in Node.js (read_cases.test.cjs). Usage: read_cases.sh BUILD_DIR POLIZ.
# Exits 77, which CTest is told means "skipped", on a machine without Emscripten or Node.js.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1

# skip WHAT WHY: the note CTest shows beside the skip.
skip() {
    echo "SKIP: the WebAssembly read cases need $1: $2"
    exit 77
}
command -v emcc >/dev/null || skip "Emscripten" "emcc not found; apt-get install emscripten"
command -v node >/dev/null || skip "Node.js" "node not found; apt-get install nodejs"
[ -e /usr/include/nlohmann/json.hpp ] || [ -e /usr/local/include/nlohmann/json.hpp ] ||
    skip "nlohmann's JSON library" "apt-get install nlohmann-json3-dev"

bash "$root/playground/build-module.sh" "$build" >/dev/null
WASM=$build/playground-wasm/web POLIZ=$2 exec node --test "$here/read_cases.test.cjs"
