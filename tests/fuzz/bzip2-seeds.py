# Seeds for the bzip2 decoder's fuzz target: small bzip2 streams, and the same blocks' bodies (the
# bits after the block magic and CRC, which start on a byte boundary in a stream's first block).
#   python3 bzip2-seeds.py FOLDER
import bz2
import os
import random
import sys

folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
rng = random.Random(1)
texts = [
    b"",
    b"x",
    b"aaaa",
    b"aaaaa" + b"b" * 300,
    bytes(range(256)),
    b"seed text, seed text, some more seed text\n" * 20,
    bytes(rng.choice(b"abcdefgh \n") for _ in range(3000)),
    bytes(rng.randrange(256) for _ in range(2000)),
    bytes(rng.choice([0, 0, 0, 0, 1, 1, 2, 7, 200]) for _ in range(4000)),
]
for index, text in enumerate(texts):
    for level in (1, 9):
        stream = bz2.compress(text, level)
        with open(os.path.join(folder, "stream-%d-%d" % (index, level)), "wb") as out:
            out.write(stream)
        if len(stream) > 14 and stream[4:10] == bytes.fromhex("314159265359"):
            with open(os.path.join(folder, "body-%d-%d" % (index, level)), "wb") as out:
                out.write(stream[14:])
