#!/usr/bin/env python3
"""Writes a fuzz seed for every program below the given folders (the golden programs, generated
ones): its source, a NUL byte, then its standard input.

Usage: seed_corpus.py PROGRAMS_DIR... OUT_DIR
"""
import os
import sys


def main():
    *roots, out = sys.argv[1:]
    os.makedirs(out, exist_ok=True)
    count = 0
    for root in roots:
        for dirpath, _, files in sorted(os.walk(root)):
            for name in sorted(files):
                if not name.endswith(".ppp"):
                    continue
                base = os.path.join(dirpath, name[: -len(".ppp")])
                with open(base + ".ppp", "rb") as f:
                    seed = f.read()
                if os.path.exists(base + ".in"):
                    with open(base + ".in", "rb") as f:
                        seed += b"\0" + f.read()
                with open(os.path.join(out, f"seed-{count:04d}"), "wb") as f:
                    f.write(seed)
                count += 1
    print(f"{count} seeds in {out}")


if __name__ == "__main__":
    main()
