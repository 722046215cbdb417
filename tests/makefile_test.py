#!/usr/bin/env python3
"""The Makefile's own recipes, each group run on a scratch copy so that nothing in the source tree
or its build/ changes:

bench    `make bench` on a machine without Lua 5.4 and LuaJIT, as root, with apt-get at hand:
         apt-get is never run, the missing programs are named with what to install, and the
         rest is measured;
format   `make format-check` lists exactly the C++ files of src/, tests/, fuzz/, bench/ and
         tools/ that differ from .clang-format and fails, leaving every file as it was;
         `make format` rewrites those and nothing in build trees or node_modules; the check
         then passes.

Usage: makefile_test.py bench SOURCE_DIR POLIZ POLIZ_REFERENCE
       makefile_test.py format SOURCE_DIR
Exits 77 (skipped) where make, or clang-format for the format group, is missing.
"""
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77

failures = []
passed = 0


def expect(name, ok, detail=""):
    global passed
    if ok:
        passed += 1
    else:
        failures.append(name)
        print(f"FAIL {name}" + (f"\n{detail}" if detail else ""))


def make(folder, args, env=None):
    done = subprocess.run(["make", "-s", "-C", folder, *args], env=env, capture_output=True, text=True, timeout=300)
    return done.returncode, done.stdout + done.stderr


def tool_folder(tmp, links, stubs):
    """A folder for PATH holding links to the named programs and the given shell scripts."""
    folder = os.path.join(tmp, "bin")
    os.mkdir(folder)
    for name, target in links.items():
        if target:
            os.symlink(target, os.path.join(folder, name))
    for name, body in stubs.items():
        path = os.path.join(folder, name)
        with open(path, "w") as f:
            f.write("#!/bin/sh\n" + body + "\n")
        os.chmod(path, 0o755)
    return folder


def bench_group(source, poliz, reference, tmp):
    # The runner and the programs, beside a copy of the Makefile: run.py works under its own root.
    root = os.path.join(tmp, "tree")
    os.mkdir(root)
    shutil.copy(os.path.join(source, "Makefile"), root)
    shutil.copytree(os.path.join(source, "bench"), os.path.join(root, "bench"),
                    ignore=shutil.ignore_patterns("__pycache__", "micro", "reference"))
    calls = os.path.join(tmp, "apt-get.calls")
    # Builds are not what is tested: cmake does nothing, and the runner is given built programs
    # (and no C compiler, which is only one more column).
    # apt-get notes that it was called; id says root, as in CI, where installing was once tried.
    path = tool_folder(tmp, {
        "make": shutil.which("make"), "sh": shutil.which("sh"), "c++": shutil.which("c++"),
        "python3": os.path.realpath(sys.executable),
    }, {
        "cmake": "exit 0",
        "apt-get": f'echo "$*" >>"{calls}"; exit 1',
        "id": "echo 0",
    })
    env = dict(os.environ, PATH=path, CMAKE_FLAGS="")
    args = ["bench", "BUILD_DIR=" + os.path.join(tmp, "build"),
            f"BENCH_ARGS=--poliz {poliz} --reference {reference} --only intloop --scale 0.001 --runs 1 "
            "--no-python --no-memory --no-translation --mem-limit 0"]
    status, output = make(root, args, env)
    expect("make bench goes on without Lua and LuaJIT", status == 0, output)
    expect("apt-get is never run", not os.path.exists(calls), output)
    for tool in ("lua5.4", "luajit"):
        expect(f"{tool} is named with what to install", f"install it with 'apt-get install {tool}'" in output, output)
    expect("the rest is measured", any(line.startswith("intloop ") for line in output.splitlines()), output)


# Scratch files: name -> (text, whether make format-check must list it). Files under node_modules
# and build trees, and C files, are never ours to lay out.
UNFORMATTED = "int  f( ){return 1;}\nint g( ) {  return 2;}\n"
FORMATTED = "int f() { return 1; }\nint g() { return 2; }\n"
FORMAT_CASES = {
    "src/parser/Bad.cpp": (UNFORMATTED, True),
    "fuzz/Bad.h": (UNFORMATTED, True),
    "tools/lint/Bad.cc": (UNFORMATTED, True),
    "tests/unit/Bad.hpp": (UNFORMATTED, True),
    "bench/micro/Good.cpp": (FORMATTED, False),
    "tests/Good.h": (FORMATTED, False),
    "src/node_modules/pkg/Other.cpp": (UNFORMATTED, False),
    "tests/build-mutants/Other.cpp": (UNFORMATTED, False),
    "build/Other.cpp": (UNFORMATTED, False),
    "bench/programs/other.c": (UNFORMATTED, False),
    "examples/Other.cpp": (UNFORMATTED, False),
}


def read(path):
    with open(path) as f:
        return f.read()


def format_group(source, tmp):
    if shutil.which("clang-format") is None:
        print("SKIP: clang-format not found; apt-get install clang-format")
        return SKIP
    root = os.path.join(tmp, "tree")
    os.mkdir(root)
    for name in ("Makefile", ".clang-format"):
        shutil.copy(os.path.join(source, name), root)
    for name, (text, _) in FORMAT_CASES.items():
        os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
        with open(os.path.join(root, name), "w") as f:
            f.write(text)

    status, output = make(root, ["format-check"])
    listed = {line.strip() for line in output.splitlines() if line.startswith("  ")}
    expect("format-check fails when files differ", status != 0, output)
    expect("format-check lists exactly the files that differ",
           listed == {name for name, (_, differs) in FORMAT_CASES.items() if differs}, output)
    expect("format-check changes nothing",
           all(read(os.path.join(root, name)) == text for name, (text, _) in FORMAT_CASES.items()))

    status, output = make(root, ["format"])
    expect("format succeeds", status == 0, output)
    for name, (text, differs) in FORMAT_CASES.items():
        want = FORMATTED if differs else text
        expect(f"after format, {name} is {'laid out' if differs else 'untouched'}",
               read(os.path.join(root, name)) == want, read(os.path.join(root, name)))

    status, output = make(root, ["format-check"])
    expect("format-check passes on a formatted tree", status == 0, output)


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    group, source = sys.argv[1], os.path.abspath(sys.argv[2])
    if shutil.which("make") is None:
        print("SKIP: make not found; apt-get install make")
        return SKIP
    with tempfile.TemporaryDirectory() as tmp:
        if group == "bench" and len(sys.argv) == 5:
            result = bench_group(source, os.path.abspath(sys.argv[3]), os.path.abspath(sys.argv[4]), tmp)
        elif group == "format":
            result = format_group(source, tmp)
        else:
            raise SystemExit(__doc__)
    if result == SKIP:
        return SKIP
    print(f"{passed} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
