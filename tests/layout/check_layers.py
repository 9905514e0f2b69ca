#!/usr/bin/env python3
"""The folders are layers, and a file's folder says what it may include.

    core/                      the value type, text, the draw, the member list
    words/                     the sentences for a person, in both languages
    bets/ zodiac/ wages/       the worksheet functions, on the core
    com/ calc/ xll/ install/   the front ends and the installer, on the core
    cli/                       the korvane tool, on all of the above
    workbook/                  the example workbook, on the core and the tool's cell typing

A front end reaches the functions through the member list only, so it
includes nothing from bets/, zodiac/ or wages/ (the rule for a draw a
lottery can draw comes with the loading function's row too); nothing below
cli/ includes cli/.

The tests mirror the folders: tests/core/ holds the core's tests, tests/cli/
the tool's, and a folder's tests include what that folder may include, plus
the shared test support (tests/test_support.h, tests/calls.h), which itself
includes the core only. So a core test never comes to depend on the tool.
The stand-in Excel of tests/xll/ is the one exception: it answers the
protocol's transcripts through the XLL, and so reads them with the tool's
value codec. bench/ and fuzz/ may include anything.

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
    "words": {"words"},
    "install": {"core", "com", "words", "install"},
    "cli": {"core", "com", "words", "install", "cli"},
    "workbook": {"core", "cli", "workbook"},
}
# Headers of a folder a layer may include although the folder is not below it.
ALSO = {"tests/xll": {"cli/protocol.h"}}
# The shared test support, which any test may include.
SUPPORT = {"tests/test_support.h", "tests/calls.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"(([^"/]+)/[^"]*)"', re.M)


def sources(folder):
    return (p for p in sorted(folder.rglob("*")) if p.suffix in (".h", ".cpp", ".inc"))


def crossings(root, path, allowed, also):
    """The includes of path that leave the folders it may include."""
    for header, top in INCLUDE.findall(path.read_text(encoding="utf-8")):
        if header in also or header in SUPPORT:
            continue
        if top not in allowed and (top in MAY_INCLUDE or top == "tests"):
            yield f"{path.relative_to(root)} includes {header}"


def main():
    root = pathlib.Path(sys.argv[1])
    wrong = []
    for folder, allowed in MAY_INCLUDE.items():
        for path in sources(root / folder):
            wrong += crossings(root, path, allowed, ALSO.get(folder, ()))
        tests = f"tests/{folder}"
        for path in sources(root / tests):
            wrong += crossings(root, path, allowed, ALSO.get(tests, ()))
    for name in SUPPORT:
        wrong += crossings(root, root / name, {"core"}, ())
    stray = [p for p in (root / "tests").glob("*") if p.suffix in (".h", ".cpp") and
             p.relative_to(root).as_posix() not in SUPPORT]
    wrong += [f"{p.relative_to(root)} belongs in the tests folder of what it tests" for p in stray]
    for w in wrong:
        print(w)
    if wrong:
        print(f"{len(wrong)} files cross the layers (see this script's header)")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
