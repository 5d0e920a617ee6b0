#!/usr/bin/env python3
"""Checks that every #include "…" of the program points down its layers, and fails naming those that
point up or sideways.

The program's rooms, top to bottom (each may include itself and the rooms listed for it):
  app → ui → jobs → ziparchive, with pickers, update, framework, base and res beside them as below;
  framework includes nothing of the program but base; base includes only itself.

The archive core (ziparchive/core/), top to bottom:
  extract/, pack/    the jobs' layers: unpacking into a folder, packing files from disk (neither
                     includes the other)
  parallel/          generic worker threads, for extract/ and pack/ only; includes nothing of the core
  core/*.h, *.cpp    the zip container: reader, writer, records, names
  methods/, crypto/  compression methods and decryption; of the container only its vocabulary
                     (VOCABULARY below)
  bzip2/             our bzip2 codec, no zip knowledge: includes only itself
The core includes no windows.h.

Usage: check-includes.py [ROOT]     check the tree at ROOT (default: this script's repository)
       check-includes.py --self-test check that a planted upward include is caught
"""
import os
import re
import shutil
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)
SOURCES = (".h", ".hpp", ".c", ".cpp", ".inl", ".rc")

# Rooms of the program and the rooms each may include besides itself.
ROOMS = {
    "app": {"ui", "jobs", "pickers", "update", "framework", "base", "ziparchive", "res"},
    "ui": {"jobs", "pickers", "framework", "base", "ziparchive", "res"},
    "pickers": {"framework", "base", "res"},
    "jobs": {"framework", "base", "ziparchive", "res"},
    "update": {"framework", "base"},
    "framework": {"base"},
    "base": set(),
    "res": set(),
    "ziparchive": {"base", "core"},   # "core/…" is ziparchive/core/, on the library's include path
}

# Layers of the archive core and the layers each may include besides itself. "container" is
# ziparchive/core/*.h and *.cpp.
CORE_LAYERS = {
    "extract": {"container", "methods", "crypto", "bzip2", "parallel"},
    "pack": {"container", "methods", "crypto", "bzip2", "parallel"},
    "parallel": set(),
    "container": {"methods", "crypto", "bzip2"},
    "methods": {"vocabulary", "crypto", "bzip2"},
    "crypto": {"vocabulary", "methods"},
    "bzip2": set(),
}
# The container's headers that name its vocabulary (entries, errors, format constants, the file
# seam, quoting names), which the methods and decryption below it share.
VOCABULARY = {"ByteOrder.h", "EntryName.h", "FileAccess.h", "ZipEntry.h", "ZipError.h", "ZipFormat.h"}


def core_layer(relative):
    """The core layer of a path below ziparchive/core/ ("container" for the folder itself)."""
    parts = relative.split("/")
    return parts[0] if len(parts) > 1 else "container"


def included_core_layer(target):
    """The core layer an include "core/…" points into, and the file name."""
    rest = target[len("core/"):]
    parts = rest.split("/")
    if len(parts) == 1:
        return ("vocabulary" if parts[0] in VOCABULARY else "container"), parts[0]
    return parts[0], parts[-1]


def check_file(root, path):
    relative = os.path.relpath(path, root).replace(os.sep, "/")
    room = relative.split("/")[0]
    if room not in ROOMS:
        return []
    text = open(path, encoding="utf-8", errors="replace").read()
    problems = []
    in_core = relative.startswith("ziparchive/core/")
    for match in INCLUDE.finditer(text):
        kind, target = match.group(1), match.group(2)
        line = text.count("\n", 0, match.start()) + 1
        where = f"{relative}:{line}: #include {kind}{target}{'>' if kind == '<' else kind}"
        if in_core and os.path.basename(target).lower() == "windows.h":
            problems.append(f"{where}: the archive core includes no Windows header")
            continue
        if kind == "<" or "/" not in target:
            continue   # the system's, a third party's, or a file beside this one
        top = target.split("/")[0]
        if in_core:
            if top != "core":
                problems.append(f"{where}: the archive core includes only core/ (and libraries)")
                continue
            layer = core_layer(relative[len("ziparchive/core/"):])
            target_layer, _ = included_core_layer(target)
            allowed = CORE_LAYERS.get(layer, set()) | {layer}
            if layer == "container" and target_layer == "vocabulary":
                continue
            if target_layer not in allowed and not (target_layer == "vocabulary" and "container" in allowed):
                problems.append(f"{where}: core/{layer} may not include {target_layer} (layers point down only)")
            continue
        if top == room or top in ROOMS[room]:
            continue
        problems.append(f"{where}: {room}/ may not include {top}/ (rooms point down only)")
    return problems


def check_tree(root):
    problems = []
    for room in sorted(ROOMS):
        for folder, dirs, files in os.walk(os.path.join(root, room)):
            dirs[:] = sorted(d for d in dirs if d != "build" and not d.startswith("."))
            for name in sorted(files):
                if name.endswith(SOURCES):
                    problems += check_file(root, os.path.join(folder, name))
    return problems


def self_test():
    """A tree that keeps the rule passes; each planted upward include makes the check fail."""
    good = {
        "app/Main.cpp": '#include "ui/MainDialog.h"\n#include "jobs/JobState.h"\n',
        "jobs/Worker.cpp": '#include "ziparchive/CZipArchive.h"\n#include <windows.h>\n',
        "framework/Wnd.cpp": '#include "base/CString.h"\n#include "Wnd.h"\n',
        "ziparchive/CZipArchive.cpp": '#include "core/extract/ArchiveExtractor.h"\n#include "core/pack/ArchivePacker.h"\n',
        "ziparchive/core/ZipReader.cpp": '#include "core/ZipReader.h"\n#include "core/methods/Codec.h"\n',
        "ziparchive/core/methods/Codec.h": '#include "core/ZipEntry.h"\n',
        "ziparchive/core/extract/ArchiveExtractor.cpp": '#include "core/ZipReader.h"\n#include "core/parallel/WorkerPool.h"\n',
        "ziparchive/core/bzip2/Bzip2Crc.cpp": '#include "core/bzip2/Bzip2Crc.h"\n#include "bzlib_private.h"\n',
    }
    planted = {
        "ziparchive/core/ZipReader.cpp": '#include "core/extract/DecodeAhead.h"\n',
        "ziparchive/core/ZipWriter.h": '#include "core/parallel/WorkerPool.h"\n',
        "ziparchive/core/extract/Spool.cpp": '#include "core/pack/ArchivePacker.h"\n',
        "ziparchive/core/methods/Codec.cpp": '#include "core/ZipReader.h"\n',
        "ziparchive/core/bzip2/Bzip2Crc.cpp": '#include "core/ZipError.h"\n',
        "ziparchive/core/FileAccess.h": '#include <Windows.h>\n',
        "jobs/Worker.cpp": '#include "ui/MainDialog.h"\n',
        "framework/Wnd.cpp": '#include "jobs/JobState.h"\n',
        "ziparchive/CZipArchive.cpp": '#include "jobs/JobState.h"\n',
    }

    def make_tree(files):
        root = tempfile.mkdtemp(prefix="check-includes-")
        for relative, text in files.items():
            path = os.path.join(root, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as out:
                out.write(text)
        return root

    failures = []
    root = make_tree(good)
    try:
        if check_tree(root):
            failures.append("a tree that keeps the rule was refused: " + "; ".join(check_tree(root)))
    finally:
        shutil.rmtree(root)
    for relative, text in planted.items():
        files = dict(good)
        files[relative] = files.get(relative, "") + text
        root = make_tree(files)
        try:
            if not check_tree(root):
                failures.append(f"the upward include planted in {relative} ({text.strip()}) was not caught")
        finally:
            shutil.rmtree(root)
    for failure in failures:
        print("self-test: " + failure, file=sys.stderr)
    if not failures:
        print(f"self-test: {len(planted)} planted includes caught, the good tree passes")
    return 1 if failures else 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    root = argv[1] if len(argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    problems = check_tree(root)
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"{len(problems)} include(s) point up; see the layers in docs/ARCHITECTURE.md", file=sys.stderr)
        return 1
    print("includes point down only")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
