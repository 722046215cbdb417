#!/usr/bin/env bash
# Runs the TextMate grammar tests (*.test.ppp) against editors/vscode/package.json.
# Exits 77, which CTest is told means "skipped", on a machine without Node.js.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    echo "SKIP: Node.js not found; grammar tests skipped"
    exit 77
fi

# The test tool is pinned in package-lock.json; install it once, outside git.
if [ ! -d node_modules ]; then
    npm ci --no-audit --no-fund
fi

# The manifest names the grammar, so this also checks that the extension finds it.
exec node_modules/.bin/vscode-tmgrammar-test --config ../../editors/vscode/package.json '*.test.ppp'
