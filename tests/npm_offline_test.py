#!/usr/bin/env python3
"""Without Node.js, or without the npm registry, nothing that installs npm packages fails the build
or the tests: the editor tools and the playground's packages are not installed, and every test
that needs them skips with a note saying what is missing; `make vscode-extension` and
`make playground` fail and say why.

Usage: npm_offline_test.py SOURCE_DIR EXTENSION_DIR

The two machines are simulated: a PATH that holds only the commands the scripts need, and a
registry address where nothing listens with an empty package cache. Nothing may appear in the
source tree.
"""
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
# What the install scripts, the test scripts and vsix_test.py run, apart from node and npm.
COMMANDS = ["bash", "cat", "cmp", "cp", "dirname", "mkdir", "rm", "timeout"]

failures = []
checks = 0


def expect(name, ok, detail=""):
    global checks
    checks += 1
    if not ok:
        failures.append(name)
        print(f"FAIL {name}" + (f"\n{detail}" if detail else ""))


def run(args, env):
    done = subprocess.run(args, env=env, capture_output=True, text=True, timeout=300)
    return done.returncode, done.stdout + done.stderr


def path_without_node(tmp):
    folder = os.path.join(tmp, "bin")
    os.mkdir(folder)
    for command in COMMANDS:
        os.symlink(shutil.which(command), os.path.join(folder, command))
    return folder


def check_install(what, env, install, dest, failure_note):
    """install.sh --optional goes on and keeps the reason; without --optional it fails and says why."""
    status, output = run(["bash", install, "--optional", dest], env)
    expect(f"{what}: the build goes on", status == 0, output)
    expect(f"{what}: the reason is kept", os.path.exists(os.path.join(dest, "unavailable.txt")), output)
    expect(f"{what}: no partial install", not os.path.exists(os.path.join(dest, "node_modules")), output)
    status, output = run(["bash", install, dest], env)
    expect(f"{what}: a build that needs them fails and says why", status != 0 and failure_note in output, output)


def expect_skip(what, args, env):
    status, output = run(args, env)
    expect(what, status == SKIP and output.startswith("SKIP: "), f"status {status}\n{output}")
    return output


def check_editor_tools(what, env, source, extension, tools):
    check_install(f"{what}, editor tools", env, os.path.join(source, "editors", "tools", "install.sh"), tools,
                  "Editor tools not installed")
    tests = os.path.join(source, "tests", "editor")
    expect_skip(f"{what}: the grammar test skips with a note", ["bash", os.path.join(tests, "run.sh"), tools, extension], env)
    vsix = os.path.join(tools, "none.vsix")
    expect_skip(f"{what}: the package test skips with a note",
                [sys.executable, os.path.join(tests, "vsix_test.py"), "cmake", tools, tools, vsix, source], env)


def check_playground(what, env, source, build):
    check_install(f"{what}, playground packages", env, os.path.join(source, "playground", "install.sh"),
                  os.path.join(build, "playground-npm"), "Playground packages not installed")
    # A fresh build tree; the poliz it is given is never run, as the test skips before any build.
    fresh = os.path.join(build, "fresh")
    output = expect_skip(f"{what}: the browser test skips with a note",
                         ["bash", os.path.join(source, "tests", "playground", "run.sh"), fresh, "poliz"], env)
    # Where every tool is present, only the packages can be missing, and the note must say so.
    tools = shutil.which("emcc", path=env["PATH"]) and shutil.which("npm", path=env["PATH"])
    if tools and os.access(os.environ.get("CHROMIUM", "/usr/bin/chromium"), os.X_OK):
        expect(f"{what}: the browser test's note names the npm packages", "npm packages" in output, output)


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    source, extension = os.path.abspath(sys.argv[1]), sys.argv[2]
    with tempfile.TemporaryDirectory() as tmp:
        no_node = dict(os.environ, PATH=path_without_node(tmp))
        check_editor_tools("without Node.js", no_node, source, extension, os.path.join(tmp, "tools-no-node"))
        check_playground("without Node.js", no_node, source, os.path.join(tmp, "playground-no-node"))

        offline = dict(os.environ, npm_config_registry="http://127.0.0.1:9/", npm_config_cache=os.path.join(tmp, "cache"))
        for proxy in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "npm_config_proxy", "npm_config_https_proxy"):
            offline.pop(proxy, None)
        check_editor_tools("offline", offline, source, extension, os.path.join(tmp, "tools-offline"))
        check_playground("offline", offline, source, os.path.join(tmp, "playground-offline"))

    for folder in ("editors/tools", "editors/vscode", "tests/editor", "playground", "tests/playground"):
        expect(f"no node_modules in {folder}", not os.path.exists(os.path.join(source, folder, "node_modules")))
    print(f"{checks - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
