# Seeds for the reader's fuzz target made by other tools, as users' archives are: a source tree of a
# few hundred files packed by Info-ZIP zip (deflate, bzip2, forced zip64), by 7-Zip (Deflate, BZip2,
# Copy) and by Python's zipfile (each method, zip64, data descriptors). The fuzz target closes the
# reader after 1, 64 or all entries by the input's length modulo 3, so each archive is also written
# with one and two trailing bytes: every one of them is then read all three ways.
#   python3 tool-seeds.py FOLDER
import os
import random
import shutil
import subprocess
import sys
import tempfile
import zipfile

folder = os.path.abspath(sys.argv[1])
os.makedirs(folder, exist_ok=True)
rng = random.Random(7)
WORDS = [b"int", b"return", b"static", b"const", b"void", b"class", b"if", b"else", b"for", b"value",
         b"index", b"buffer", b"size", b"entry", b"reader", b"(", b")", b"{", b"}", b";", b"=", b"+"]


def source_text(lines):
    out = []
    for _ in range(lines):
        out.append(b"  " * rng.randrange(4) + b" ".join(rng.choice(WORDS) for _ in range(rng.randrange(2, 9))))
    return b"\n".join(out) + b"\n"


def make_tree(root, files):
    for index in range(files):
        folder_name = os.path.join(root, "src", "pkg%d" % (index % 12), "sub%d" % (index % 5))
        os.makedirs(folder_name, exist_ok=True)
        # Mostly small files, a few empty ones and a few tens of kilobytes.
        lines = 0 if index % 97 == 0 else rng.choice([3, 8, 15, 30, 60, 700 if index % 50 == 1 else 20])
        with open(os.path.join(folder_name, "File%03d.java" % index), "wb") as out:
            out.write(source_text(lines))
    os.makedirs(os.path.join(root, "src", "empty"), exist_ok=True)


def run(command, cwd):
    subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL)


class Unseekable:
    """A file that cannot seek, so zipfile writes data descriptors."""

    def __init__(self, path):
        self.file = open(path, "wb")

    def write(self, data):
        return self.file.write(data)

    def flush(self):
        self.file.flush()

    def close(self):
        self.file.close()


def python_archives(root, names):
    for label, method in (("stored", zipfile.ZIP_STORED), ("deflate", zipfile.ZIP_DEFLATED),
                          ("bzip2", zipfile.ZIP_BZIP2)):
        with zipfile.ZipFile(os.path.join(folder, "python-%s.zip" % label), "w", method) as archive:
            for name in names:
                archive.write(os.path.join(root, name), name)
    with zipfile.ZipFile(os.path.join(folder, "python-zip64.zip"), "w", zipfile.ZIP_DEFLATED) as archive:
        for name in names[:40]:
            with open(os.path.join(root, name), "rb") as source, archive.open(name, "w", force_zip64=True) as entry:
                entry.write(source.read())
    stream = Unseekable(os.path.join(folder, "python-descriptors.zip"))
    with zipfile.ZipFile(stream, "w", zipfile.ZIP_BZIP2) as archive:
        for name in names[:60]:
            archive.write(os.path.join(root, name), name)
    stream.close()


def main():
    work = tempfile.mkdtemp(prefix="tool-seeds-")
    try:
        make_tree(work, 320)
        run(["zip", "-q", "-r", "-Z", "deflate", os.path.join(folder, "infozip-deflate.zip"), "src"], work)
        run(["zip", "-q", "-r", "-Z", "bzip2", os.path.join(folder, "infozip-bzip2.zip"), "src"], work)
        run(["zip", "-q", "-r", "-fz", os.path.join(folder, "infozip-zip64.zip"), "src"], work)
        for method in ("Deflate", "BZip2", "Copy"):
            run(["7z", "a", "-bd", "-tzip", "-mm=" + method, os.path.join(folder, "7z-%s.zip" % method.lower()), "src"],
                work)
        names = sorted(os.path.relpath(os.path.join(top, name), work)
                       for top, _, files in os.walk(os.path.join(work, "src")) for name in files)
        python_archives(work, names)
        for name in sorted(n for n in os.listdir(folder) if n.startswith(("infozip-", "7z-", "python-"))):
            with open(os.path.join(folder, name), "rb") as source:
                archive = source.read()
            for extra in (1, 2):
                with open(os.path.join(folder, "%s-%d" % (name, extra)), "wb") as out:
                    out.write(archive + b"\0" * extra)
    finally:
        shutil.rmtree(work, ignore_errors=True)


main()
