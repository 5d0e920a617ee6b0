#!/usr/bin/env python3
"""What WinZip AES costs when unpacking: the source tree and the one large file of the corpus, packed
by 7-Zip with deflate once plainly and once under AES-256, each unpacked by the archive core as the
unzip job does (zipbench unpack, with the password) and by 7-Zip (7z x) for comparison. Prints the
minimum of --runs wall times and the ratio encrypted / plain for each tool.

    python3 bench/encrypted.py --zipbench build/native/bench/zipbench [--runs 3] [--work DIR]
"""
import argparse
import os
import shutil
import subprocess

from bench import measure
from corpus import build_corpus

PASSWORD = "benchmark password"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zipbench", required=True)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--work", default="/dev/shm/tavoline-bench")
    args = parser.parse_args()
    corpus = os.path.join(args.work, "corpus")
    build_corpus(corpus)
    work = os.path.join(args.work, "encrypted")
    os.makedirs(work, exist_ok=True)
    zipbench = os.path.abspath(args.zipbench)
    print("%-14s %-10s %10s %10s %8s" % ("data", "tool", "plain s", "AES-256 s", "ratio"))
    for name in ("tree", "bigfile"):
        archives = {}
        for kind, options in (("plain", []), ("aes", ["-mem=AES256", "-p" + PASSWORD])):
            archives[kind] = os.path.join(work, "%s-%s.zip" % (name, kind))
            if not os.path.exists(archives[kind]):
                subprocess.run(["7z", "a", "-tzip", "-mm=Deflate", "-mx=5", *options, archives[kind], "."],
                               cwd=os.path.join(corpus, name), check=True, stdout=subprocess.DEVNULL)
        target = os.path.join(work, "out")
        clear = lambda: shutil.rmtree(target, ignore_errors=True)
        for tool in ("core", "7-Zip"):
            times = {}
            for kind, archive in archives.items():
                if tool == "core":
                    command = [zipbench, "unpack", archive, target, PASSWORD]
                else:
                    command = ["7z", "x", "-p" + PASSWORD, "-o" + target, archive]
                times[kind], _ = measure(command, runs=args.runs, before=clear)
            print("%-14s %-10s %10.2f %10.2f %8.2f" % (name, tool, times["plain"], times["aes"],
                                                       times["aes"] / times["plain"]))
        clear()


if __name__ == "__main__":
    main()
