#!/usr/bin/env python3
"""Static checks of korvane.xll, for builds that cannot run it (32-bit) and
those that can: the add-in manager's entry points, the pool of function
entries (kv_<arguments>_<k>: as many for each count of arguments as
xll/pool.cmake writes, which the build passes in) and the
test host's draw access, all under their plain names; only Windows' own DLLs imported (the XLL is copied alone
onto a user's machine); the machine type.

usage: check_xll.py --objdump OBJDUMP --format pei-x86-64|pei-i386
                    --max-params N --entries-per-count K korvane.xll
"""
import argparse
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "com"))
import pe_file  # noqa: E402

ENTRY_POINTS = {"xlAutoOpen", "xlAutoClose", "xlAutoAdd", "xlAutoRemove", "xlAddInManagerInfo12",
                "xlAutoFree12", "korvane_edit_draw"}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--objdump", required=True)
    ap.add_argument("--format", required=True)
    ap.add_argument("--max-params", type=int, required=True)
    ap.add_argument("--entries-per-count", type=int, required=True)
    ap.add_argument("xll")
    args = ap.parse_args()

    problems = []
    if pe_file.file_format(args.objdump, args.xll) != args.format:
        problems.append(f"not a {args.format} file")
    exports, imports = pe_file.exports_and_imports(args.objdump, args.xll)
    wanted = ENTRY_POINTS | {f"kv_{a}_{k}" for a in range(args.max_params + 1)
                             for k in range(args.entries_per_count)}
    if exports != wanted:
        problems.append(f"exports differ: missing {sorted(wanted - exports)}, "
                        f"extra {sorted(exports - wanted)}")
    problems += pe_file.import_problems(imports)
    for p in problems:
        print(f"{args.xll}: {p}")
    print(f"{len(problems)} problems: {len(exports)} exports, imports {sorted(imports)}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
