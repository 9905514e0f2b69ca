#!/usr/bin/env python3
"""The Windows release's list of files (install/release-files.txt), read for
the tools that build and check the release: scripts/package copies the files
by it, scripts/make-setup has the setup's part of it written as an NSIS
include, and the package and setup tests check what they find against it.
(The installer's C++ reads the same list through a header CMake writes from
it, and the double-click wrappers are written from install/*.cmd.in with the
tools it names: install/CMakeLists.txt.)

    release_files.py list           PATH, SOURCE, KIND and FLAGS (comma-separated,
                                    "-" for none), tab-separated, a file a line
    release_files.py nsis FOLDER    the NSIS include of the setup made from FOLDER,
                                    a release folder as the zip lays it out
"""
import pathlib
import sys
from dataclasses import dataclass

LIST = pathlib.Path(__file__).resolve().parent / "release-files.txt"
KINDS = {"text", "guide", "file", "x64", "x86"}
FLAGS = {"setup", "optional", "required", "tool", "tool-x86", "workbook"}


@dataclass(frozen=True)
class Shipped:
    path: str      # in the release folder, '/' between folders
    source: str    # a repository file, or PRESET:FILE
    kind: str
    flags: frozenset

    @property
    def binary(self):
        return self.kind in ("x64", "x86")

    def source_path(self, root):
        """Where scripts/package takes the file from, below the repository root."""
        preset, built, name = self.source.partition(":")
        return pathlib.Path(root) / ("build/" + preset + "/" + name if built else self.source)


def read(path=LIST):
    """Every line of the list, in its order; a line that does not read is an error
    naming it, never skipped."""
    files = []
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        words = line.split("#", 1)[0].split()
        if not words:
            continue
        where = f"{path.name}:{number}"
        if ";" in line.split("#", 1)[0]:  # CMake, which reads the list too, splits lines there
            raise SystemExit(f"{where}: a ';' in {line!r}")
        if len(words) < 3:
            raise SystemExit(f"{where}: wanted PATH SOURCE KIND [FLAGS...], found {line!r}")
        path_, source, kind, *flags = words
        if kind not in KINDS:
            raise SystemExit(f"{where}: kind {kind!r}, wanted one of {sorted(KINDS)}")
        unknown = set(flags) - FLAGS
        if unknown:
            raise SystemExit(f"{where}: flags {sorted(unknown)}, known are {sorted(FLAGS)}")
        if any(f.path == path_ for f in files):
            raise SystemExit(f"{where}: {path_} is listed twice")
        files.append(Shipped(path_, source, kind, frozenset(flags)))
    for flag in ("required", "tool", "tool-x86"):
        if sum(flag in f.flags for f in files) != 1:
            raise SystemExit(f"{path.name}: wanted exactly one file marked {flag}")
    return files


def windows(path):
    return path.replace("/", "\\")


def nsis(files, folder):
    """The setup's File commands (macro RELEASE_FILES DIR, which lays the
    release out in DIR): the setup's files present in folder, the top folder's
    korvane.exe that of Windows' bitness; an optional file the build did not
    make is left out, any other missing file fails makensis. What the setup
    carries is a release folder: korvane.exe install copies it into the
    installation and removes it again, so the setup names no file to delete."""
    folder = pathlib.Path(folder)
    setup = [f for f in files if "setup" in f.flags and
             ("optional" not in f.flags or (folder / f.path).is_file())]
    tool = next(f for f in files if "tool" in f.flags)
    tool_x86 = next(f for f in files if "tool-x86" in f.flags)
    guide = next((f for f in setup if f.kind == "guide"), None)
    out = ["; Written by install/release_files.py from install/release-files.txt.",
           f'!define RELEASE_TOOL "{windows(tool.path)}"',
           f'!define RELEASE_TOOL_X86 "{windows(tool_x86.path)}"']
    if guide:
        out.append(f'!define RELEASE_GUIDE "{windows(guide.path)}"')
    workbook = next((f for f in setup if "workbook" in f.flags), None)
    if workbook:
        out.append(f'!define RELEASE_WORKBOOK "{windows(workbook.path)}"')
    out.append("!macro RELEASE_FILES DIR")
    subfolders = []
    for f in sorted(setup, key=lambda f: ("/" in f.path, f.path.rsplit("/", 1)[0])):
        sub = f.path.rsplit("/", 1)[0] if "/" in f.path else ""
        if sub not in subfolders:
            subfolders.append(sub)
            out.append(f'  SetOutPath "${{DIR}}{chr(92) + windows(sub) if sub else ""}"')
        if f is tool:
            out += ["  ${If} ${RunningX64}",
                    f'    File "${{FILES}}\\{windows(tool.path)}"',
                    "  ${Else}",
                    f'    File "/oname={windows(tool.path)}" "${{FILES}}\\{windows(tool_x86.path)}"',
                    "  ${EndIf}"]
        else:
            out.append(f'  File "${{FILES}}\\{windows(f.path)}"')
    out += ['  SetOutPath "${DIR}"', "!macroend"]
    return "\n".join(out) + "\n"


def main(args):
    files = read()
    if args == ["list"]:
        for f in files:
            print("\t".join([f.path, f.source, f.kind, ",".join(sorted(f.flags)) or "-"]))
        return 0
    if len(args) == 2 and args[0] == "nsis":
        sys.stdout.write(nsis(files, args[1]))
        return 0
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
