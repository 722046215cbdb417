"""`--exercises DIR`: a teacher's own programs, checked beside the kit's in the area "exercises".
DIR (and its subfolders) holds NAME.ppp, NAME.in where the program reads, and its expected
results NAME.out, NAME.err and NAME.status; those that are missing are computed once by the
reference and saved beside the program, for the teacher to read and keep."""
import os

import catalogue
import process

EXPECTED = (".out", ".err", ".status")
REFERENCE_LIMIT = 60.0  # seconds poliz may take on an exercise


def programs(folder):
    """(kit name, path without .ppp) of every program below folder, in name order."""
    found = []
    for dirpath, dirnames, files in os.walk(folder):
        dirnames[:] = [d for d in dirnames if not d.startswith(".")]
        for file in files:
            if file.endswith(".ppp") and not file.startswith("."):
                base = os.path.join(dirpath, file[:-len(".ppp")])
                found.append(("exercises/" + os.path.relpath(base, folder).replace(os.sep, "/"), base))
    return sorted(found)


def _status(case):
    text = case.read(".status").decode("utf-8", "replace").strip()
    try:
        return int(text)
    except ValueError:
        catalogue.usage_error(f"{case.name}: {os.path.basename(case.base)}.status holds '{text}', not an exit status")


def load(folder, reference_given):
    """The exercises as cases. With a reference (the one given, or a poliz found) each is timed
    on it, and the expected results it lacks are written from that run."""
    if not os.path.isdir(folder):
        catalogue.usage_error(f"--exercises {folder}: no such folder")
    found = programs(folder)
    if not found:
        catalogue.usage_error(f"--exercises {folder}: no NAME.ppp in it")
    missing = [name for name, base in found if not all(os.path.exists(base + s) for s in EXPECTED)]
    reference = catalogue.find_reference(reference_given, "to time the exercises and compute their missing results")
    if reference is None and missing:
        catalogue.usage_error(f"{missing[0]} has no expected results yet (NAME.out, NAME.err, NAME.status), and "
                              "there is no poliz to compute them: give --reference CMD, or put poliz beside the kit "
                              "or on PATH")
    cases, written = [catalogue.Case(name, "exercises", None, base) for name, base in found], []
    for case in cases:
        if reference is not None:
            result = process.run(reference, case.program, case.read(".in"), REFERENCE_LIMIT)
            if result.start_error or result.timed_out:
                catalogue.usage_error(f"{case.name}: the reference " + (
                    f"could not be started: {result.start_error}" if result.start_error
                    else f"did not end within {process.seconds_text(REFERENCE_LIMIT)}"))
            case.time = result.elapsed
            computed = {".out": result.stdout, ".err": result.stderr, ".status": f"{result.status}\n".encode()}
            for suffix in EXPECTED:
                if not os.path.exists(case.base + suffix):
                    with open(case.base + suffix, "wb") as f:
                        f.write(computed[suffix])
            if case.name in missing:
                written.append(case.name)
        case.status = _status(case)
    if written:
        print(f"wrote the expected results of {len(written)} exercise(s) from the reference: {', '.join(written)}")
    return cases
