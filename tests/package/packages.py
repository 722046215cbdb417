"""The Debian packages of `make package` made with CPack from a build tree into a scratch folder and
unpacked as installing them would place them, without dpkg's database or root; and the check that
an installed poliz runs a hot loop natively where its plugin is installed, and says why not where
it is not. Used by the package, install, lintian and Neovim tests.

As a program, `packages.py CPACK BUILD ROOT [COMPONENT...]` makes the packages of the components
(all by default) and unpacks them into ROOT, for the shell tests; every user skips (77) where
dpkg-deb is missing.
"""
import os
import shutil
import subprocess
import sys

SKIP = 77
PLUGIN = "libpoliz_native.so"

# A loop that gets hot on any machine: some 300 ms on the fast backend, where compiling costs
# about 20 ms; its output written before, during and after the switch to native code.
HOT = """program {
    int i, n = 30000000, sum = 0; string s = "<", t;
    write("before ");
    for (i = 0; i < n; i = i + 1) {
        sum = sum + i - i / 7 * 7;
        if (i == 100 or i == n - 1) { t = s + "mark"; write(t, i, " ", sum, "
"); } else continue;
    }
    write("after ", i, " ", sum, "
");
}
"""
HOT_OUTPUT = b"before <mark100 297\n<mark29999999 89999995\nafter 30000000 89999995\n"


def need(tool, package):
    """Skips the test, with the package to install, where `tool` is missing."""
    if shutil.which(tool) is None:
        print(f"SKIP: {tool} not found (apt-get install {package})")
        sys.exit(SKIP)


def make_packages(cpack, build, out, components=()):
    """The .deb files CPack makes of the build tree in `out`, by package name."""
    need("dpkg-deb", "dpkg")
    only = ["-D", "CPACK_COMPONENTS_ALL=" + ";".join(components)] if components else []
    made = subprocess.run([cpack, "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out, *only],
                          capture_output=True, text=True)
    if made.returncode != 0:
        sys.exit(f"FAIL: cpack did not make the packages\n{made.stdout}{made.stderr}")
    debs = {}
    for name in sorted(os.listdir(out)):
        if name.endswith(".deb"):
            debs[name.split("_")[0]] = os.path.join(out, name)
    return debs


def unpack(root, *debs):
    for deb in debs:
        subprocess.run(["dpkg-deb", "-x", deb, root], check=True)


class Checks:
    """Named checks that go on after a failure, so that one run reports every fault."""

    def __init__(self):
        self.failures = []

    def check(self, name, condition, detail=""):
        if not condition:
            self.failures.append(name)
            print(f"FAIL {name}: {detail}")
        return condition

    def finish(self, passed):
        print(f"FAILED: {', '.join(self.failures)}" if self.failures else passed)
        return 1 if self.failures else 0


def run_poliz(poliz, program, mode, trace=True):
    env = dict(os.environ, POLIZ_NATIVE=mode, POLIZ_NATIVE_TRACE="1" if trace else "0")
    env.pop("POLIZ_NATIVE_PLUGIN", None)
    return subprocess.run([poliz, program], capture_output=True, env=env, timeout=300)


NOT_BUILT = "native: not built into this program (LLVM 14 was missing where it was built)\n"


def check_native_tier(checks, where, bin_dir, plugin, scratch):
    """The installed poliz in bin_dir on a hot loop, its plugin "installed" (at ../lib/poliz/),
    "missing" or "not built": the trace says compiled, or that it is not installed and where poliz
    looked, or not built; the output is that of the fast backend, and poliz-show --native lists
    code or gives the same reason."""
    poliz, show = os.path.join(bin_dir, "poliz"), os.path.join(bin_dir, "poliz-show")
    program = os.path.join(scratch, "hot.ppp")
    with open(program, "w") as f:
        f.write(HOT)
    fast = run_poliz(poliz, program, "off", trace=False)
    checks.check(f"{where}: the fast backend runs the hot loop", fast.returncode == 0 and HOT_OUTPUT in fast.stdout,
                 repr((fast.returncode, fast.stdout[-300:], fast.stderr)))
    looked = [f"{bin_dir}/../lib/poliz/{PLUGIN}", f"{bin_dir}/{PLUGIN}"]
    found = [p for p in looked if os.path.exists(p)]
    checks.check(f"{where}: the plugin is {plugin}", bool(found) == (plugin == "installed"), repr(found))
    trace = {"installed": "native: compiled\n", "not built": NOT_BUILT,
             "missing": f"native: not installed (looked for {looked[0]} and {looked[1]})\n"}[plugin].encode()
    for mode in ("auto", "always"):
        r = run_poliz(poliz, program, mode)
        checks.check(f"{where}, {mode}: the trace says {trace.decode().strip()!r}", r.stderr == trace, repr(r.stderr))
        checks.check(f"{where}, {mode}: the same output as the fast backend",
                     (r.stdout, r.returncode) == (fast.stdout, fast.returncode), repr((r.stdout[-300:], r.returncode)))
    listing = subprocess.run([show, "--native", program], capture_output=True, text=True, timeout=120)
    if plugin == "installed":
        checks.check(f"{where}: poliz-show --native lists machine code",
                     listing.returncode == 0 and listing.stdout.startswith("line 1: program {") and "  0" in
                     listing.stdout, repr((listing.returncode, listing.stdout[:300], listing.stderr)))
    else:
        reason = trace.decode()[len("native: "):]
        checks.check(f"{where}: poliz-show --native gives the same reason",
                     (listing.returncode, listing.stderr) == (5, "poliz-show: no machine code: native tier " + reason),
                     repr((listing.returncode, listing.stderr)))


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    cpack, build, root, *components = sys.argv[1:]
    out = root.rstrip("/") + ".debs"
    os.makedirs(out, exist_ok=True)
    unpack(root, *make_packages(cpack, build, out, components).values())
    return 0


if __name__ == "__main__":
    sys.exit(main())
