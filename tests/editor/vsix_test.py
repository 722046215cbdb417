#!/usr/bin/env python3
"""Builds the VS Code extension package as `make vscode-extension` does and checks what it holds.

Usage: vsix_test.py CMAKE BUILD_DIR TOOLS_DIR VSIX EDITORS_DIR

The package (a zip) must hold the manifest, the language settings, the grammar and the licence,
each as a regular file equal to its source in EDITORS_DIR, and the entry point with the language
client bundled in, which starts poliz-lsp; nothing else of ours: no links, no node modules.
Exits 77 (skipped) when Node.js or the npm tools the build installs cannot be had.
"""
import json
import os
import shutil
import stat
import subprocess
import sys
import zipfile

SKIP = 77
EXPECTED = {
    "extension/package.json": "vscode/package.json",
    "extension/language-configuration.json": "vscode/language-configuration.json",
    "extension/syntaxes/ppp.tmLanguage.json": "textmate/ppp.tmLanguage.json",
    "extension/LICENSE.txt": "../LICENSE",
}
BUNDLE = "extension/dist/extension.js"
# What every package carries beside the extension's own files.
PACKAGE_FILES = {"[Content_Types].xml", "extension.vsixmanifest"}


def skip_reason(tools):
    if shutil.which("node") is None:
        return "Node.js not found"
    try:
        with open(os.path.join(tools, "unavailable.txt"), encoding="utf-8") as f:
            return "editor tools not installed (" + f.read().strip() + ")"
    except FileNotFoundError:
        pass
    if not os.path.exists(os.path.join(tools, "node_modules", ".bin", "vsce")):
        return "editor tools not installed (build first)"
    return None


def check_bundle(bundle):
    """The language client is inside the entry point, not required from node_modules at run time;
    only the editor's own module stays outside."""
    failures = []
    for needed in ("vscode-languageclient/lib/node/main.js", "LanguageClient = class", "poliz-lsp", "activate"):
        if needed not in bundle:
            failures.append(f"the bundled entry point lacks {needed!r}")
    for outside in ('require("vscode-languageclient', 'require("vscode-jsonrpc', "require('vscode-languageclient"):
        if outside in bundle:
            failures.append(f"the entry point still loads {outside[9:]} from node_modules")
    if 'require("vscode")' not in bundle:
        failures.append("the entry point does not take the vscode module from the editor")
    return failures


def check_manifest(manifest):
    """The manifest starts the entry point for .ppp files and declares the server to start."""
    failures = []
    if manifest.get("main") != "./dist/extension.js":
        failures.append(f"main is {manifest.get('main')!r}")
    if "onLanguage:ppp" not in manifest.get("activationEvents", []):
        failures.append("not activated by .ppp files")
    if manifest.get("license") != "MIT":
        failures.append(f"license {manifest.get('license')!r}")
    server = manifest["contributes"].get("configuration", {}).get("properties", {}).get("ppp.server.path", {})
    if server.get("default") != "poliz-lsp":
        failures.append(f"the server setting ppp.server.path is {server!r}")
    return failures


def check(vsix, editors):
    failures = []
    with zipfile.ZipFile(vsix) as package:
        names = set(package.namelist())
        wanted = set(EXPECTED) | {BUNDLE} | PACKAGE_FILES
        if names != wanted:
            failures.append(f"entries {sorted(names)}, expected {sorted(wanted)}")
        for info in package.infolist():
            if stat.S_ISLNK(info.external_attr >> 16):
                failures.append(f"{info.filename} is a symbolic link")
        for entry, source in EXPECTED.items():
            if entry not in names:
                continue
            with open(os.path.join(editors, source), "rb") as f:
                want = f.read()
            got = package.read(entry)
            same = json.loads(got) == json.loads(want) if entry.endswith("package.json") else got == want
            if not same:
                failures.append(f"{entry} differs from editors/{source}")
        if BUNDLE in names:
            failures += check_bundle(package.read(BUNDLE).decode("utf-8"))
        if "extension/package.json" in names:
            failures += check_manifest(json.loads(package.read("extension/package.json")))
        manifest = package.read("extension.vsixmanifest").decode("utf-8") if "extension.vsixmanifest" in names else ""
        if 'Id="ppp-language"' not in manifest:
            failures.append("extension.vsixmanifest does not name the extension ppp-language")
    return failures


def main():
    if len(sys.argv) != 6:
        raise SystemExit(__doc__)
    cmake, build, tools, vsix, editors = sys.argv[1:]
    reason = skip_reason(tools)
    if reason:
        print(f"SKIP: {reason}; the extension package is not checked")
        return SKIP
    if os.path.exists(vsix):
        os.remove(vsix)
    made = subprocess.run([cmake, "--build", build, "--target", "vscode-extension"], capture_output=True, text=True)
    if made.returncode != 0 or not os.path.exists(vsix):
        print(made.stdout + made.stderr)
        print(f"FAIL: `cmake --build {build} --target vscode-extension` did not make {vsix}")
        return 1
    failures = check(vsix, editors)
    for failure in failures:
        print(f"FAIL: {failure}")
    print(f"{os.path.basename(vsix)}: {'bad' if failures else 'manifest, settings, grammar and licence as in editors/, client bundled'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
