#!/usr/bin/env python3
"""Unpacking only, natively: the core (zipbench unpack, the unzip job's calls) against 7-Zip's `7z x`
on the benchmark's corpora, for the core's own bzip2 archives and for Info-ZIP's (deflate); prints
seconds (minimum of the runs) and the ratios. Rounds are interleaved (every tool once per round), so
a change of load hits all alike; several builds of zipbench can be compared in one run.
  unpack_vs_7z.py --zipbench LABEL=PATH [--zipbench LABEL=PATH]... [--runs N] [--only NAME]... [--work DIR]
The archives are made once, by the first zipbench and by `zip -q -r`.
"""
import argparse
import os
import shutil
import subprocess
import time

from corpus import MB, build_corpus, data_size, log

DATASETS = [("tree", "tree/src", "source tree"), ("bigfile", "bigfile/sources.txt", "one large file"),
            ("tiny", "tiny/files", "20,000 tiny files"), ("compressed", "compressed/data", "compressed data")]
SEVEN = "7z x"


def remove(path):
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.exists(path):
        os.remove(path)


def seconds(command, cwd=None):
    started = time.monotonic()
    subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL)
    return time.monotonic() - started


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--zipbench", action="append", required=True, metavar="LABEL=PATH")
    parser.add_argument("--work", default="/dev/shm/tavoline-bench")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--only", action="append", help="datasets to run (tree, bigfile, tiny, compressed)")
    args = parser.parse_args()
    builds = dict(item.split("=", 1) for item in args.zipbench)
    labels = list(builds)

    corpus = os.path.join(args.work, "corpus")
    work = os.path.join(args.work, "unpack-vs-7z")
    build_corpus(corpus)
    remove(work)
    os.makedirs(work)
    rows = []
    for name, path, title in DATASETS:
        if args.only and name not in args.only:
            continue
        source = os.path.join(corpus, path)
        size, count = data_size(source)
        folder = os.path.isdir(source)
        log(f"{name}: {size / MB:.1f} MB in {count} files")
        own, info = os.path.join(work, f"{name}-own.zip"), os.path.join(work, f"{name}-infozip.zip")
        subprocess.run([builds[labels[0]], "pack", own, source], check=True)
        subprocess.run(["zip", "-q"] + (["-r"] if folder else []) + [info, "." if folder else os.path.basename(source)],
                       cwd=source if folder else os.path.dirname(source), check=True)
        target = os.path.join(work, "out")
        for kind, archive in (("own", own), ("Info-ZIP", info)):
            best = {}
            for _ in range(args.runs):
                commands = [(SEVEN, ["7z", "x", "-bd", "-bso0", "-bsp0", "-o" + target, archive])]
                commands += [(label, [builds[label], "unpack", archive, target]) for label in labels]
                for tool, command in commands:
                    remove(target)
                    took = seconds(command)
                    best[tool] = min(best.get(tool, took), took)
            remove(target)
            rows.append((f"{title} ({size / MB:.0f} MB, {count} files)", kind, best))
        remove(own)
        remove(info)

    print(f"| data | archive | {SEVEN} s |" + "".join(f" {label} s | vs 7z |" for label in labels))
    print("|---|---|---:|" + "---:|---:|" * len(labels))
    for title, kind, best in rows:
        print(f"| {title} | {kind} | {best[SEVEN]:.2f} |" +
              "".join(f" {best[label]:.2f} | {best[label] / best[SEVEN]:.2f} |" for label in labels))


if __name__ == "__main__":
    main()
