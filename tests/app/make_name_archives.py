#!/usr/bin/python3
"""Writes the archives the unzip name tests open, as other systems' tools make them: Python's zipfile
with names as stored by Linux and macOS programs, Info-ZIP zip from files on this Linux machine, and
raw bytes for archives with records hidden in their comment or a comment cut short. Usage: make_name_archives.py FOLDER"""
import os
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

# Names Windows cannot hold, or that try to leave the target, each with its own content.
PYTHON_NAMES = ["aux.c", "src/con.h", "Icon\r", "notes.", "draft ", "a:b.txt", "what?.txt",
                "x" * 300 + ".txt", "../up.txt", "/etc/passwd", "C:\\drive.txt",
                "\\\\server\\share\\unc.txt", "\\\\?\\C:\\prefixed.txt", "ok.txt"]
# Names a Linux file system holds, stored by Info-ZIP zip as they are.
INFOZIP_NAMES = ["aux.c", "con.h", "Icon\r", "notes.", "draft ", "a:b.txt", "what?.txt", "star*.txt",
                 "pipe|.txt", "nul", "plain.txt"]


def content(name):
    return ("content of " + name).encode("utf-8", "surrogateescape")


def write_python(path, names):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        for name in names:
            archive.writestr(zipfile.ZipInfo(name, (2024, 5, 1, 12, 0, 0)), content(name))


def write_infozip(path, names):
    with tempfile.TemporaryDirectory() as folder:
        for name in names:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(content(name))
        for name in names:  # one call each, in order: entries are stored in this order
            subprocess.run(["zip", "-q", "-X", os.path.abspath(path), name], cwd=folder, check=True)


def raw_archive(entries, comment=b"", zip64=False, comment_length=None):
    """Stored entries, byte by byte (APPNOTE 4.3): local headers, central directory, end records;
    the end record may give a comment length other than the comment's."""
    body, central = b"", b""
    for name, data in entries:
        crc = zlib.crc32(data)
        fixed = struct.pack("<HHHHHIIIHH", 20, 0, 0, 0, 0, crc, len(data), len(data), len(name), 0)
        central += b"PK\1\2" + struct.pack("<H", 20) + fixed + struct.pack("<HHHII", 0, 0, 0, 0, len(body)) + name
        body += b"PK\3\4" + fixed + name + data
    end = b""
    if zip64:
        record = struct.pack("<QHHIIQQQQ", 44, 45, 45, 0, 0, len(entries), len(entries), len(central), len(body))
        end += b"PK\6\6" + record + b"PK\6\7" + struct.pack("<IQI", 0, len(body) + len(central), 1)
    end += b"PK\5\6" + struct.pack("<HHHHIIH", 0, 0, len(entries), len(entries), len(central), len(body),
                                  len(comment) if comment_length is None else comment_length)
    return body + central + end + comment


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_python(os.path.join(out, "names-python.zip"), PYTHON_NAMES)
    write_infozip(os.path.join(out, "names-infozip.zip"), INFOZIP_NAMES)
    write_python(os.path.join(out, "case.zip"), ["Readme.txt", "README.TXT", "docs/a.txt", "DOCS/A.TXT"])
    hidden = [(b"hidden.txt", b"the hidden archive")]
    real = [(b"real.txt", b"the real archive")]
    with open(os.path.join(out, "end-in-comment.zip"), "wb") as f:
        f.write(raw_archive(real, comment=raw_archive(hidden)))
    with open(os.path.join(out, "zip64-in-comment.zip"), "wb") as f:
        f.write(raw_archive(real, comment=raw_archive(hidden, zip64=True)))
    # Two archives, one after the other; the last end record's comment runs past the end of the file.
    with open(os.path.join(out, "comment-cut.zip"), "wb") as f:
        f.write(raw_archive([(b"file", b"the earlier archive")]) +
                raw_archive([(b"FILE", b"the later archive")], comment_length=1))


if __name__ == "__main__":
    main()
