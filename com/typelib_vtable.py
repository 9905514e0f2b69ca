#!/usr/bin/env python3
"""Vtable offsets of the type library's dual interface: mends and checks them.

Early binding (VBA declaring `As 自定义函数`) calls the interface's methods
through the vtable offsets recorded in the type library, so they must be
exact: IDispatch's seven slots, then one pointer a method, 4 bytes on 32-bit
Windows and 8 on 64-bit.

64-bit Wine writing a SYS_WIN32 library counts IDispatch's seven slots at 8
bytes each (every offset and the vtable size come out 28 bytes too large);
`fix` takes those 28 bytes off again, and does nothing to a library without
that fault. `check` verifies what the offsets must be, that the names are
stored in the Chinese code page (GBK), and that no Excel Range interface is
described or referenced.

usage: typelib_vtable.py fix FILE.tlb
       typelib_vtable.py check FILE.tlb [win32|win64]
"""
import struct
import sys
import uuid

SYS_WIN32, SYS_WIN64 = 1, 3
POINTER = {SYS_WIN32: 4, SYS_WIN64: 8}
TKIND_DISPATCH = 4
TYPEFLAG_FDUAL = 0x40
DISPATCH_SLOTS = 7
INTERFACE_IID = uuid.UUID("5EA12D4C-7655-40DD-823D-2F8C3A7C7437")
EXCEL_RANGE_IID = uuid.UUID("00020846-0000-0000-C000-000000000046")
INTERFACE_NAME = "_自定义函数"


class Library:
    """The parts of an MSFT type library file that matter here."""

    def __init__(self, data):
        self.data = bytearray(data)
        magic, _, _, _, _, varflags = struct.unpack_from("<6i", data, 0)
        if magic != 0x5446534D:
            raise ValueError("not an MSFT type library")
        self.syskind = varflags & 0xF
        count = struct.unpack_from("<i", data, 0x20)[0]
        pos = 0x54 + (4 if varflags & 0x100 else 0)
        typeinfo_offsets = struct.unpack_from(f"<{count}i", data, pos)
        pos += 4 * count
        self.segments = [struct.unpack_from("<4i", data, pos + 16 * i) for i in range(15)]
        self.typeinfos = [self.segments[0][0] + t for t in typeinfo_offsets]

    def segment(self, index):
        offset, length = self.segments[index][:2]
        return bytes(self.data[offset:offset + length]) if offset >= 0 else b""

    def guid_at(self, position):
        return uuid.UUID(bytes_le=self.segment(5)[position:position + 16])

    def dual_interfaces(self):
        for base in self.typeinfos:
            kind = struct.unpack_from("<i", self.data, base)[0] & 0xF
            flags = struct.unpack_from("<i", self.data, base + 0x30)[0]
            if kind == TKIND_DISPATCH and flags & TYPEFLAG_FDUAL:
                yield base

    def guid_of(self, base):
        return self.guid_at(struct.unpack_from("<i", self.data, base + 0x2C)[0])

    def vtable_size_field(self, base):
        return base + 0x4E

    def function_offset_fields(self, base):
        """File positions of each function's vtable offset, in interface order."""
        memoffset = struct.unpack_from("<i", self.data, base + 4)[0]
        functions = struct.unpack_from("<i", self.data, base + 0x18)[0] & 0xFFFF
        fields, pos = [], memoffset + 4
        for _ in range(functions):
            size = struct.unpack_from("<i", self.data, pos)[0] & 0xFFFF
            fields.append(pos + 12)
            pos += size
        return fields

    def short(self, pos):
        return struct.unpack_from("<h", self.data, pos)[0]

    def set_short(self, pos, value):
        struct.pack_into("<h", self.data, pos, value)


def fix(path):
    with open(path, "rb") as f:
        lib = Library(f.read())
    if lib.syskind != SYS_WIN32:
        return
    excess = DISPATCH_SLOTS * (8 - 4)
    for base in lib.dual_interfaces():
        fields = lib.function_offset_fields(base)
        if not fields or lib.short(fields[0]) != DISPATCH_SLOTS * 8:
            continue  # laid out right already
        for pos in fields + [lib.vtable_size_field(base)]:
            lib.set_short(pos, lib.short(pos) - excess)
    with open(path, "wb") as f:
        f.write(lib.data)


def check(path, want_syskind=None):
    with open(path, "rb") as f:
        lib = Library(f.read())
    problems = []
    if want_syskind is not None and lib.syskind != want_syskind:
        problems.append(f"syskind {lib.syskind}, wanted {want_syskind}")
    pointer = POINTER.get(lib.syskind)
    if pointer is None:
        problems.append(f"unexpected syskind {lib.syskind}")
        pointer = 4
    duals = [b for b in lib.dual_interfaces() if lib.guid_of(b) == INTERFACE_IID]
    if len(duals) != 1:
        problems.append(f"{len(duals)} dual interfaces with IID {INTERFACE_IID}")
    for base in duals:
        fields = lib.function_offset_fields(base)
        if not fields:
            problems.append("the interface has no methods")
        for k, pos in enumerate(fields):
            want = pointer * (DISPATCH_SLOTS + k)
            if lib.short(pos) != want:
                problems.append(f"method {k}: vtable offset {lib.short(pos)}, wanted {want}")
        size = lib.short(lib.vtable_size_field(base))
        want = pointer * (DISPATCH_SLOTS + len(fields))
        if size != want:
            problems.append(f"vtable size {size}, wanted {want}")
    if INTERFACE_NAME.encode("gbk") not in lib.segment(7):
        problems.append(f"the name {INTERFACE_NAME} is not stored in GBK")
    guids = lib.segment(5)
    for pos in range(0, len(guids) - 15, 24):
        if uuid.UUID(bytes_le=guids[pos:pos + 16]) == EXCEL_RANGE_IID:
            problems.append("the library refers to Excel's Range interface")
    return problems


def main():
    args = sys.argv[1:]
    if len(args) == 2 and args[0] == "fix":
        fix(args[1])
        return 0
    if len(args) in (2, 3) and args[0] == "check":
        want = {"win32": SYS_WIN32, "win64": SYS_WIN64}.get(args[2]) if len(args) == 3 else None
        problems = check(args[1], want)
        for p in problems[:5]:
            print(f"{args[1]}: {p}", file=sys.stderr)
        if len(problems) > 5:
            print(f"{args[1]}: ... {len(problems) - 5} more", file=sys.stderr)
        return 1 if problems else 0
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main())
