#!/usr/bin/env python3
"""Checks that two folders of PNG pictures hold the same pictures: the same file names, and
for each the same size and the same RGBA pixels after decoding (the encodings may differ).
Used when the skin's artwork is written again with other PNG settings, to show that it looks
the same. Prints each difference and the folders' byte totals; exit code 1 on a difference.

Run it with Debian's Python, which has Pillow (package python3-pil):

    /usr/bin/python3 bench/compare_pictures.py OLD_DIR NEW_DIR
"""
import os
import sys

from PIL import Image


def files(root):
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), root))
    return found


def pixels(path):
    with Image.open(path) as image:
        return image.size, image.convert("RGBA").tobytes()


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    old, new = sys.argv[1], sys.argv[2]
    old_files, new_files = files(old), files(new)
    differences = 0
    for name in sorted(old_files ^ new_files):
        print("only in %s: %s" % (old if name in old_files else new, name))
        differences += 1
    for name in sorted(old_files & new_files):
        a, b = os.path.join(old, name), os.path.join(new, name)
        if not name.lower().endswith(".png"):
            same = open(a, "rb").read() == open(b, "rb").read()
        else:
            same = pixels(a) == pixels(b)
        if not same:
            print("different: %s" % name)
            differences += 1
    total = lambda root, names: sum(os.path.getsize(os.path.join(root, n)) for n in names)
    print("%d files compared, %d differences; %d bytes before, %d bytes after" %
          (len(old_files | new_files), differences, total(old, old_files), total(new, new_files)))
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
