#!/usr/bin/python3
"""Checks the archives that the zip tests under Wine exported, with tools other than ours:
Python's zipfile reads every entry, Info-ZIP unzip and 7-Zip test the whole archive.

    check_archives.py FOLDER LABEL...

For each label, FOLDER/LABEL.zip must hold exactly the entries named in FOLDER/LABEL.zip.expect
(UTF-8, one per line), with "/" separators, method 12 (bzip2), the UTF-8 flag on non-ASCII names,
and the content the tests give every file: its file name and a line end, repeated past 2000 bytes.
"""
import os
import subprocess
import sys
import zipfile

UTF8_FLAG = 0x800


def content_for(name):
    line = (name + "\n").encode("utf-8")
    return line * (2000 // len(line) + 1)


def check(folder, label):
    path = os.path.join(folder, label + ".zip")
    problems = []
    if not os.path.exists(path) or not os.path.exists(path + ".expect"):
        return ["%s: not exported (did its Wine test run and pass?)" % label]
    with open(path + ".expect", encoding="utf-8") as f:
        expected = sorted(line.rstrip("\n") for line in f if line.strip())
    with zipfile.ZipFile(path) as archive:
        infos = archive.infolist()
        names = sorted(info.filename for info in infos)
        if names != expected:
            problems.append("%s: entries %r, expected %r" % (label, names, expected))
        for info in infos:
            if "\\" in info.filename:
                problems.append("%s: %r has a backslash" % (label, info.filename))
            if info.compress_type != zipfile.ZIP_BZIP2:
                problems.append("%s: %r has method %d, not 12" % (label, info.filename, info.compress_type))
            if not info.filename.isascii() and not info.flag_bits & UTF8_FLAG:
                problems.append("%s: %r lacks the UTF-8 flag" % (label, info.filename))
            data = archive.read(info)
            if data != content_for(info.filename.rsplit("/", 1)[-1]):
                problems.append("%s: %r has other content (%d bytes)" % (label, info.filename, len(data)))
    if expected:
        # Info-ZIP: a second reader; -t tests every entry's data and CRC.
        result = subprocess.run(["unzip", "-tqq", path], capture_output=True, timeout=60)
        if result.returncode != 0:
            problems.append("%s: unzip -t says %s%s" % (label, result.stdout.decode(errors="replace"),
                                                          result.stderr.decode(errors="replace")))
        # 7-Zip: a third reader, with its own bzip2 decoder.
        result = subprocess.run(["7z", "t", "-bd", path], capture_output=True, timeout=60)
        if result.returncode != 0:
            problems.append("%s: 7z t says %s" % (label, result.stdout.decode(errors="replace")[-500:]))
    return problems


def main():
    folder, labels = sys.argv[1], sys.argv[2:]
    problems = [p for label in labels for p in check(folder, label)]
    for p in problems:
        print(p)
    print("%d archives checked, %d problems" % (len(labels), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
