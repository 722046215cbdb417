#!/usr/bin/env python3
"""lintian, Debian's package checker, on the packages `make package` makes: no error and no
warning. Informational tags may stay only where INFORMATIONAL names them, with why; any other
fails too, so that the list stays true.

Usage: lintian_test.py CPACK BUILD_DIR. Skips (77) without lintian or dpkg-deb.
"""
import os
import re
import subprocess
import sys
import tempfile

import packages

INFORMATIONAL = {
    # poliz's messages keep the spelling that users' graders compare byte for byte ("expexted",
    # "runned"), and the other words lintian reads ("befor", "ment", "mor") are pieces of longer
    # strings where the linker laid them end to end.
    "spelling-error-in-binary",
    # The manual pages quote those messages as poliz prints them.
    "typo-in-manual-page",
    # CMake's stripping (CPACK_STRIP_FILES) leaves the .comment section, the compiler's name and
    # version, which Debian's own packaging helpers remove; it is never loaded.
    "binary-has-unneeded-section",
    # The programs are built with the compiler's defaults, not with the extra hardening flags of
    # Debian's own package builds (dpkg-buildflags): no -D_FORTIFY_SOURCE, no -z now.
    "hardening-no-fortify-functions",
    "hardening-no-bindnow",
}


def main():
    cpack, build = sys.argv[1:3]
    packages.need("lintian", "lintian")
    with tempfile.TemporaryDirectory() as scratch:
        debs = packages.make_packages(cpack, build, os.path.join(scratch, "debs"))
        report = subprocess.run(["lintian", "--display-info", *debs.values()], capture_output=True, text=True,
                                timeout=600)
    tags = re.findall(r"^([EWI]): (\S+): (\S+)(.*)$", report.stdout, re.M)
    failures = [t for t in tags if t[0] in "EW" or t[2] not in INFORMATIONAL]
    for kind, package, tag, rest in failures:
        print(f"FAIL {kind}: {package}: {tag}{rest}")
    if failures or (report.returncode != 0 and not tags):
        print(report.stdout + report.stderr if not failures else "")
        print(f"FAILED: lintian has {len(failures)} complaints about {', '.join(sorted(debs))}")
        return 1
    kept = sorted({t[2] for t in tags})
    print(f"lintian passes {', '.join(sorted(debs))}" + (f" (informational: {', '.join(kept)})" if kept else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
