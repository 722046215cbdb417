#!/usr/bin/env python3
"""`make install` as users run it: into a prefix (`PREFIX=...`) and staged under DESTDIR for a
prefix of /usr, as packagers do. The programs, manual pages, editor files and licence land where
PATH, MANPATH, Vim and Neovim look; the installed poliz finds its plugin at ../lib/poliz/ under any
prefix and compiles a hot loop, and without the plugin runs it on the fast backend and says why.

Usage: install_test.py CMAKE BUILD_DIR [--native]   (--native: the plugin is built)
"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "package"))
import packages  # noqa: E402

INSTALLED = ["bin/poliz", "bin/poliz-show", "share/man/man1/poliz.1.gz", "share/man/man1/poliz-show.1.gz",
             "share/vim/vimfiles/syntax/ppp.vim", "share/vim/vimfiles/ftdetect/ppp.vim",
             "share/nvim/site/ftdetect/ppp.vim", "share/nvim/site/ftplugin/ppp.lua", "share/doc/poliz/copyright"]


def main():
    cmake, build = sys.argv[1:3]
    native = "--native" in sys.argv[3:]
    installed = INSTALLED + (["lib/poliz/libpoliz_native.so"] if native else [])
    if os.path.exists(os.path.join(build, "poliz-lsp")):
        installed += ["bin/poliz-lsp", "share/man/man1/poliz-lsp.1.gz"]
    checks = packages.Checks()
    with tempfile.TemporaryDirectory() as scratch:
        scratch = os.path.realpath(scratch)
        prefix = os.path.join(scratch, "prefix")
        stage = os.path.join(scratch, "stage")
        subprocess.run([cmake, "--install", build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
        subprocess.run([cmake, "--install", build, "--prefix", "/usr"], check=True, stdout=subprocess.DEVNULL,
                       env=dict(os.environ, DESTDIR=stage))
        for where, root in (("the prefix", prefix), ("DESTDIR", os.path.join(stage, "usr"))):
            missing = [f for f in installed if not os.path.isfile(os.path.join(root, f))]
            checks.check(f"{where}: every file installed", not missing, missing)
            r = subprocess.run([os.path.join(root, "bin/poliz-lsp"), "--version"], capture_output=True, text=True) \
                if "bin/poliz-lsp" in installed else None
            checks.check(f"{where}: the installed poliz-lsp runs", r is None or r.stdout.startswith("poliz-lsp "))
            packages.check_native_tier(checks, where, os.path.join(root, "bin"),
                                       "installed" if native else "not built", scratch)
        if native:
            os.remove(os.path.join(stage, "usr/lib/poliz/libpoliz_native.so"))
            packages.check_native_tier(checks, "DESTDIR without the plugin", os.path.join(stage, "usr/bin"), "missing",
                                       scratch)
    return checks.finish("installed into a prefix and under DESTDIR, and ran from both")


if __name__ == "__main__":
    sys.exit(main())
