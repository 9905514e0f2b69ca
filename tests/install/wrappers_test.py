#!/usr/bin/env python3
"""The double-click wrappers (install.cmd, uninstall.cmd) a build writes from
install/*.cmd.in: each runs the korvane.exe that install/release-files.txt
names, and on 32-bit Windows the 32-bit one it names, and is otherwise its
template word for word. A release file renamed in the list is renamed in
the wrappers with it, and a wrapper never runs a tool the zip does not hold.

    wrappers_test.py BUILD_DIR
"""
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "install"))
import release_files  # noqa: E402


def main(build):
    files = release_files.read()
    tool = release_files.windows(next(f.path for f in files if "tool" in f.flags))
    tool_x86 = release_files.windows(next(f.path for f in files if "tool-x86" in f.flags))
    shipped = {f.path for f in files}
    failures = []
    for name in ("install", "uninstall"):
        template = (ROOT / "install" / f"{name}.cmd.in").read_text(encoding="utf-8")
        written = (pathlib.Path(build) / f"{name}.cmd").read_text(encoding="utf-8")
        expected = template.replace("@tool@", tool).replace("@tool_x86@", tool_x86)
        if f"{name}.cmd" not in shipped:
            failures.append(f"{name}.cmd is not in the release list")
        if written != expected:
            failures.append(f"{name}.cmd is not its template with the list's tools")
        for line in (f'set "tool=%~dp0{tool}"', f'set "tool=%~dp0{tool_x86}"'):
            if line not in written:
                failures.append(f"{name}.cmd lacks {line}")
        if "@" in written.replace("@echo off", ""):
            failures.append(f"{name}.cmd keeps a placeholder")
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
