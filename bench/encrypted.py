#!/usr/bin/env python3
"""What WinZip AES costs when unpacking: the source tree and the one large file of the corpus, packed
by 7-Zip with deflate once plainly and once under AES-256, each unpacked by the archive core as the
unzip job does (zipbench unpack, with the password) and by 7-Zip (7z x) for comparison. Prints the
minimum of --runs wall times, the ratio encrypted / plain for each tool and the processor time
(user + system, of the run with the least wall time) of the AES-256 unpack: on a machine shared
with other work the wall times grow with its load, the processor time much less. Then the floor for the
core: each AES entry has its own salt, so its keys cost one PBKDF2 (1000 rounds of HMAC-SHA1) that
nothing can share; `zipbench keys` measures that per entry (processor time, one thread), and at best
all cores derive at once: entries x per entry / cores, against the core's plain unpack time.

    python3 bench/encrypted.py --zipbench build/native/bench/zipbench [--runs 3] [--work DIR]
"""
import argparse
import os
import re
import shutil
import subprocess
import time

from corpus import build_corpus

PASSWORD = "benchmark password"


def measure(command, runs, before):
    """Minimum wall time (s) over `runs` runs, and the processor time (s) of that run."""
    best = None
    for _ in range(runs):
        before()
        started = time.monotonic()
        process = subprocess.Popen(command, stdout=subprocess.DEVNULL)
        _, status, usage = os.wait4(process.pid, 0)
        elapsed = time.monotonic() - started
        if status != 0:
            raise RuntimeError("%s failed (%d)" % (" ".join(command), status))
        if best is None or elapsed < best[0]:
            best = (elapsed, usage.ru_utime + usage.ru_stime)
    return best


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
    print("%-14s %-10s %10s %10s %8s %10s" % ("data", "tool", "plain s", "AES-256 s", "ratio", "AES CPU s"))
    floors = []
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
            times, cpu = {}, {}
            for kind, archive in archives.items():
                if tool == "core":
                    command = [zipbench, "unpack", archive, target, PASSWORD]
                else:
                    command = ["7z", "x", "-p" + PASSWORD, "-o" + target, archive]
                times[kind], cpu[kind] = measure(command, runs=args.runs, before=clear)
            print("%-14s %-10s %10.2f %10.2f %8.2f %10.2f" % (name, tool, times["plain"], times["aes"],
                                                              times["aes"] / times["plain"], cpu["aes"]))
            if tool == "core":
                floors.append((name, times["plain"], min(key_seconds(zipbench, archives["aes"]) for _ in range(args.runs))))
        clear()
    cores = os.cpu_count()
    print("\nfloor: PBKDF2 per entry x entries / %d cores, against the core's plain unpack" % cores)
    for name, plain, (entries, per_entry) in floors:
        floor = entries * per_entry / cores
        print("%-14s %6d entries x %.3f ms / %d = %.2f s = %.2f x plain (%.2f s); AES-256 at best %.2f x plain"
              % (name, entries, per_entry * 1000, cores, floor, floor / plain, plain, 1 + floor / plain))


def key_seconds(zipbench, archive):
    """(entries, processor seconds per entry) of deriving the keys of every AES entry of `archive`."""
    out = subprocess.run([zipbench, "keys", archive, PASSWORD], check=True, capture_output=True, text=True).stdout
    entries, total = re.match(r"(\d+) entries ([\d.]+) s", out).groups()
    return int(entries), float(total) / max(int(entries), 1)


if __name__ == "__main__":
    main()
