#!/usr/bin/env python3
"""The Debian packages that `make package` makes, as a lab installs them: `poliz` (the programs,
their manual pages, the Vim and Neovim files; no LLVM) and `poliz-native` (the plugin, with LLVM),
what each holds and declares, and, unpacked into a scratch root, the installed programs: a hot
loop compiled with both packages, the same output on the fast backend with `poliz` alone.

Usage: package_test.py CPACK BUILD_DIR SOURCE_DIR [--native]   (--native: the plugin is built)
Skips (77) without dpkg-deb.
"""
import os
import re
import subprocess
import sys
import tempfile

import packages

POLIZ_FILES = ["usr/bin/poliz", "usr/bin/poliz-show", "usr/share/man/man1/poliz.1.gz",
               "usr/share/man/man1/poliz-show.1.gz", "usr/share/doc/poliz/copyright",
               "usr/share/doc/poliz/changelog.Debian.gz"]
EDITOR_FILES = ["ftdetect/ppp.vim", "syntax/ppp.vim", "ftplugin/ppp.vim", "compiler/poliz.vim"]
NVIM_FILES = EDITOR_FILES + ["ftplugin/ppp.lua", "lua/poliz/lsp.lua"]
NATIVE_FILES = ["usr/lib/poliz/libpoliz_native.so", "usr/share/doc/poliz-native/copyright",
                "usr/share/doc/poliz-native/changelog.Debian.gz"]


def contents(deb):
    listing = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True, check=True).stdout
    return {line.split()[5][2:].rstrip("/") for line in listing.splitlines()}


def field(deb, name):
    return subprocess.run(["dpkg-deb", "-f", deb, name], capture_output=True, text=True, check=True).stdout.strip()


def check_files(checks, debs, lsp_built, native_built):
    poliz_files = set(POLIZ_FILES)
    poliz_files |= {"usr/share/vim/vimfiles/" + f for f in EDITOR_FILES}
    poliz_files |= {"usr/share/nvim/site/" + f for f in NVIM_FILES}
    if lsp_built:
        poliz_files |= {"usr/bin/poliz-lsp", "usr/share/man/man1/poliz-lsp.1.gz"}
    held = contents(debs["poliz"])
    checks.check("poliz holds the programs, manual pages, editor files and documents",
                 poliz_files <= held, sorted(poliz_files - held))
    checks.check("poliz holds no plugin", not any("libpoliz_native" in f for f in held))
    if native_built:
        native = contents(debs["poliz-native"])
        checks.check("poliz-native holds the plugin and its documents", set(NATIVE_FILES) <= native,
                     sorted(set(NATIVE_FILES) - native))
        held |= native
    outside = sorted(f for f in held if f and not f.startswith("usr"))
    checks.check("nothing is installed outside /usr", not outside, outside)


def check_control(checks, debs, source, native_built):
    with open(os.path.join(source, "cmake", "debian", "changelog")) as f:
        latest = re.match(r"poliz \(([^)]+)\)", f.readline()).group(1)
    for name, deb in debs.items():
        checks.check(f"{name}: named so", field(deb, "Package") == name, field(deb, "Package"))
        checks.check(f"{name}: the changelog's latest version", field(deb, "Version") == latest,
                     f"{field(deb, 'Version')} against {latest}")
        checks.check(f"{name}: a description in one piece", not re.search(r"^ *;", field(deb, "Description"), re.M))
    depends = field(debs["poliz"], "Depends")
    checks.check("poliz depends on the C library and not on LLVM", "libc6" in depends and "llvm" not in depends.lower(),
                 depends)
    if native_built:
        checks.check("poliz recommends poliz-native", field(debs["poliz"], "Recommends") == "poliz-native",
                     field(debs["poliz"], "Recommends"))
        depends = field(debs["poliz-native"], "Depends")
        checks.check("poliz-native depends on LLVM 14 and on its own poliz",
                     "libllvm14" in depends and f"poliz (= {latest})" in depends, depends)


def gzip_header_problem(path):
    """What in a gzip file's header differs from what gzip -9n writes, or ""."""
    with open(path, "rb") as f:
        header = f.read(10)
    if header[:3] != b"\x1f\x8b\x08":
        return "not gzip"
    if header[3] & 0x08 or header[4:8] != b"\0\0\0\0":
        return "a name or time is kept (not -n)"
    return "" if header[8] == 2 else "not the best compression (-9)"


def check_documents(checks, root, source, native_built):
    man = os.path.join(root, "usr/share/man/man1")
    for page in sorted(os.listdir(man)):
        problem = gzip_header_problem(os.path.join(man, page))
        checks.check(f"{page} compressed with gzip -9n", not problem, problem)
    with open(os.path.join(source, "LICENSE")) as f:
        licence = f.read().split("\n", 3)[3].strip()
    docs = ["poliz", "poliz-native"] if native_built else ["poliz"]
    for doc in docs:
        folder = os.path.join(root, "usr/share/doc", doc)
        with open(os.path.join(folder, "copyright")) as f:
            copyright = f.read()
        checks.check(f"{doc}: a machine-readable copyright file", copyright.startswith(
            "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"), copyright[:100])
        body = copyright.split("License: Expat\n", 1)[-1]
        text = "\n".join("" if line == " ." else line[1:] for line in body.rstrip("\n").split("\n"))
        checks.check(f"{doc}: the copyright file's licence is LICENSE", text == licence, text[:200])
        problem = gzip_header_problem(os.path.join(folder, "changelog.Debian.gz"))
        checks.check(f"{doc}: its changelog compressed with gzip -9n", not problem, problem)


def main():
    cpack, build, source = sys.argv[1:4]
    native_built = "--native" in sys.argv[4:]
    lsp_built = os.path.exists(os.path.join(build, "poliz-lsp"))
    checks = packages.Checks()
    with tempfile.TemporaryDirectory() as scratch:
        debs = packages.make_packages(cpack, build, os.path.join(scratch, "debs"))
        wanted = {"poliz", "poliz-native"} if native_built else {"poliz"}
        if not checks.check("the packages made", set(debs) == wanted, sorted(debs)):
            return checks.finish("")
        check_files(checks, debs, lsp_built, native_built)
        check_control(checks, debs, source, native_built)

        full = os.path.realpath(os.path.join(scratch, "full"))
        packages.unpack(full, *debs.values())
        check_documents(checks, full, source, native_built)
        if lsp_built:
            r = subprocess.run([os.path.join(full, "usr/bin/poliz-lsp"), "--version"], capture_output=True, text=True)
            checks.check("the installed poliz-lsp runs", r.stdout.startswith("poliz-lsp "), repr(r))
        if native_built:
            packages.check_native_tier(checks, "both packages", os.path.join(full, "usr/bin"), "installed", scratch)
        bare = os.path.realpath(os.path.join(scratch, "bare"))
        packages.unpack(bare, debs["poliz"])
        packages.check_native_tier(checks, "poliz alone", os.path.join(bare, "usr/bin"),
                                   "missing" if native_built else "not built", scratch)
    return checks.finish(f"{', '.join(sorted(debs))}: their files, fields and documents, and the programs "
                         "run from them unpacked")


if __name__ == "__main__":
    sys.exit(main())
