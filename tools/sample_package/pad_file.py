#!/usr/bin/env python3
"""Writes padding for the sample package installer.

  pad_file.py --output FILE --size BYTES [--input FILE]

Without --input, FILE becomes BYTES of padding (a resource of the installer). With --input, FILE
becomes a copy of the input with padding appended after its end until it is BYTES long; Windows
ignores data behind the last section of an executable, so the copy still runs. The padding is
pseudo-random (it does not shrink under HTTP compression) and the same on every build.
"""
import argparse
import hashlib
import os
import sys


def padding(length, seed):
    out = bytearray()
    counter = 0
    while len(out) < length:
        out += hashlib.sha256(seed + counter.to_bytes(8, "little")).digest()
        counter += 1
    return bytes(out[:length])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--output", required=True)
    parser.add_argument("--size", required=True, type=int)
    parser.add_argument("--input")
    args = parser.parse_args()
    data = b""
    if args.input:
        with open(args.input, "rb") as source:
            data = source.read()
    if args.size < len(data):
        sys.exit(f"pad_file.py: {args.input} is already {len(data)} bytes, more than {args.size}")
    data += padding(args.size - len(data), os.path.basename(args.output).encode())
    temporary = args.output + ".tmp"
    with open(temporary, "wb") as target:
        target.write(data)
    os.replace(temporary, args.output)


if __name__ == "__main__":
    main()
