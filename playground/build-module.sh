#!/usr/bin/env bash
# Builds the playground's WebAssembly module with Emscripten: BUILD/playground-wasm/web/poliz.js
# and poliz.wasm (default BUILD: build/). Used by build.sh, and by the tests that load the module
# into Node.js without building the page.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(mkdir -p "${1:-$root/build}" && cd "${1:-$root/build}" && pwd)
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

for tool in emcc emcmake node cmake; do
    command -v "$tool" >/dev/null || {
        echo "$tool is missing: install it with 'apt-get install emscripten nodejs cmake'" >&2
        exit 1
    }
done
# The module's replies are made with nlohmann's JSON library, as the language server's messages are.
[ -e /usr/include/nlohmann/json.hpp ] || [ -e /usr/local/include/nlohmann/json.hpp ] || {
    echo "nlohmann's JSON library is missing: install it with 'apt-get install nlohmann-json3-dev'" >&2
    exit 1
}

# Debian's Emscripten runs its JavaScript optimiser with the machine's Node.js, which does not
# look in Debian's module folder by itself.
export NODE_PATH=/usr/share/nodejs
emcmake cmake -S "$root" -B "$build/playground-wasm" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build/playground-wasm" --target poliz_wasm -j "$jobs"
