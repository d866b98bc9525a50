#!/usr/bin/env python3
"""Packs a page's enhanced metafile into the raw DEFLATE stream the manual printer ships.

    pack_page.py PAGE.emf PAGE.bin

Wine's GDI records a font with stack garbage after the ends of its names and in the record's padding;
those bytes are cleared, so that the same page gives the same stream on every run. A stream equal to the
shipped one leaves the file and its time alone, so that the manual printer is not rebuilt for it.
"""
import struct
import sys
import zlib

EMR_EXTCREATEFONTINDIRECTW = 82
# EXTLOGFONTW within the record: face name, full name and style, as (offset, bytes); its size with padding.
NAMES = ((40, 64), (104, 128), (232, 64))
EXTLOGFONT_RECORD = 332


def cleared(emf):
    data = bytearray(emf)
    offset = 0
    while offset + 8 <= len(data):
        kind, size = struct.unpack_from('<II', data, offset)
        if size < 8 or offset + size > len(data):
            sys.exit(f'pack_page: a record at {offset} runs past the end of the metafile')
        if kind == EMR_EXTCREATEFONTINDIRECTW and size >= EXTLOGFONT_RECORD:
            for start, cb in NAMES:
                name = offset + start
                end = name
                while end < name + cb and data[end:end + 2] != b'\0\0':
                    end += 2
                data[end:name + cb] = bytes(name + cb - end)
            if size == EXTLOGFONT_RECORD:
                data[offset + 330:offset + 332] = b'\0\0'
        offset += size
    return bytes(data)


def main(emf_path, bin_path):
    data = cleared(open(emf_path, 'rb').read())
    packer = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
    stream = packer.compress(data) + packer.flush()
    assert zlib.decompress(stream, -15) == data
    try:
        old = open(bin_path, 'rb').read()
    except FileNotFoundError:
        old = None
    if old == stream:
        print(f'{bin_path}: unchanged')
        return
    open(bin_path, 'wb').write(stream)
    print(f'{bin_path}: {len(data)} -> {len(stream)} bytes')


if __name__ == '__main__':
    main(*sys.argv[1:3])
