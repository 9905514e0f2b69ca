#!/usr/bin/env python3
"""Checks that the core's code in the 32-bit build computes with SSE2, not x87.

The x87 unit keeps intermediates in 80-bit registers and rounds when they are
stored, so the same expression can round differently from the 64-bit build,
where every double operation is SSE2 and rounds once: a payout or a wage could
differ by a cent between 32- and 64-bit Office. The 32-bit build is compiled
with -msse2 -mfpmath=sse; this disassembles the core's objects and fails on any
x87 arithmetic left in them.

What stays legitimately: on 32-bit Windows a function returns a double in the
x87 register st(0), so calls and returns move doubles through fld/fstp; fild
and fistp convert 64-bit integers (SSE2 has no such instruction in 32-bit
code) and round once, exactly as the SSE2 conversions do. Those are moves and
conversions, not arithmetic, and are allowed.

usage: check_x87.py --objdump OBJDUMP LIBRARY.a...
"""
import argparse
import re
import subprocess
import sys

# x87 instructions that compute (and so may round differently): the four
# operations in all their forms, square root, remainders, rounding, scaling
# and the transcendental ones.
ARITHMETIC = re.compile(
    r"^f(i?(add|sub|subr|mul|div|divr)p?[sl]?|sqrt|prem1?|rndint|scale|2xm1|yl2xp?1?|"
    r"sin|cos|sincos|ptan|patan|xtract)$")


def x87_arithmetic(objdump, library):
    """(function, instruction) for each x87 arithmetic instruction in library."""
    listing = subprocess.run([objdump, "-d", "--no-show-raw-insn", library], capture_output=True,
                             text=True, check=True).stdout
    found = []
    function = "?"
    for line in listing.splitlines():
        head = re.match(r"^[0-9a-f]+ <(.+)>:$", line)
        if head:
            function = head.group(1)
            continue
        insn = re.match(r"^\s+[0-9a-f]+:\s+(\S+)", line)
        if insn and ARITHMETIC.match(insn.group(1)):
            found.append((function, insn.group(1)))
    return found


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--objdump", required=True)
    ap.add_argument("libraries", nargs="+")
    args = ap.parse_args()
    problems = 0
    for library in args.libraries:
        found = x87_arithmetic(args.objdump, library)
        functions = sorted({f for f, _ in found})
        for f in functions[:20]:
            print(f"{library}: x87 arithmetic in {f}: "
                  f"{', '.join(sorted({i for g, i in found if g == f}))}")
        problems += len(found)
        print(f"{library}: {len(found)} x87 arithmetic instructions in {len(functions)} functions")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
