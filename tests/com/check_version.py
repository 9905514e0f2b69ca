#!/usr/bin/env python3
"""The version information of the shipped Windows files, read back from the
files themselves: the fixed file and product version must be the project's
version (as CMake has it), and both string tables, Simplified Chinese and
English, must say the same version, the product name and a description of
their own (the Chinese one in Chinese). Explorer's Details tab and an
installer comparing versions read exactly these fields.

The PE file's resource section is walked by hand (DOS header, section table,
resource directory down to RT_VERSION, then the VS_VERSIONINFO tree), so the
check needs nothing beyond Python. With --wine, Windows' own reader is asked
too (FileSystemObject.GetFileVersion in a VBScript under Wine), so that a
resource this parser accepts but Windows would not is caught.

usage: check_version.py --version X.Y.Z [--wine WRAPPER] FILE...
"""
import argparse
import pathlib
import struct
import subprocess
import sys
import tempfile

RT_VERSION = 16
FIXED_SIGNATURE = 0xFEEF04BD
TABLES = {"080404B0": "Chinese", "040904B0": "English"}


class FormatError(Exception):
    pass


def version_resource(data):
    """The bytes of the first RT_VERSION resource of a PE image."""
    return next(iter(version_resources(data).values()))


def resource_types(data):
    """The resource type numbers of a PE image (RT_ICON 3, RT_GROUP_ICON 14, ...)."""
    return version_resources(data, types_only=True)


def version_resources(data, types_only=False):
    """The RT_VERSION resources of a PE image, by language: an NSIS setup has
    one per language, a resource compiler's file one in all."""
    # 1. PE header: the resource data directory and the section table.
    if data[:2] != b"MZ":
        raise FormatError("not a PE file (no MZ header)")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise FormatError("not a PE file (no PE signature)")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + {0x10B: 96, 0x20B: 112}[magic]
    rsrc_rva, rsrc_size = struct.unpack_from("<II", data, directories + 2 * 8)
    if not rsrc_size:
        raise FormatError("no resource section")
    table = optional + optional_size
    spans = [struct.unpack_from("<8xIIII", data, table + 40 * i) for i in range(sections)]

    def offset(rva):
        for vsize, vaddr, rawsize, rawptr in spans:
            if vaddr <= rva < vaddr + max(vsize, rawsize):
                return rawptr + rva - vaddr
        raise FormatError(f"address {rva:#x} outside every section")

    base = offset(rsrc_rva)

    # 2. Resource directory: type RT_VERSION, its first name, its first language.
    def entries(directory):
        named, ids = struct.unpack_from("<12xHH", data, base + directory)
        for i in range(named + ids):
            yield struct.unpack_from("<II", data, base + directory + 16 + 8 * i)

    if types_only:
        return {ident for ident, _ in entries(0)}
    node = next((target for ident, target in entries(0) if ident == RT_VERSION), None)
    if node is None:
        raise FormatError("no version resource")
    if not node & 0x80000000:
        raise FormatError("malformed resource directory")
    node = next(entries(node & 0x7FFFFFFF))[1]
    if not node & 0x80000000:
        raise FormatError("malformed resource directory")
    found = {}
    for language, leaf in entries(node & 0x7FFFFFFF):
        rva, size = struct.unpack_from("<II", data, base + leaf)
        start = offset(rva)
        found[language] = data[start:start + size]
    if not found:
        raise FormatError("no version resource")
    return found


def parse_node(block, at):
    """One VS_VERSIONINFO node at `at`: (key, value, children, end)."""
    length, value_length, kind = struct.unpack_from("<HHH", block, at)
    end = at + length
    key_end = at + 6
    while block[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = block[at + 6:key_end].decode("utf-16-le")
    cursor = (key_end + 2 + 3) & ~3
    if kind == 1:  # text: value_length counts UTF-16 units, the NUL included
        value = block[cursor:cursor + 2 * value_length].decode("utf-16-le").rstrip("\0")
        cursor += 2 * value_length
    else:
        value = block[cursor:cursor + value_length]
        cursor += value_length
    children = []
    cursor = (cursor + 3) & ~3
    while cursor < end:
        child = parse_node(block, cursor)
        children.append(child)
        cursor = (child[3] + 3) & ~3
    return key, value, children, end


def check(path, version):
    """The problems of one file's version information."""
    data = open(path, "rb").read()
    try:
        key, fixed, children, _ = parse_node(version_resource(data), 0)
    except (FormatError, struct.error, StopIteration, KeyError, UnicodeDecodeError) as e:
        return [f"unreadable version information: {e}"]
    problems = []
    if key != "VS_VERSION_INFO" or len(fixed) < 52:
        return [f"version information starts with {key!r}, not VS_VERSION_INFO"]

    # 1. The fixed part, which Windows compares: file and product version.
    words = struct.unpack_from("<13I", fixed)
    if words[0] != FIXED_SIGNATURE:
        problems.append("no VS_FIXEDFILEINFO signature")
    wanted = tuple(int(p) for p in version.split(".")) + (0,)
    for name, ms, ls in (("file", words[2], words[3]), ("product", words[4], words[5])):
        found = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        if found != wanted:
            problems.append(f"fixed {name} version {found}, wanted {wanted}")

    # 2. The string tables, one per language, and the translations announced.
    tables = {}
    translations = b""
    for child_key, _, grandchildren, _ in children:
        if child_key == "StringFileInfo":
            for table_key, _, strings, _ in grandchildren:
                tables[table_key.upper()] = {k: v for k, v, _, _ in strings}
        elif child_key == "VarFileInfo":
            translations = b"".join(v for _, v, _, _ in grandchildren)
    announced = {f"{lang:04X}{cp:04X}" for lang, cp in struct.iter_unpack("<HH", translations)}
    text_version = version + ".0"
    for table_key, language in TABLES.items():
        strings = tables.get(table_key)
        if strings is None:
            problems.append(f"no {language} string table ({table_key})")
            continue
        if table_key not in announced:
            problems.append(f"{language} table not announced in VarFileInfo")
        for field in ("FileVersion", "ProductVersion"):
            if strings.get(field) != text_version:
                problems.append(f"{language} {field} {strings.get(field)!r}, wanted {text_version}")
        if strings.get("ProductName") != "Korvane":
            problems.append(f"{language} ProductName {strings.get('ProductName')!r}")
        for field in ("CompanyName", "FileDescription", "OriginalFilename"):
            if not strings.get(field):
                problems.append(f"{language} table lacks {field}")
    zh = tables.get("080404B0", {}).get("FileDescription", "")
    if zh and not any("\u4e00" <= c <= "\u9fff" for c in zh):
        problems.append(f"Chinese FileDescription {zh!r} holds no Chinese")
    return problems


WINDOWS_READER = """Set fso = CreateObject("Scripting.FileSystemObject")
Set out = fso.CreateTextFile(WScript.Arguments(0), True)
For i = 1 To WScript.Arguments.Count - 1
  out.WriteLine fso.GetFileVersion(WScript.Arguments(i))
Next
out.Close
"""


def windows_versions(wine, files):
    """The file versions as Windows reports them, one per file."""
    def windows_path(p):
        return "Z:" + str(pathlib.Path(p).resolve()).replace("/", "\\")
    with tempfile.TemporaryDirectory() as tmp:
        script = pathlib.Path(tmp) / "file_version.vbs"
        script.write_bytes(WINDOWS_READER.replace("\n", "\r\n").encode("ascii"))
        out = pathlib.Path(tmp) / "versions.txt"
        subprocess.run([wine, "cscript", "//nologo", windows_path(script), windows_path(out)]
                       + [windows_path(f) for f in files], check=True, timeout=120)
        lines = out.read_text(encoding="ascii").splitlines() if out.exists() else []
    return lines + [""] * (len(files) - len(lines))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--version", required=True)
    ap.add_argument("--wine", help="scripts/wine wrapper: also ask Windows for the version")
    ap.add_argument("files", nargs="+")
    args = ap.parse_args()
    seen = windows_versions(args.wine, args.files) if args.wine else [None] * len(args.files)
    failed = 0
    for path, windows in zip(args.files, seen):
        problems = check(path, args.version)
        if windows is not None and windows != args.version + ".0":
            problems.append(f"Windows reads file version {windows!r}, wanted {args.version}.0")
        for p in problems:
            print(f"{path}: {p}")
        print(f"{path}: {'version information ' + args.version if not problems else 'FAILED'}")
        failed += bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
