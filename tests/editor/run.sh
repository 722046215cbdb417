#!/usr/bin/env bash
# Runs the TextMate grammar tests (*.test.ppp) against the extension staged in the build tree,
# with vscode-tmgrammar-test from the build's editor tools. Usage: run.sh TOOLS_DIR EXTENSION_DIR
# Exits 77, which CTest is told means "skipped", when Node.js or the tools cannot be had.
set -euo pipefail
[ $# -eq 2 ] || { echo "Usage: run.sh TOOLS_DIR EXTENSION_DIR" >&2; exit 2; }
tools="$1" extension="$2"
cd "$(dirname "${BASH_SOURCE[0]}")"

if ! command -v node >/dev/null 2>&1; then
    echo "SKIP: Node.js not found; grammar tests skipped"
    exit 77
fi
if [ -f "$tools/unavailable.txt" ] || [ ! -x "$tools/node_modules/.bin/vscode-tmgrammar-test" ]; then
    echo "SKIP: editor tools not installed ($(cat "$tools/unavailable.txt" 2>/dev/null || echo 'build first')); grammar tests skipped"
    exit 77
fi

# The manifest names the grammar, so this also checks that the extension finds it.
exec "$tools/node_modules/.bin/vscode-tmgrammar-test" --config "$extension/package.json" '*.test.ppp'
