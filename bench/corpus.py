"""The benchmark's data: a source tree, one large file, many tiny files and already compressed data,
built once from what the machine's packages installed (rebuilt when CORPUS_VERSION changes)."""
import os
import random
import shutil
import sys

CORPUS_VERSION = "3"
MB = 1000 * 1000


def log(text):
    print(text, file=sys.stderr, flush=True)


def regular_files(roots):
    for root in roots:
        for folder, dirs, files in os.walk(root):
            dirs.sort()
            for name in sorted(files):
                path = os.path.join(folder, name)
                if os.path.isfile(path) and not os.path.islink(path):
                    yield path


def copy_until(paths, target, limit, relative_to):
    total = 0
    for path in paths:
        size = os.path.getsize(path)
        if size == 0 or total + size > limit:
            continue
        destination = os.path.join(target, os.path.relpath(path, relative_to(path)))
        os.makedirs(os.path.dirname(destination), exist_ok=True)
        shutil.copyfile(path, destination)
        total += size
        if total > limit - 64 * 1024:
            break
    return total


def build_corpus(corpus):
    stamp = os.path.join(corpus, "VERSION")
    if os.path.exists(stamp) and open(stamp).read() == CORPUS_VERSION:
        return
    log(f"building the corpus in {corpus}")
    shutil.rmtree(corpus, ignore_errors=True)
    os.makedirs(corpus)

    # A source tree of about 100 MB: C headers (libc6-dev, linux-libc-dev and the other -dev packages),
    # then Python's and Perl's own modules.
    roots = [r for r in ("/usr/include", "/usr/lib/python3", "/usr/share/perl", "/usr/share/perl5")
             if os.path.isdir(r)]
    tree = os.path.join(corpus, "tree", "src")
    owner = lambda p: os.path.dirname(next(r for r in roots if p.startswith(r + "/")))
    copy_until(regular_files(roots), tree, 100 * MB, owner)

    # One file of about 100 MB: the tree's files one after another.
    big = os.path.join(corpus, "bigfile", "sources.txt")
    os.makedirs(os.path.dirname(big))
    with open(big, "wb") as out:
        written = 0
        for path in regular_files([tree]):
            data = open(path, "rb").read()[: 100 * MB - written]
            out.write(data)
            written += len(data)
            if written >= 100 * MB:
                break

    # 20,000 tiny files (20 to 2000 bytes) in 100 folders, cut from that file with a fixed seed.
    rng = random.Random(7)
    text = open(big, "rb").read(20 * MB)
    tiny = os.path.join(corpus, "tiny", "files")
    for i in range(20000):
        folder = os.path.join(tiny, f"d{i // 200:03d}")
        os.makedirs(folder, exist_ok=True)
        start, length = rng.randrange(len(text) - 2000), rng.randrange(20, 2000)
        with open(os.path.join(folder, f"f{i:05d}.txt"), "wb") as out:
            out.write(text[start:start + length])

    # Data that is already compressed: gzip'ed manual pages and documentation, PNG and JPEG images.
    compressed = os.path.join(corpus, "compressed", "data")
    packed = (p for p in regular_files(["/usr/share"]) if p.endswith((".gz", ".png", ".jpg", ".jpeg")))
    copy_until(packed, compressed, 60 * MB, lambda p: "/usr/share")

    # The memory check: 1 GiB of text (the big file over and over) and 1 GiB of zeros (a sparse file).
    huge = os.path.join(corpus, "huge")
    os.makedirs(huge)
    chunk = open(big, "rb").read()
    with open(os.path.join(huge, "text.bin"), "wb") as out:
        remaining = 1 << 30
        while remaining > 0:
            out.write(chunk[:remaining])
            remaining -= min(remaining, len(chunk))
    with open(os.path.join(huge, "zeros.bin"), "wb") as out:
        out.truncate(1 << 30)
    open(stamp, "w").write(CORPUS_VERSION)


def data_size(path):
    if os.path.isfile(path):
        return os.path.getsize(path), 1
    total = count = 0
    for file in regular_files([path]):
        total += os.path.getsize(file)
        count += 1
    return total, count
