#!/usr/bin/env bash
# Builds the playground into BUILD/playground (default BUILD: build/): the WebAssembly module
# (Emscripten), the page's script (esbuild), the examples and the static files. The npm packages
# are installed from package-lock.json into BUILD/playground-npm (install.sh), never into the
# source tree.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(mkdir -p "${1:-$root/build}" && cd "${1:-$root/build}" && pwd)
out=$build/playground
wasm=$build/playground-wasm
npm_dir=$build/playground-npm
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

for tool in emcc emcmake node npm cmake; do
    command -v "$tool" >/dev/null || {
        echo "$tool is missing: install it with 'apt-get install emscripten nodejs npm cmake'" >&2
        exit 1
    }
done

# The pinned packages first, installed again only when the lock file changes: without the
# registry the build stops here, before minutes of compiling.
bash "$root/playground/install.sh" "$npm_dir"

JOBS=$jobs bash "$root/playground/build-module.sh" "$build"

mkdir -p "$out"
NODE_PATH="$npm_dir/node_modules" "$npm_dir/node_modules/.bin/esbuild" "$root/playground/src/main.js" \
    --bundle --minify --format=iife --target=chrome100 --log-level=warning --outfile="$out/app.js"
cp "$root/playground/index.html" "$root/playground/style.css" "$root/playground/src/worker.js" \
    "$root/playground/src/moduleCalls.js" \
    "$wasm/web/poliz.js" "$wasm/web/poliz.wasm" "$out/"
node "$root/playground/examples.mjs" "$root" "$out/examples.json"
echo "playground built in $out"
