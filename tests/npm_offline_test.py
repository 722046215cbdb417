#!/usr/bin/env python3
"""Without Node.js, or without the npm registry, the editor tools are not installed, the build goes
on and the editor tests skip with a note; `make vscode-extension` fails and says why.

Usage: offline_test.py SOURCE_DIR EXTENSION_DIR

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
# What install.sh, run.sh and vsix_test.py run, apart from node and npm.
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


def check_machine(what, env, source, extension, tools):
    install = os.path.join(source, "editors", "tools", "install.sh")
    tests = os.path.join(source, "tests", "editor")
    status, output = run(["bash", install, "--optional", tools], env)
    expect(f"{what}: the build goes on", status == 0, output)
    expect(f"{what}: the reason is kept", os.path.exists(os.path.join(tools, "unavailable.txt")), output)
    expect(f"{what}: no partial install", not os.path.exists(os.path.join(tools, "node_modules")), output)

    status, output = run(["bash", os.path.join(tests, "run.sh"), tools, extension], env)
    expect(f"{what}: the grammar test skips with a note", status == SKIP and "SKIP: " in output, output)
    vsix = os.path.join(tools, "none.vsix")
    status, output = run([sys.executable, os.path.join(tests, "vsix_test.py"), "cmake", tools, tools, vsix, source], env)
    expect(f"{what}: the package test skips with a note", status == SKIP and "SKIP: " in output, output)

    status, output = run(["bash", install, tools], env)
    expect(f"{what}: packaging fails and says why", status != 0 and "Editor tools not installed" in output, output)


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    source, extension = os.path.abspath(sys.argv[1]), sys.argv[2]
    with tempfile.TemporaryDirectory() as tmp:
        no_node = dict(os.environ, PATH=path_without_node(tmp))
        check_machine("without Node.js", no_node, source, extension, os.path.join(tmp, "tools-no-node"))

        offline = dict(os.environ, npm_config_registry="http://127.0.0.1:9/", npm_config_cache=os.path.join(tmp, "cache"))
        for proxy in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "npm_config_proxy", "npm_config_https_proxy"):
            offline.pop(proxy, None)
        check_machine("offline", offline, source, extension, os.path.join(tmp, "tools-offline"))

    for folder in ("editors/tools", "editors/vscode", "tests/editor"):
        expect(f"no node_modules in {folder}", not os.path.exists(os.path.join(source, folder, "node_modules")))
    print(f"{checks - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
