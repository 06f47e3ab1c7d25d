"""Reads the files packed in a Qt resource (.rcc) archive."""
import struct
import zlib


def members(blob):
    """Yields (path, bytes) for each file in the archive."""
    magic, version, tree, data, names = struct.unpack('>4sIIII', blob[:20])
    if magic != b'qres':
        raise ValueError('not a Qt resource archive')
    node_size = 22 if version >= 2 else 14

    def name_at(off):
        length, = struct.unpack('>H', blob[names + off:names + off + 2])
        start = names + off + 6
        return blob[start:start + 2 * length].decode('utf-16-be')

    def walk(index, prefix):
        base = tree + index * node_size
        name_off, flags = struct.unpack('>IH', blob[base:base + 6])
        name = name_at(name_off) if index else ''
        path = prefix + '/' + name if index else ''
        if flags & 2:
            count, first = struct.unpack('>II', blob[base + 6:base + 14])
            for child in range(first, first + count):
                yield from walk(child, path)
            return
        off, = struct.unpack('>I', blob[base + 10:base + 14])
        size, = struct.unpack('>I', blob[data + off:data + off + 4])
        body = blob[data + off + 4:data + off + 4 + size]
        if flags & 1:
            body = zlib.decompress(body[4:])
        elif flags & 4:
            return  # zstd-packed members: none of the pictures we use
        yield path, body

    yield from walk(0, '')
