#!/usr/bin/python3
"""Makes (setup) or removes (cleanup) what the zip tests under Wine cannot make themselves:
folder links, which Wine 8 can list but not create, and a drive root (drive Y: of the test prefix).

    native_tree.py setup|cleanup TREE PREFIX
"""
import os
import shutil
import sys

DRIVE = "y:"


def content_for(name):
    # The same bytes as ziptest::ContentFor: the file's name and a line end, repeated past 2000 bytes.
    line = (name + "\n").encode("utf-8")
    return line * (2000 // len(line) + 1)


def add_file(path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content_for(os.path.basename(path)))


def setup(tree, prefix):
    shutil.rmtree(tree, ignore_errors=True)
    links = os.path.join(tree, "links")
    add_file(os.path.join(links, "a.txt"))
    add_file(os.path.join(links, "sub", "b.txt"))
    add_file(os.path.join(links, "shared", "c.txt"))
    add_file(os.path.join(tree, "outside", "o.txt"))
    os.symlink("..", os.path.join(links, "sub", "up"))             # a loop back to the selected folder
    os.symlink(".", os.path.join(links, "sub", "self"))            # a loop onto itself
    os.symlink("shared", os.path.join(links, "alias"))             # a second way to a folder packed already
    os.symlink("../outside", os.path.join(links, "outside"))       # a way out of the selected folder

    root = os.path.join(tree, "driveroot")
    add_file(os.path.join(root, "r.txt"))
    add_file(os.path.join(root, "sub", "s.txt"))
    drive = os.path.join(prefix, "dosdevices", DRIVE)
    if os.path.lexists(drive):
        os.remove(drive)
    os.symlink(root, drive)


def cleanup(tree, prefix):
    drive = os.path.join(prefix, "dosdevices", DRIVE)
    if os.path.islink(drive):
        os.remove(drive)
    shutil.rmtree(tree, ignore_errors=True)


if __name__ == "__main__":
    action, tree, prefix = sys.argv[1:4]
    {"setup": setup, "cleanup": cleanup}[action](os.path.abspath(tree), os.path.abspath(prefix))
