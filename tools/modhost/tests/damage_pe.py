#!/usr/bin/env python3
"""Writes damaged copies of a good PE32 DLL, one fault each, for modhost's
bad-input cases: the loader must refuse every one with one clear line.

Usage: damage_pe.py GOOD_DLL OUTPUT_DIR
Writes OUTPUT_DIR/<name>.dll for each damage below.
"""
import os
import struct
import sys

DIRECTORY_IMPORT = 1
DIRECTORY_RELOCATION = 5


class Layout:
    """Where the headers and tables of the good DLL are."""

    def __init__(self, data):
        (self.pe,) = struct.unpack_from("<I", data, 0x3C)
        if data[:2] != b"MZ" or data[self.pe : self.pe + 4] != b"PE\0\0":
            raise SystemExit("damage_pe.py: the input is not a PE image")
        self.coff = self.pe + 4
        (self.section_count,) = struct.unpack_from("<H", data, self.coff + 2)
        (optional_size,) = struct.unpack_from("<H", data, self.coff + 16)
        self.optional = self.coff + 20
        self.size_of_image_at = self.optional + 56
        self.directories = self.optional + 96
        self.section_table = self.optional + optional_size
        self.sections = []
        for i in range(self.section_count):
            header = self.section_table + 40 * i
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, header + 8)
            self.sections.append((rva, max(virtual_size, raw_size), raw_offset))

    def directory_at(self, index):
        return self.directories + 8 * index

    def file_offset(self, data, rva):
        for start, size, raw_offset in self.sections:
            if start <= rva < start + size:
                return raw_offset + rva - start
        raise SystemExit("damage_pe.py: RVA %#x is in no section" % rva)

    def table_offset(self, data, index):
        (rva,) = struct.unpack_from("<I", data, self.directory_at(index))
        if rva == 0:
            raise SystemExit("damage_pe.py: the input has no table %d" % index)
        return self.file_offset(data, rva)


def put16(data, offset, value):
    struct.pack_into("<H", data, offset, value)


def put32(data, offset, value):
    struct.pack_into("<I", data, offset, value)


def size_of_image(data, layout):
    return struct.unpack_from("<I", data, layout.size_of_image_at)[0]


# Each damage changes a copy of the good bytes in place and may return a
# shorter copy instead.
DAMAGES = {
    # An "MZ" file whose PE signature is gone.
    "not-pe": lambda d, l: put32(d, l.pe, 0x5858),  # "XX\0\0"
    # The optional header of a 64-bit image.
    "pe32plus": lambda d, l: put16(d, l.optional, 0x20B),
    # An ARM Thumb image.
    "arm": lambda d, l: put16(d, l.coff, 0x1C4),
    # Cut inside the optional header.
    "headers-cut": lambda d, l: d[: l.optional + 16],
    # Cut in half: the headers are whole, the sections' data is not.
    "truncated": lambda d, l: d[: len(d) // 2],
    # No sections at all.
    "no-sections": lambda d, l: put16(d, l.coff + 2, 0),
    # An image size too small for the sections it declares.
    "small-image": lambda d, l: put32(d, l.size_of_image_at, 0x1000),
    # The import table's place in the directory points past the image.
    "imports-outside": lambda d, l: put32(d, l.directory_at(DIRECTORY_IMPORT), size_of_image(d, l)),
    # The first import's library name points far outside the image.
    "import-name-outside": lambda d, l: put32(d, l.table_offset(d, DIRECTORY_IMPORT) + 12, 0x7FFFFFF0),
    # The first relocation block names a page far outside the image.
    "relocation-outside": lambda d, l: put32(d, l.table_offset(d, DIRECTORY_RELOCATION), 0x7FFF0000),
}


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    good_path, output_dir = sys.argv[1:]
    with open(good_path, "rb") as file:
        good = file.read()
    layout = Layout(good)
    os.makedirs(output_dir, exist_ok=True)
    for name, damage in DAMAGES.items():
        data = bytearray(good)
        shorter = damage(data, layout)
        if isinstance(shorter, (bytes, bytearray)):
            data = shorter
        with open(os.path.join(output_dir, name + ".dll"), "wb") as file:
            file.write(data)


if __name__ == "__main__":
    main()
