#!/usr/bin/env python3
"""Static checks of korvane.dll, for builds that cannot run it (32-bit) and
those that can: the five entry points exported under their plain names, only
Windows' own DLLs imported (the DLL is copied alone onto a user's machine),
the machine type, and the embedded type library with its vtable offsets.

usage: check_dll.py --objdump OBJDUMP --syskind win32|win64 korvane.dll korvane.tlb
"""
import argparse
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "com"))
import pe_file  # noqa: E402
import typelib_vtable  # noqa: E402

EXPORTS = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer",
           "DllInstall"}
FORMAT = {"win32": "pei-i386", "win64": "pei-x86-64"}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--objdump", required=True)
    ap.add_argument("--syskind", choices=FORMAT, required=True)
    ap.add_argument("dll")
    ap.add_argument("tlb")
    args = ap.parse_args()

    problems = []
    if pe_file.file_format(args.objdump, args.dll) != FORMAT[args.syskind]:
        problems.append(f"not a {FORMAT[args.syskind]} file")

    exports, imports = pe_file.exports_and_imports(args.objdump, args.dll)
    if exports != EXPORTS:
        problems.append(f"exports {sorted(exports)}, wanted {sorted(EXPORTS)}")
    problems += pe_file.import_problems(imports)

    problems += typelib_vtable.check(args.tlb, {"win32": typelib_vtable.SYS_WIN32,
                                                "win64": typelib_vtable.SYS_WIN64}[args.syskind])
    if pathlib.Path(args.tlb).read_bytes() not in pathlib.Path(args.dll).read_bytes():
        problems.append("the DLL does not embed this type library")

    for p in problems:
        print(f"{args.dll}: {p}")
    print(f"{len(problems)} problems: exports {sorted(exports)}, imports {sorted(imports)}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
