#!/usr/bin/env python3
"""The program generator of tools/progen replays: the same seeds give the same programs and
inputs byte for byte, whatever Python's string hashing (which changes the order of sets).

Usage: progen_test.py PROGEN
"""
import os
import subprocess
import sys


def generate(progen, hash_seed):
    env = dict(os.environ, PYTHONHASHSEED=str(hash_seed))
    return subprocess.run([sys.executable, progen, "--seed", "7", "--count", "40", "--depth", "4"],
                          env=env, capture_output=True, check=True).stdout


def main():
    progen = sys.argv[1]
    first, second = generate(progen, 1), generate(progen, 2)
    if first != second:
        print("FAIL: the same seeds gave different programs under two hash seeds")
        return 1
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
