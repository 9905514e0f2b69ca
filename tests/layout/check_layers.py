#!/usr/bin/env python3
"""The folders are layers, and a file's folder says what it may include.

    core/                      the value type, text, the draw, the member list
    bets/ zodiac/ wages/       the worksheet functions, on the core
    com/ calc/ xll/ install/   the front ends and the installer, on the core
    cli/                       the korvane tool, on all of the above

A front end reaches the functions through the member list only, so it
includes nothing from bets/, zodiac/ or wages/; nothing below cli/ includes
cli/. Files of tests/, bench/ and fuzz/ may include anything. One rule of
the functions is not reached through the member list: the tool's settling
of a book warns of a draw a lottery cannot draw, by 验证's own rule.

usage: check_layers.py SOURCE_DIR
"""
import pathlib
import re
import sys

FUNCTIONS = {"core", "bets", "zodiac", "wages"}
MAY_INCLUDE = {
    "core": {"core"},
    "bets": FUNCTIONS,
    "zodiac": FUNCTIONS,
    "wages": FUNCTIONS,
    "com": {"core", "com"},
    "calc": {"core", "calc"},
    "xll": {"core", "xll"},
    "install": {"core", "com", "install"},
    "cli": {"core", "com", "install", "cli"},
}
# Headers of a folder a layer may include although the folder is not below it.
ALSO = {"cli": {"bets/draw_setup.h"}}
INCLUDE = re.compile(r'^\s*#\s*include\s+"(([^"/]+)/[^"]*)"', re.M)


def main():
    root = pathlib.Path(sys.argv[1])
    wrong = []
    for folder, allowed in MAY_INCLUDE.items():
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp", ".inc"):
                continue
            for header, top in INCLUDE.findall(path.read_text(encoding="utf-8")):
                if header in ALSO.get(folder, ()):
                    continue
                if top in MAY_INCLUDE and top not in allowed:
                    wrong.append(f"{path.relative_to(root)} includes {top}/")
    for w in wrong:
        print(w)
    if wrong:
        print(f"{len(wrong)} includes cross the layers (see this script's header)")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
