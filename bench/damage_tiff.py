"""Damages the strips of a sound striped TIFF, leaving its header and IFD intact,
so that the file opens and its size reads, and only reading the pixels fails.

    damage_tiff.py cut|flip SEED IN.tif OUT.tif

cut:  the strips from the middle on claim a third of their bytes, so the
      decoder runs out of data inside them;
flip: a few bits of the strips' data are flipped, in the later half of the
      picture, the same ones for the same seed.
"""
import random
import struct
import sys

SHORT, LONG = 3, 4


def strip_entries(data):
    """The IFD entries of the strip offsets and byte counts: (tag, type, count, where the values are)."""
    order = {b"II": "<", b"MM": ">"}[bytes(data[:2])]
    (ifd,) = struct.unpack_from(order + "I", data, 4)
    (count,) = struct.unpack_from(order + "H", data, ifd)
    entries = {}
    for i in range(count):
        at = ifd + 2 + 12 * i
        tag, kind, values = struct.unpack_from(order + "HHI", data, at)
        if tag in (273, 279):
            size = (2 if kind == SHORT else 4) * values
            where = at + 8 if size <= 4 else struct.unpack_from(order + "I", data, at + 8)[0]
            entries[tag] = (kind, values, where)
    return order, entries


def read_values(data, order, entry):
    kind, count, where = entry
    code = "H" if kind == SHORT else "I"
    return list(struct.unpack_from(order + code * count, data, where))


def write_values(data, order, entry, values):
    kind, count, where = entry
    code = "H" if kind == SHORT else "I"
    struct.pack_into(order + code * count, data, where, *values)


def main():
    how, seed, source, target = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
    data = bytearray(open(source, "rb").read())
    order, entries = strip_entries(data)
    offsets = read_values(data, order, entries[273])
    counts = read_values(data, order, entries[279])
    if len(offsets) < 2:
        sys.exit(f"{source}: one strip only; make it with several")
    middle = len(counts) // 2
    if how == "cut":
        write_values(data, order, entries[279], counts[:middle] + [max(1, c // 3) for c in counts[middle:]])
    else:
        chances = random.Random(seed)
        for _ in range(6):
            strip = chances.randrange(middle, len(offsets))
            at = offsets[strip] + chances.randrange(counts[strip])
            data[at] ^= 1 << chances.randrange(8)
    open(target, "wb").write(data)


if __name__ == "__main__":
    main()
