#!/usr/bin/python3
"""A small writer for the HEIF files the tests need and no tool here makes.

  heif_boxes.py grid IN OUT COLUMNS ROWS WIDTH HEIGHT
      IN holds COLUMNS x ROWS images of one size in reading order (heif-enc writes
      one for each input); OUT shows them as one grid image of WIDTH x HEIGHT, the
      tiles hidden, as phones write their photos.
  heif_boxes.py nclx IN OUT PRIMARIES TRANSFER MATRIX FULL_RANGE
      OUT is IN with an nclx colour box on its primary image (heif-enc codes
      with the nclx values it is given but does not write the box).
  heif_boxes.py turn IN OUT ROTATION [MIRROR]
      OUT is IN with its primary image turned ROTATION quarter turns to the left
      (irot) and mirrored (imir: 0 about the vertical axis, 1 the horizontal).

The meta box is written anew; every other box stays as it was, with the item
locations moved by the change in the meta box's size.
"""
import struct
import sys


def boxes(data, start=0, end=None):
    end = len(data) if end is None else end
    while start + 8 <= end:
        size, kind = struct.unpack('>I4s', data[start:start + 8])
        head = 8
        if size == 1:
            size, head = struct.unpack('>Q', data[start + 8:start + 16])[0], 16
        elif size == 0:
            size = end - start
        yield kind.decode('latin-1'), start, start + head, start + size
        start += size


def box(kind, payload, version=None, flags=0):
    if version is not None:
        payload = struct.pack('>I', version << 24 | flags) + payload
    return struct.pack('>I4s', 8 + len(payload), kind.encode()) + payload


def uint(data, at, size):
    return int.from_bytes(data[at:at + size], 'big') if size else 0


class Meta:
    def __init__(self, data, body, end):
        self.children = {k: data[s:e] for k, s, b, e in boxes(data, body + 4, end)}
        self.order = [k for k, s, b, e in boxes(data, body + 4, end)]
        self.primary = uint(self.children['pitm'], 12, 2)
        self.read_iloc(self.children['iloc'])
        self.read_iinf(self.children['iinf'])
        self.read_iprp(self.children['iprp'])
        self.refs = []
        if 'iref' in self.children:
            iref = self.children['iref']
            self.refs = [iref[s:e] for k, s, b, e in boxes(iref, 12)]

    def read_iloc(self, iloc):
        version = iloc[8]
        sizes = iloc[12] << 8 | iloc[13]
        offset_size, length_size, base_size = sizes >> 12, sizes >> 8 & 15, sizes >> 4 & 15
        index_size = sizes & 15 if version else 0
        at, id_size = 14, 4 if version == 2 else 2
        count = uint(iloc, at, id_size if version == 2 else 2)
        at += id_size if version == 2 else 2
        self.locations = {}
        for _ in range(count):
            item = uint(iloc, at, id_size)
            at += id_size
            method = 0
            if version:
                method = uint(iloc, at, 2) & 15
                at += 2
            at += 2  # data reference index
            base = uint(iloc, at, base_size)
            at += base_size
            extents = []
            for _ in range(uint(iloc, at, 2)):
                at += 2 + index_size
                offset = uint(iloc, at, offset_size)
                length = uint(iloc, at + offset_size, length_size)
                at += offset_size + length_size
                extents.append((base + offset, length))
            self.locations[item] = (method, extents)

    def read_iinf(self, iinf):
        version = iinf[8]
        start = 12 + (2 if version == 0 else 4)
        self.items = [bytearray(iinf[s:e]) for k, s, b, e in boxes(iinf, start)]

    def read_iprp(self, iprp):
        for k, s, b, e in boxes(iprp, 8):
            if k == 'ipco':
                self.properties = [iprp[ps:pe] for pk, ps, pb, pe in boxes(iprp, b, e)]
            if k == 'ipma':
                self.read_ipma(iprp[s:e])

    def read_ipma(self, ipma):
        version, flags = ipma[8], uint(ipma, 9, 3)
        at, self.associations = 16, {}
        for _ in range(uint(ipma, 12, 4)):
            item = uint(ipma, at, 2 if version < 1 else 4)
            at += 2 if version < 1 else 4
            count, at = ipma[at], at + 1
            wide = flags & 1
            values = []
            for _ in range(count):
                value = uint(ipma, at, 2 if wide else 1)
                at += 2 if wide else 1
                values.append((bool(value >> (15 if wide else 7)), value & (0x7FFF if wide else 0x7F)))
            self.associations[item] = values

    def item_ids(self, kind):
        ids = []
        for infe in self.items:
            version = infe[8]
            id_size = 2 if version < 3 else 4
            item = uint(infe, 12, id_size)
            if infe[12 + id_size + 2:12 + id_size + 6].decode('latin-1') == kind:
                ids.append(item)
        return ids

    def hide(self, item):
        for infe in self.items:
            if uint(infe, 12, 2 if infe[8] < 3 else 4) == item:
                infe[11] |= 1

    def add_property(self, item, prop, essential=True):
        self.properties.append(prop)
        self.associations.setdefault(item, []).append((essential, len(self.properties)))

    def write(self, shift, extra_locations):
        entries = b''
        locations = dict(self.locations)
        locations.update(extra_locations)
        # Items in the file move with the meta box; those in its idat box do not.
        for item, (method, extents) in sorted(locations.items()):
            entries += struct.pack('>HHHH', item, method, 0, len(extents))
            for offset, length in extents:
                entries += struct.pack('>II', offset + (shift if method == 0 else 0), length)
        iloc = box('iloc', struct.pack('>BBH', 0x44, 0x00, len(locations)) + entries, 1)
        iinf = box('iinf', struct.pack('>H', len(self.items)) + b''.join(self.items), 0)
        ipma = b''
        for item, values in sorted(self.associations.items()):
            ipma += struct.pack('>HB', item, len(values))
            ipma += b''.join(struct.pack('>H', (0x8000 if e else 0) | i) for e, i in values)
        iprp = box('iprp', box('ipco', b''.join(self.properties)) +
                   box('ipma', struct.pack('>I', len(self.associations)) + ipma, 0, 1))
        made = {'pitm': box('pitm', struct.pack('>H', self.primary), 0), 'iloc': iloc, 'iinf': iinf,
                'iprp': iprp, 'iref': box('iref', b''.join(self.refs), 0)}
        order = self.order + (['iref'] if 'iref' not in self.order and self.refs else [])
        return box('meta', b''.join(made.get(k, self.children.get(k)) for k in order), 0)


def rewrite(data, change):
    parts = list(boxes(data))
    meta_at = [i for i, p in enumerate(parts) if p[0] == 'meta'][0]
    kind, start, body, end = parts[meta_at]
    meta = Meta(data, body, end)
    tail = bytearray()
    # Locations as in the old file; data added goes in a box after its end.
    extra = change(meta, len(data), tail)
    shift = len(meta.write(0, extra)) - (end - start)
    return data[:start] + meta.write(shift, extra) + data[end:] + bytes(tail)


def referenced(meta):
    """The items another item is made of (the tiles of a coder's own grids)."""
    ids = set()
    for ref in meta.refs:
        if ref[4:8] == b'dimg':
            count = uint(ref, 10, 2)
            ids.update(uint(ref, 12 + 2 * i, 2) for i in range(count))
    return ids


def grid(meta, file_size, tail, columns, rows, width, height):
    tiles = [i for i in meta.item_ids('hvc1') + meta.item_ids('av01') + meta.item_ids('grid')
             if i not in referenced(meta)]
    assert len(tiles) == columns * rows, f'{len(tiles)} images for {columns}x{rows} tiles'
    new = max(max(meta.locations), max(tiles)) + 1
    descriptor = struct.pack('>BBBBHH', 0, 0, rows - 1, columns - 1, width, height)
    tail += box('mdat', descriptor)
    meta.items.append(bytearray(box('infe', struct.pack('>HH4s', new, 0, b'grid') + b'\0', 2)))
    meta.refs.append(box('dimg', struct.pack('>HH', new, len(tiles)) + b''.join(struct.pack('>H', t) for t in tiles)))
    for tile in tiles:
        meta.hide(tile)
    meta.add_property(new, box('ispe', struct.pack('>II', width, height), 0), False)
    # The tiles' colours are the grid's.
    for essential, index in meta.associations.get(tiles[0], []):
        if meta.properties[index - 1][4:8] in (b'colr', b'pixi'):
            meta.associations[new].append((essential, index))
    meta.primary = new
    return {new: (0, [(file_size + 8, len(descriptor))])}


def turn(meta, file_size, tail, rotation, mirror=None):
    meta.add_property(meta.primary, box('irot', bytes([rotation & 3])))
    if mirror is not None:
        meta.add_property(meta.primary, box('imir', bytes([mirror & 1])))
    return {}


def nclx(meta, file_size, tail, primaries, transfer, matrix, full_range):
    meta.add_property(meta.primary, box('colr', b'nclx' + struct.pack('>HHHB', primaries, transfer, matrix,
                                                                        full_range << 7)), False)
    return {}


def main(argv):
    action, source, target = argv[1], argv[2], argv[3]
    numbers = [int(a) for a in argv[4:]]
    data = open(source, 'rb').read()
    if action == 'grid':
        made = rewrite(data, lambda meta, size, tail: grid(meta, size, tail, *numbers))
    elif action == 'nclx':
        made = rewrite(data, lambda meta, size, tail: nclx(meta, size, tail, *numbers))
    else:
        made = rewrite(data, lambda meta, size, tail: turn(meta, size, tail, *numbers))
    open(target, 'wb').write(made)


if __name__ == '__main__':
    main(sys.argv)
