#!/usr/bin/env python3
"""Writes a GIF file from a binary PPM picture with exact header fields.

ImageMagick draws and reduces the colours; this writer decides the parts of
the file the program depends on: the GIF version, the size of the global
colour table, and which index (if any) is the transparent one.

usage: gif_writer.py IN.ppm OUT.gif --version 89a|87a --table 256|8
                     [--transparent INDEX --transparent-colour R,G,B]
"""
import argparse
import sys


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while data[pos:pos + 1] not in (b"\n", b""):
                pos += 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    if fields[0] != b"P6" or int(fields[3]) != 255:
        sys.exit(f"{path}: not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:pos + 1 + width * height * 3]
    if len(pixels) != width * height * 3:
        sys.exit(f"{path}: picture data too short")
    return width, height, [tuple(pixels[i:i + 3]) for i in range(0, len(pixels), 3)]


def build_palette(pixels, table_size, transparent, transparent_colour):
    palette = [None] * table_size
    if transparent is not None:
        palette[transparent] = transparent_colour
    free = (i for i in range(table_size) if palette[i] is None)
    index_of = {}
    if transparent is not None:
        index_of[transparent_colour] = transparent
    for colour in pixels:
        if colour not in index_of:
            try:
                slot = next(free)
            except StopIteration:
                sys.exit(f"more than {table_size} colours; reduce them first")
            palette[slot] = colour
            index_of[colour] = slot
    return [c if c is not None else (0, 0, 0) for c in palette], [index_of[c] for c in pixels]


def lzw(indices, min_code_size):
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, bit_buffer, bit_count = bytearray(), 0, 0

    def emit(code, width):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def fresh_table():
        return {(i,): i for i in range(clear)}

    table, next_code, width = fresh_table(), end + 1, min_code_size + 1
    emit(clear, width)
    prefix = ()
    for index in indices:
        candidate = prefix + (index,)
        if candidate in table:
            prefix = candidate
            continue
        emit(table[prefix], width)
        if next_code < 4096:
            table[candidate] = next_code
            # The decoder widens its codes one code later than we add them.
            if next_code == (1 << width) and width < 12:
                width += 1
            next_code += 1
        else:
            emit(clear, width)
            table, next_code, width = fresh_table(), end + 1, min_code_size + 1
        prefix = (index,)
    if prefix:
        emit(table[prefix], width)
    emit(end, width)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("ppm")
    parser.add_argument("gif")
    parser.add_argument("--version", choices=["89a", "87a"], required=True)
    parser.add_argument("--table", type=int, choices=[8, 256], required=True)
    parser.add_argument("--transparent", type=int)
    parser.add_argument("--transparent-colour")
    args = parser.parse_args()
    if args.transparent is not None and args.version != "89a":
        sys.exit("only GIF89a files carry a transparent index")
    colour = tuple(int(v) for v in args.transparent_colour.split(",")) if args.transparent_colour else None

    width, height, pixels = read_ppm(args.ppm)
    palette, indices = build_palette(pixels, args.table, args.transparent, colour)
    bits = args.table.bit_length() - 1
    min_code_size = max(2, bits)

    gif = bytearray(b"GIF" + args.version.encode())
    gif += width.to_bytes(2, "little") + height.to_bytes(2, "little")
    gif += bytes([0x80 | ((bits - 1) << 4) | (bits - 1), 0, 0])
    for r, g, b in palette:
        gif += bytes([r, g, b])
    if args.transparent is not None:
        gif += bytes([0x21, 0xF9, 4, 0x01, 0, 0, args.transparent, 0])
    gif += bytes([0x2C, 0, 0, 0, 0]) + width.to_bytes(2, "little") + height.to_bytes(2, "little") + bytes([0])
    gif += bytes([min_code_size]) + sub_blocks(lzw(indices, min_code_size))
    gif += b"\x3B"
    with open(args.gif, "wb") as f:
        f.write(gif)


if __name__ == "__main__":
    main()
