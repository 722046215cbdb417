#!/usr/bin/env python3
"""Deliberately broken implementations for the conformance kit's tests: poliz (or poliz-show
--plain), run as it is, with one fault put into what it gives back.

Usage: post_processed.py FAULT COMMAND... FILE

FAULT is one of
  none           no fault: poliz behind a wrapper
  respelled      standard error says "expected" where poliz says "expexted"
  status         a runtime error exits with status 1 instead of 4
  decimal-comma  every number with a fractional part on standard output is written with a
                 comma: 2,5 for 2.5
  listing        (with poliz-show --plain) every `jumpfalse` item is spelt `jf`"""
import re
import subprocess
import sys

FAULTS = {
    "none": lambda out, err, status: (out, err, status),
    "respelled": lambda out, err, status: (out, err.replace(b"expexted", b"expected"), status),
    "status": lambda out, err, status: (out, err, 1 if status == 4 else status),
    "decimal-comma": lambda out, err, status: (re.sub(rb"(\d)\.(\d)", rb"\1,\2", out), err, status),
    "listing": lambda out, err, status: (out.replace(b"operator jumpfalse\n", b"operator jf\n"), err, status),
}


def main():
    fault, command = sys.argv[1], sys.argv[2:]
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out, err, status = FAULTS[fault](done.stdout, done.stderr, done.returncode)
    sys.stdout.buffer.write(out)
    sys.stderr.buffer.write(err)
    return status


if __name__ == "__main__":
    sys.exit(main())
