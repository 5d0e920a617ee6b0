#!/usr/bin/env python3
"""Packs and unpacks the same data with Tavoline's archive core and with Info-ZIP zip/unzip, 7-Zip and
Python's zipfile, and prints one table of wall times, sizes, ratios and peak memory.

Run through bench/run.sh, which builds the driver (zipbench) first. Everything is written below
/dev/shm (tmpfs), so the disk does not decide the result. Each measurement is the minimum of several
runs, and ratios compare tools measured in the same run.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

from corpus import MB, build_corpus, data_size, log

PY_PACK = r"""
import os, sys, zipfile
archive, source = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_BZIP2) as z:
    if os.path.isdir(source):
        for folder, dirs, files in os.walk(source):
            dirs.sort()
            for name in sorted(files):
                path = os.path.join(folder, name)
                z.write(path, os.path.relpath(path, source))
    else:
        z.write(source, os.path.basename(source))
"""
PY_UNPACK = r"""
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    z.extractall(sys.argv[2])
"""


def measure(command, cwd=None, runs=3, before=None):
    """Minimum wall time (s) and the largest peak resident set (MB) over `runs` runs."""
    best, peak = None, 0.0
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        for _ in range(runs):
            if before:
                before()
            started = time.monotonic()
            result = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name] + command, cwd=cwd,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            elapsed = time.monotonic() - started
            if result.returncode != 0:
                raise RuntimeError(f"{' '.join(command)} failed ({result.returncode}): {result.stderr.strip()}")
            report.seek(0)
            rss = int(report.read().split()[-1]) / 1024.0
            best = elapsed if best is None else min(best, elapsed)
            peak = max(peak, rss)
    return best, peak


def remove(path):
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.exists(path):
        os.remove(path)


def pack_commands(tool, zipbench, archive, source):
    folder = os.path.isdir(source)
    cwd = source if folder else os.path.dirname(source)
    what = "." if folder else os.path.basename(source)
    if tool == "Tavoline core":
        return [zipbench, "pack", archive, source], None
    if tool == "Info-ZIP zip":
        return ["zip", "-q"] + (["-r"] if folder else []) + ["-Z", "bzip2", archive, what], cwd
    if tool == "7-Zip (2 threads)":
        return ["7z", "a", "-tzip", "-mm=BZip2", "-mmt=2", "-bd", "-bso0", "-bsp0", archive, what], cwd
    if tool == "Python zipfile":
        return ["/usr/bin/python3", "-c", PY_PACK, archive, source], None
    raise ValueError(tool)


def unpack_command(tool, zipbench, archive, target):
    if tool == "Tavoline core":
        return [zipbench, "unpack", archive, target]
    if tool == "Info-ZIP zip":
        return ["unzip", "-q", archive, "-d", target]
    if tool == "7-Zip (2 threads)":
        return ["7z", "x", "-bd", "-bso0", "-bsp0", "-o" + target, archive]
    if tool == "Python zipfile":
        return ["/usr/bin/python3", "-c", PY_UNPACK, archive, target]
    raise ValueError(tool)


TOOLS = ["Tavoline core", "Info-ZIP zip", "7-Zip (2 threads)", "Python zipfile"]
LBZIP2 = "lbzip2 -n 2 (.bz2)"
DATASETS = [("tree", "tree/src", "source tree"), ("bigfile", "bigfile/sources.txt", "one large file"),
            ("tiny", "tiny/files", "20,000 tiny files"), ("compressed", "compressed/data", "compressed data")]


def bench_dataset(name, source, zipbench, work, runs):
    rows = {}
    deflate = os.path.join(work, f"{name}-deflate.zip")
    remove(deflate)
    folder = os.path.isdir(source)
    subprocess.run(["zip", "-q"] + (["-r"] if folder else []) + [deflate, "." if folder else os.path.basename(source)],
                   cwd=source if folder else os.path.dirname(source), check=True)
    for tool in TOOLS:
        archive = os.path.join(work, f"{name}-{tool.split()[0].lower()}.zip")
        command, cwd = pack_commands(tool, zipbench, archive, source)
        log(f"  {name}: {tool} packs")
        pack_time, pack_rss = measure(command, cwd, runs, before=lambda: remove(archive))
        rows[tool] = {"pack": pack_time, "pack_rss": pack_rss, "size": os.path.getsize(archive)}
    if not folder:
        # The fastest bzip2 codec on two cores, as an anchor: one .bz2 stream, not a zip archive.
        archive = os.path.join(work, f"{name}-lbzip2.bz2")
        command = ["sh", "-c", 'exec lbzip2 -n 2 -9 -c "$0" > "$1"', source, archive]
        log(f"  {name}: {LBZIP2} packs")
        pack_time, pack_rss = measure(command, None, runs, before=lambda: remove(archive))
        rows[LBZIP2] = {"pack": pack_time, "pack_rss": pack_rss, "size": os.path.getsize(archive)}
    # Every tool unpacks the same two archives: ours (bzip2) and Info-ZIP's default (deflate).
    ours = os.path.join(work, f"{name}-tavoline.zip")
    for tool in TOOLS:
        for kind, archive in (("bzip2", ours), ("deflate", deflate)):
            target = os.path.join(work, f"{name}-out")
            log(f"  {name}: {tool} unpacks {kind}")
            seconds, rss = measure(unpack_command(tool, zipbench, archive, target), None, runs,
                                   before=lambda: remove(target))
            remove(target)
            rows[tool][kind] = seconds
            rows[tool]["unpack_rss"] = max(rows[tool].get("unpack_rss", 0.0), rss)
    return rows


def memory_check(zipbench, corpus, work):
    """Our peak memory packing and unpacking 1 GiB files (one run each)."""
    results = []
    for file in ("text.bin", "zeros.bin"):
        source = os.path.join(corpus, "huge", file)
        archive = os.path.join(work, f"huge-{file}.zip")
        target = os.path.join(work, "huge-out")
        remove(archive)
        log(f"  memory: packing {file}")
        pack_time, pack_rss = measure([zipbench, "pack", archive, source], None, 1)
        log(f"  memory: unpacking {file}")
        unpack_time, unpack_rss = measure([zipbench, "unpack", archive, target], None, 1, before=lambda: remove(target))
        results.append((file, pack_time, pack_rss, os.path.getsize(archive), unpack_time, unpack_rss))
        remove(target)
        remove(archive)
    return results


# ---------------------------------------------------------------- report

def table(results, sizes, memory):
    lines = []
    out = lines.append
    out("| data | tool | pack s | archive MB | ratio | pack vs 7z | pack vs zip | size vs zip "
        "| unpack bzip2 s | vs 7z x | unpack deflate s | vs 7z x | peak MB pack / unpack |")
    out("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for name, _, title in DATASETS:
        if name not in results:
            continue
        rows = results[name]
        seven, info = rows["7-Zip (2 threads)"], rows["Info-ZIP zip"]
        total, count = sizes[name]
        for tool in TOOLS:
            r = rows[tool]
            out(f"| {title} ({total / MB:.0f} MB, {count} files) | {tool} | {r['pack']:.2f} | {r['size'] / MB:.2f} "
                f"| {r['size'] / total:.3f} | {r['pack'] / seven['pack']:.2f}x | {r['pack'] / info['pack']:.2f}x "
                f"| {r['size'] / info['size']:.3f} | {r['bzip2']:.2f} | {r['bzip2'] / seven['bzip2']:.2f}x "
                f"| {r['deflate']:.2f} | {r['deflate'] / seven['deflate']:.2f}x "
                f"| {r['pack_rss']:.0f} / {r['unpack_rss']:.0f} |")
        if LBZIP2 in rows:
            r = rows[LBZIP2]
            out(f"| {title} ({total / MB:.0f} MB, {count} files) | {LBZIP2} | {r['pack']:.2f} | {r['size'] / MB:.2f} "
                f"| {r['size'] / total:.3f} | {r['pack'] / seven['pack']:.2f}x | {r['pack'] / info['pack']:.2f}x "
                f"| {r['size'] / info['size']:.3f} | - | - | - | - | {r['pack_rss']:.0f} / - |")
    if memory:
        out("")
        out("| 1 GiB file (Tavoline core) | pack s | peak MB | archive MB | unpack s | peak MB |")
        out("|---|---:|---:|---:|---:|---:|")
        for file, pack_time, pack_rss, size, unpack_time, unpack_rss in memory:
            out(f"| {file} | {pack_time:.1f} | {pack_rss:.0f} | {size / MB:.1f} | {unpack_time:.1f} | {unpack_rss:.0f} |")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--zipbench", required=True)
    parser.add_argument("--work", default="/dev/shm/tavoline-bench")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--only", action="append", help="datasets to run (tree, bigfile, tiny, compressed)")
    parser.add_argument("--no-memory", action="store_true", help="skip the 1 GiB memory check")
    args = parser.parse_args()

    corpus = os.path.join(args.work, "corpus")
    work = os.path.join(args.work, "out")
    build_corpus(corpus)
    os.makedirs(work, exist_ok=True)
    results, sizes = {}, {}
    for name, path, _ in DATASETS:
        if args.only and name not in args.only:
            continue
        source = os.path.join(corpus, path)
        sizes[name] = data_size(source)
        log(f"{name}: {sizes[name][0] / MB:.1f} MB in {sizes[name][1]} files")
        results[name] = bench_dataset(name, source, args.zipbench, work, args.runs)
        log(table(results, sizes, []))  # so far, should the run be cut short
    memory = [] if args.no_memory else memory_check(args.zipbench, corpus, work)
    print(table(results, sizes, memory))


if __name__ == "__main__":
    main()
