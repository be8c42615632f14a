#!/usr/bin/env python3
"""Checks a plug-in DLL's PE headers as the host will see them.

A plug-in must be a PE32 image for i386 marked as a DLL, whose export table
gives the library name "Module.dll" and holds exactly the undecorated names
getModuleProperties (ordinal 1) and makeModule (ordinal 2), and which imports
only from the system DLLs KERNEL32.dll and msvcrt.dll.

Usage: check_plugin_pe.py DLL...
       check_plugin_pe.py --expect-failure TEXT DLL
The second form succeeds only when the check fails with a message containing
TEXT: it proves the checker catches a broken plug-in.
"""
import struct
import sys

EXPECTED_EXPORTS = {"getModuleProperties": 1, "makeModule": 2}
EXPECTED_LIBRARY_NAME = "Module.dll"
ALLOWED_IMPORTS = {"kernel32.dll", "msvcrt.dll"}
MACHINE_I386 = 0x14C
CHARACTERISTIC_DLL = 0x2000
PE32_MAGIC = 0x10B


class PeError(Exception):
    pass


class PeImage:
    def __init__(self, data):
        self.data = data
        if len(data) < 0x40 or data[:2] != b"MZ":
            raise PeError("not a PE file: no MZ header")
        (pe_offset,) = self.unpack("<I", 0x3C)
        if self.read(pe_offset, 4) != b"PE\0\0":
            raise PeError("not a PE file: no PE signature")
        machine, sections, _, _, _, optional_size, characteristics = self.unpack("<HHIIIHH", pe_offset + 4)
        self.machine = machine
        self.characteristics = characteristics
        optional = pe_offset + 24
        (self.magic,) = self.unpack("<H", optional)
        if self.magic != PE32_MAGIC:
            raise PeError("not a PE32 image (optional header magic 0x%x)" % self.magic)
        (directory_count,) = self.unpack("<I", optional + 92)
        self.directories = [self.unpack("<II", optional + 96 + 8 * i) for i in range(min(directory_count, 16))]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, virtual_size, virtual_address, raw_size, raw_offset = self.unpack("<8sIIII", table + 40 * i)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_offset, raw_size))

    def read(self, offset, size):
        if offset < 0 or offset + size > len(self.data):
            raise PeError("truncated: read of %d bytes at 0x%x is outside the file" % (size, offset))
        return self.data[offset:offset + size]

    def unpack(self, layout, offset):
        return struct.unpack(layout, self.read(offset, struct.calcsize(layout)))

    def offset_of(self, rva):
        for virtual_address, size, raw_offset, raw_size in self.sections:
            if virtual_address <= rva < virtual_address + size and rva - virtual_address < raw_size:
                return raw_offset + rva - virtual_address
        raise PeError("address 0x%x lies in no section" % rva)

    def text_at(self, rva):
        start = self.offset_of(rva)
        end = self.data.find(b"\0", start)
        if end < 0:
            raise PeError("unterminated name at 0x%x" % rva)
        return self.data[start:end].decode("latin-1")

    def exports(self):
        rva, size = self.directories[0] if self.directories else (0, 0)
        if rva == 0:
            return None, {}, 0
        _, _, _, _, name_rva, base, functions, names, _, names_rva, ordinals_rva = self.unpack(
            "<IIHHIIIIIII", self.offset_of(rva))
        by_name = {}
        for i in range(names):
            (entry,) = self.unpack("<I", self.offset_of(names_rva) + 4 * i)
            (ordinal_index,) = self.unpack("<H", self.offset_of(ordinals_rva) + 2 * i)
            by_name[self.text_at(entry)] = base + ordinal_index
        return self.text_at(name_rva), by_name, functions

    def imports(self):
        rva = self.directories[1][0] if len(self.directories) > 1 else 0
        names = []
        if rva == 0:
            return names
        offset = self.offset_of(rva)
        while True:
            lookup, _, _, name_rva, thunks = self.unpack("<IIIII", offset)
            if (lookup, name_rva, thunks) == (0, 0, 0):
                return names
            names.append(self.text_at(name_rva))
            offset += 20


def problems_of(path):
    with open(path, "rb") as file:
        image = PeImage(file.read())
    problems = []
    if image.machine != MACHINE_I386:
        problems.append("machine is 0x%x, not i386" % image.machine)
    if not image.characteristics & CHARACTERISTIC_DLL:
        problems.append("not marked as a DLL")
    library, exports, function_count = image.exports()
    if library != EXPECTED_LIBRARY_NAME:
        problems.append("export-table name is %r, not %r" % (library, EXPECTED_LIBRARY_NAME))
    for name, ordinal in sorted(exports.items()):
        if name not in EXPECTED_EXPORTS and any(mark in name for mark in "_@?"):
            problems.append("decorated export name %r (ordinal %d)" % (name, ordinal))
        elif name not in EXPECTED_EXPORTS:
            problems.append("extra export %r (ordinal %d)" % (name, ordinal))
        elif ordinal != EXPECTED_EXPORTS[name]:
            problems.append("wrong ordinal %d for %s (expected %d)" % (ordinal, name, EXPECTED_EXPORTS[name]))
    for name in sorted(set(EXPECTED_EXPORTS) - set(exports)):
        problems.append("missing export %r" % name)
    if function_count != len(EXPECTED_EXPORTS):
        problems.append("export table holds %d functions, expected %d" % (function_count, len(EXPECTED_EXPORTS)))
    for name in image.imports():
        if name.lower() not in ALLOWED_IMPORTS:
            problems.append("imports from %s, which is not a system DLL" % name)
    return problems


def check(path):
    try:
        problems = problems_of(path)
    except (OSError, PeError, struct.error) as error:
        problems = [str(error)]
    for problem in problems:
        print("%s: %s" % (path, problem))
    if not problems:
        print("%s: ok" % path)
    return problems


def main(arguments):
    if len(arguments) == 3 and arguments[0] == "--expect-failure":
        expected, path = arguments[1], arguments[2]
        problems = check(path)
        if any(expected in problem for problem in problems):
            return 0
        print("%s: expected a failure mentioning %r" % (path, expected))
        return 1
    if not arguments or arguments[0].startswith("-"):
        print(__doc__, file=sys.stderr)
        return 2
    failed = [path for path in arguments if check(path)]
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
