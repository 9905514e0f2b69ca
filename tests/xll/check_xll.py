#!/usr/bin/env python3
"""Static checks of korvane.xll, for builds that cannot run it (32-bit) and
those that can: the add-in manager's entry points, one worksheet function
export per function (kv_0 ...) and the test host's draw access, all under
their plain names; only Windows' own DLLs imported (the XLL is copied alone
onto a user's machine); the machine type.

usage: check_xll.py --objdump OBJDUMP --functions N --format pei-x86-64|pei-i386 korvane.xll
"""
import argparse
import re
import subprocess
import sys

ENTRY_POINTS = {"xlAutoOpen", "xlAutoClose", "xlAutoAdd", "xlAutoRemove", "xlAddInManagerInfo12",
                "xlAutoFree12", "korvane_edit_draw"}
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll"}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--objdump", required=True)
    ap.add_argument("--functions", type=int, required=True)
    ap.add_argument("--format", required=True)
    ap.add_argument("xll")
    args = ap.parse_args()

    problems = []
    header = subprocess.run([args.objdump, "-f", args.xll], capture_output=True, text=True,
                            check=True).stdout
    if f"file format {args.format}" not in header:
        problems.append(f"not a {args.format} file")
    dump = subprocess.run([args.objdump, "-p", args.xll], capture_output=True, text=True,
                          check=True).stdout
    exports = set(re.findall(r"^\s*\[\s*\d+\]\s+(\S+)\s*$", dump, re.M))
    wanted = ENTRY_POINTS | {f"kv_{n}" for n in range(args.functions)}
    if exports != wanted:
        problems.append(f"exports differ: missing {sorted(wanted - exports)}, "
                        f"extra {sorted(exports - wanted)}")
    imports = {m.lower() for m in re.findall(r"DLL Name:\s*(\S+)", dump)}
    if not imports or not imports <= SYSTEM_DLLS:
        problems.append(f"imports DLLs beyond Windows' own: {sorted(imports - SYSTEM_DLLS)}")
    for p in problems:
        print(f"{args.xll}: {p}")
    print(f"{len(problems)} problems: {len(exports)} exports, imports {sorted(imports)}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
