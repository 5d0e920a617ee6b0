#!/usr/bin/env python3
"""The real programs side by side under one Wine prefix and one wineserver: Tavoline.exe (command-line
unzip, and /zip) against 7-Zip's own Windows 7z.exe (x, and a -tzip -mm=BZip2 -mmt=2) on the
benchmark's corpora, on tmpfs; prints seconds (minimum of the runs) and the ratios.

Run through bench/wine-vs-7z.sh, which builds the runner, fetches 7z.exe and makes the prefix.
Rounds are interleaved (every program once per round) so that a change of load hits all alike.
"""
import argparse
import filecmp
import os
import shutil
import subprocess
import tempfile

from corpus import MB, build_corpus, data_size, log

DATASETS = [("tree", "tree/src", "source tree"), ("bigfile", "bigfile/sources.txt", "one large file"),
            ("tiny", "tiny/files", "20,000 tiny files"), ("compressed", "compressed/data", "compressed data")]
SEVEN = "7z.exe"
WINE = "/usr/lib/wine/wine64"


def windows(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def remove(path):
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.exists(path):
        os.remove(path)


def ship(source, copy):
    """A program file as the package ships it (installer/stage.sh): without debugging symbols. They
    are part of the image, which Wine reads whole at every start (15 MB more for ZipArchive.dll)."""
    strip = shutil.which("x86_64-w64-mingw32-strip")
    if strip:
        subprocess.run([strip, "-o", copy, source], check=True)
    else:
        shutil.copy(source, copy)


def run(runner, arguments, folder=None):
    """Seconds one program took, as the runner measured them under Wine."""
    command = [WINE, runner] + (["--in", windows(folder)] if folder else []) + arguments
    # Into a file, not a pipe: what the program starts (the shell's recorder) inherits the handles.
    with tempfile.TemporaryFile("w+") as out:
        result = subprocess.run(["timeout", "-k", "5", "960"] + command, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.STDOUT, text=True)
        out.seek(0)
        text = out.read().strip()
    if result.returncode != 0:
        raise RuntimeError(f"{' '.join(arguments)} failed ({result.returncode}): {text}")
    return float(text.split()[0])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runner", required=True, help="WineRunner.exe")
    parser.add_argument("--seven", required=True, help="the folder of 7z.exe and 7z.dll (win/x64)")
    parser.add_argument("--bin", action="append", required=True, metavar="LABEL=FOLDER",
                        help="a folder with Tavoline.exe and ZipArchive.dll (repeatable: builds side by side)")
    parser.add_argument("--work", default="/dev/shm/tavoline-bench")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--only", action="append", help="datasets to run (tree, bigfile, tiny, compressed)")
    args = parser.parse_args()

    corpus = os.path.join(args.work, "corpus")
    work = os.path.join(args.work, "wine-vs-7z")
    build_corpus(corpus)
    remove(work)
    os.makedirs(work)
    programs = {}
    for item in args.bin:
        label, folder = item.split("=", 1)
        app = os.path.join(work, "app-" + label)
        os.makedirs(app)
        for name in ("Tavoline.exe", "ZipArchive.dll"):
            ship(os.path.join(folder, name), os.path.join(app, name))
        programs[label] = os.path.join(app, "Tavoline.exe")
    seven = os.path.join(work, "7zip")
    os.makedirs(seven)
    for name in ("7z.exe", "7z.dll"):
        shutil.copy(os.path.join(args.seven, name), seven)
    seven = os.path.join(seven, "7z.exe")
    labels = list(programs)

    results, identical = {}, {}
    for name, path, title in DATASETS:
        if args.only and name not in args.only:
            continue
        source = os.path.join(corpus, path)
        size, count = data_size(source)
        log(f"{name}: {size / MB:.1f} MB in {count} files")
        # A copy of its own: /zip writes the archive beside the item.
        base = os.path.join(work, name)
        item = os.path.join(base, "src", os.path.basename(path))
        os.makedirs(os.path.dirname(item))
        (shutil.copytree if os.path.isdir(source) else shutil.copy)(source, item)
        folder = os.path.isdir(item)
        out = os.path.join(base, "out")
        os.makedirs(out)
        best = {}

        def keep(key, seconds):
            best[key] = seconds if key not in best else min(best[key], seconds)

        ours = item + ".zip"
        for _ in range(args.runs):
            archive = os.path.join(out, "7z.zip")
            remove(archive)
            keep(("zip", SEVEN), run(args.runner, [windows(seven), "a", "-tzip", "-mm=BZip2", "-mmt=2", "-ssc", "-bd", "-bso0",
                                                   "-bsp0", windows(archive), "." if folder else os.path.basename(item)],
                                     item if folder else os.path.dirname(item)))
            for label in labels:
                remove(ours)
                keep(("zip", label), run(args.runner, [windows(programs[label]), "/zip", windows(item)]))
                shutil.move(ours, os.path.join(out, f"{label}.zip"))
        first = os.path.join(out, f"{labels[0]}.zip")
        identical[name] = all(filecmp.cmp(first, os.path.join(out, f"{label}.zip"), shallow=False) for label in labels)

        # Every program unpacks the same archive: the one the first build made.
        unpack = os.path.join(base, "unpack")
        os.makedirs(unpack)
        archive = os.path.join(unpack, "a.zip")
        shutil.copy(first, archive)
        target = os.path.join(unpack, "a")   # where Tavoline unpacks a.zip
        for _ in range(args.runs):
            remove(target)
            keep(("unzip", SEVEN), run(args.runner, [windows(seven), "x", "-y", "-bd", "-bso0", "-bsp0",
                                                     "-o" + windows(target), windows(archive)]))
            for label in labels:
                remove(target)
                keep(("unzip", label), run(args.runner, [windows(programs[label]), windows(archive)]))
        remove(target)
        results[name] = (title, size, count, os.path.getsize(first), best)
        log(f"{name}: " + ", ".join(f"{what} {tool} {seconds:.2f} s" for (what, tool), seconds in best.items()))
        remove(base)

    head = f"| data | zip {SEVEN} s |" + "".join(f" zip {label} s | vs 7z.exe |" for label in labels) + \
        f" unzip {SEVEN} s |" + "".join(f" unzip {label} s | vs 7z.exe |" for label in labels)
    print(head)
    print("|---|" + "---:|" * (2 + 4 * len(labels)))
    for name, (title, size, count, archive, best) in results.items():
        row = f"| {title} ({size / MB:.0f} MB, {count} files) | {best[('zip', SEVEN)]:.2f} |"
        for label in labels:
            row += f" {best[('zip', label)]:.2f} | {best[('zip', label)] / best[('zip', SEVEN)]:.2f} |"
        row += f" {best[('unzip', SEVEN)]:.2f} |"
        for label in labels:
            row += f" {best[('unzip', label)]:.2f} | {best[('unzip', label)] / best[('unzip', SEVEN)]:.2f} |"
        print(row)
    if len(labels) > 1:
        for name, same in identical.items():
            print(f"{name}: the archives of {', '.join(labels)} are {'byte for byte the same' if same else 'DIFFERENT'}")


if __name__ == "__main__":
    main()
