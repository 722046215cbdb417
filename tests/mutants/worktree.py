"""A private copy of the source tree and its build, where mutants are planted one at a time:
copying, building and testing it, with every command's output in a log. Used by run.py (the
listed mutants) and sample.py (the drawn ones); the working tree is never written.
"""

import os
import signal
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# Tests of the tools around the interpreter (the browser page, editor files, the language
# server, the conformance kit, packaging, the manual's layout, this drawer) say nothing about a
# fault in its code that the programs' own tests miss, and some take minutes.
TOOL_TESTS = r"^(playground_.*|editor_.*|vscode_.*|npm_.*|lsp/.*|conformance/.*|package.*|man_pages|install|mutant_drawer)$"
TEST_TIMEOUT = 60  # seconds per test; a mutant that loops forever is killed by this


def working_tree_files():
    """The committed and changed files of the working tree, as paths relative to ROOT."""
    out = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=ROOT,
                         capture_output=True, text=True, check=True).stdout
    return [name for name in out.split("\n") if name and not name.startswith("build")]


def copy_tree(source, names, tree):
    """Makes tree hold exactly the files names of folder source. A file whose bytes did not
    change keeps its time stamp, so that the build after the copy stays incremental."""
    wanted = {os.path.normpath(name) for name in names}
    for folder, _, files in os.walk(tree):
        for name in files:
            path = os.path.join(folder, name)
            if os.path.relpath(path, tree) not in wanted:
                os.remove(path)  # gone from the source, as a renamed test is
    for name in sorted(wanted):
        src, dst = os.path.join(source, name), os.path.join(tree, name)
        if not os.path.isfile(src):
            continue
        with open(src, "rb") as a:
            data = a.read()
        if os.path.exists(dst):
            with open(dst, "rb") as b:
                if b.read() == data:
                    continue
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        with open(dst, "wb") as b:
            b.write(data)


def run(argv, cwd, log, timeout=None, env=None):
    """Runs argv with its output appended to log; its exit status, or None when it ran out of
    time (then it and every process it started are ended, compilers and tests included)."""
    with open(log, "a") as out:
        out.write("\n$ %s\n" % " ".join(argv))
        out.flush()
        process = subprocess.Popen(argv, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, env=env,
                                   start_new_session=True)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            out.write("\n(ended after %d seconds)\n" % timeout)
            return None


def build(build_dir, jobs, log, timeout=None, env=None):
    """Builds everything, so that each program a test runs is there, whatever new ones come; after
    the first build the editor tools and other files cost nothing more."""
    return run(["cmake", "--build", build_dir, "-j", str(jobs)], build_dir, log, timeout, env)


def test(build_dir, jobs, log, excluded=TOOL_TESTS, timeout=1800):
    """Runs the tests but the excluded ones, up to the first failure; their exit status, or
    None when the whole run ran out of time."""
    argv = ["ctest", "-j", str(jobs), "--timeout", str(TEST_TIMEOUT), "-E", excluded,
            "--stop-on-failure", "--output-on-failure"]
    return run(argv, build_dir, log, timeout)
