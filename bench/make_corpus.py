#!/usr/bin/env python3
"""Writes a corpus of COUNT files adding up to exactly MIB MiB into OUT_DIR.

usage: make_corpus.py OUT_DIR MIB COUNT

The files are named fileNNN.txt, fileNNN.bin and fileNNN.dat in turn:
  .txt  lines of words, numbers and punctuation (compresses as prose does);
  .bin  tables of little-endian columns: counters, slowly moving time
        stamps and readings, a few flag values (compresses as data does);
  .dat  random bytes (does not compress).
Sizes vary from file to file. The same arguments always give the same
bytes: every choice comes from a generator seeded by the arguments alone.
OUT_DIR is created; it must not already hold files.
"""
import array
import itertools
import os
import random
import struct
import sys

KINDS = ("txt", "bin", "dat")

WORDS = (
    "the of and to in is that for it as was with be by on not he this are or his from at which "
    "but have an they you were her she there been one all we their has would when if so no will "
    "more can out other what up into only them some time could these two may then first any "
    "new like than now its also people our over such year after most made between many through "
    "archive package folder extract compress header payload entry agent window build setting "
    "version release signature offset length buffer stream block record table column value "
    "message title password option program library resource icon manual page button "
    "Windows Debian Monday October north river station market engine number report"
).split()
PUNCTUATION = (" ", " ", " ", " ", " ", " ", ", ", ". ", "; ", ": ")


def sizes_for(total, count, rng):
    """COUNT sizes between about a quarter and seven quarters of the mean,
    adding up to exactly TOTAL."""
    weights = [rng.uniform(0.25, 1.75) for _ in range(count)]
    scale = total / sum(weights)
    sizes = [int(w * scale) for w in weights]
    sizes[-1] += total - sum(sizes)
    return sizes


def text_bytes(size, rng):
    out = bytearray()
    line = 0
    while len(out) < size:
        # One paragraph: about 4000 words, lines of 8 to 16 of them.
        words = rng.choices(WORDS, k=4000)
        marks = rng.choices(PUNCTUATION, k=4000)
        parts = []
        start = 0
        while start < len(words):
            n = rng.randint(8, 16)
            line += 1
            chunk = words[start:start + n]
            sep = marks[start:start + n]
            parts.append("%d %s\r\n" % (line, "".join(w + s for w, s in zip(chunk, sep)).rstrip()))
            start += n
        out += "".join(parts).encode("ascii")
    return bytes(out[:size])


def table_bytes(size, rng):
    """Blocks of 4096 rows: a small header, then one column after another."""
    out = bytearray()
    row = 0
    stamp = 1_700_000_000
    reading = 0
    rows = 4096
    while len(out) < size:
        ids = array.array("I", range(row, row + rows))
        stamps = array.array("I", itertools.accumulate(
            rng.choices((1, 1, 1, 2, 5, 60), k=rows), initial=stamp))[1:]
        readings = array.array("h", (max(-32768, min(32767, v)) for v in itertools.accumulate(
            rng.choices((-3, -1, 0, 0, 1, 3), k=rows), initial=reading)))[1:]
        flags = bytes(rng.choices((0, 0, 0, 1, 4, 0x80), k=rows))
        for column in (ids, stamps, readings):
            if sys.byteorder != "little":
                column.byteswap()
        out += struct.pack("<4sIII", b"TBL1", row, rows, stamps[0])
        out += ids.tobytes() + stamps.tobytes() + readings.tobytes() + flags
        row += rows
        stamp = stamps[-1]
        reading = readings[-1]
    return bytes(out[:size])


def random_bytes(size, rng):
    return rng.randbytes(size)


MAKERS = {"txt": text_bytes, "bin": table_bytes, "dat": random_bytes}


def make_corpus(out_dir, mib, count):
    total = round(mib * 1024 * 1024)
    seed = "packforge-corpus/%d/%d" % (total, count)
    sizes = sizes_for(total, count, random.Random(seed))
    os.makedirs(out_dir, exist_ok=True)
    if os.listdir(out_dir):
        raise ValueError("%s already holds files" % out_dir)
    width = max(3, len(str(count - 1)))
    for i, size in enumerate(sizes):
        kind = KINDS[i % len(KINDS)]
        data = MAKERS[kind](size, random.Random("%s/%d" % (seed, i)))
        with open(os.path.join(out_dir, "file%0*d.%s" % (width, i, kind)), "wb") as f:
            f.write(data)


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    try:
        mib = float(argv[2])
        count = int(argv[3])
        if mib < 0 or count < 1:
            raise ValueError("MIB must be 0 or more and COUNT 1 or more")
        make_corpus(argv[1], mib, count)
    except ValueError as e:
        sys.stderr.write("make_corpus: %s\n" % e)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
