#!/usr/bin/python3
"""The Debian package by Debian's rules, checked in its unpacked tree (ROOT):

- the changelogs: changelog.Debian.gz of the package's own version, and the
  upstream changelog.gz (the repository's CHANGELOG.md) of the project's,
  both compressed with gzip -9n; no other document over 4 kB left plain;
- the Calc extension unpacked where LibreOffice finds the extensions it shares
  with every user (the released .oxt's files, its component stripped), and a
  headless Calc with a fresh profile and that extension alone computes
  =PAI(A1) of 12345678 as the packaged korvane tool does;
- the bash completion, loaded by name from bash-completion's folder;
- lintian, with no error or warning left but those the package's override
  file explains.

package_test.py runs these on the .deb (check); run alone:

usage: deb_test.py KORVANE.deb KORVANE.oxt
"""
import gzip
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

REPO = pathlib.Path(__file__).resolve().parents[2]
DOC = "usr/share/doc/korvane"
EXTENSION = "usr/lib/libreoffice/share/extensions/korvane"
COMPLETION = "usr/share/bash-completion/completions/korvane"
OFFICE = pathlib.Path("/usr/lib/libreoffice/program")
# PAI of a cell holding 12345678 (PAI takes a cell: Calc itself refuses a
# number written into the formula, Err:504, before the extension is asked).
FORMULA = ("PAI", "12345678")
# The newest entry of each changelog: (file, the line that names its version)
CHANGELOGS = [("changelog.Debian.gz", r"^korvane \(([^)]+)\) \S+; urgency=\S+$"),
              ("changelog.gz", r"^## (\S+)")]


def gzip_problems(data):
    """gzip -9n: no file name or time inside (the same sources, the same
    package), the best compression flag."""
    if data[:2] != b"\x1f\x8b":
        return ["not gzip"]
    problems = []
    if data[3] & 0x08 or int.from_bytes(data[4:8], "little"):
        problems.append("carries a file name or time (gzip -n)")
    if data[8] != 2:
        problems.append("not compressed with gzip -9")
    return problems


def check_docs(root, version, deb_version):
    problems = []
    doc = root / DOC
    for (name, pattern), wanted in zip(CHANGELOGS, (deb_version, version)):
        path = doc / name
        if not path.is_file():
            problems.append(f"{DOC}/{name} missing")
            continue
        data = path.read_bytes()
        problems += [f"{DOC}/{name}: {p}" for p in gzip_problems(data)]
        text = gzip.decompress(data).decode("utf-8") if data[:2] == b"\x1f\x8b" else ""
        newest = next((m.group(1) for m in re.finditer(pattern, text, re.M)), None)
        if newest != wanted:
            problems.append(f"{DOC}/{name}: newest entry {newest}, wanted {wanted}")
    upstream = doc / "changelog.gz"
    if upstream.is_file() and \
            gzip.decompress(upstream.read_bytes()) != (REPO / "CHANGELOG.md").read_bytes():
        problems.append(f"{DOC}/changelog.gz is not CHANGELOG.md")
    plain = [p.name for p in doc.iterdir() if p.is_file() and p.suffix != ".gz"
             and p.name != "copyright" and p.stat().st_size > 4096]
    if plain:
        problems.append(f"{DOC}: documents over 4 kB not compressed: {plain}")
    return problems


def check_extension(root, oxt):
    """The released .oxt's files, unpacked: the same bytes but for the component
    (stripped), nothing executable."""
    unpacked = root / EXTENSION
    if not unpacked.is_dir():
        return [f"{EXTENSION} missing"]
    problems = []
    with zipfile.ZipFile(oxt) as z:
        names = {n for n in z.namelist() if not n.endswith("/")}
        found = {str(p.relative_to(unpacked)) for p in unpacked.rglob("*") if p.is_file()}
        if found != names:
            problems.append(f"{EXTENSION} holds {sorted(found ^ names)} unlike the .oxt")
        for name in sorted(names & found):
            mode = (unpacked / name).stat().st_mode
            if mode & 0o111:
                problems.append(f"{EXTENSION}/{name} is executable")
            if not name.endswith(".so") and (unpacked / name).read_bytes() != z.read(name):
                problems.append(f"{EXTENSION}/{name} differs from the .oxt's")
    return problems


def check_completion(root):
    """bash-completion loads the file named after the command, which must
    register a completion for korvane when sourced."""
    path = root / COMPLETION
    if not path.is_file():
        return [f"{COMPLETION} missing"]
    out = subprocess.run(["bash", "-c", 'source "$0" && complete -p korvane', str(path)],
                         capture_output=True, text=True)
    if out.returncode != 0 or "-F _korvane" not in out.stdout:
        return [f"{COMPLETION}: registers no completion for korvane: {out.stderr.strip()}"]
    return []


def check_lintian(deb):
    """No error or warning, once the package's overrides (which say why) are
    applied."""
    if not shutil.which("lintian"):
        return ["lintian missing (Debian package lintian: scripts/install-deps package)"]
    out = subprocess.run(["lintian", "--tag-display-limit", "0", str(deb)], capture_output=True,
                         text=True)
    tags = [line for line in out.stdout.splitlines() if re.match(r"^[EW]: ", line)]
    problems = [f"lintian: {t}" for t in tags]
    if out.returncode not in (0, 2) or (out.returncode and not tags):
        problems.append(f"lintian failed ({out.returncode}): {out.stderr.strip()[-300:]}")
    return problems


def calc_shows(root, formula, value):
    """Run by Debian's python3, whose LibreOffice bridge this needs: prints what
    a cell of a new sheet shows for formula, A1 holding value, in the system's
    soffice with a new profile and its bundled extensions taken from the
    package alone (the engine test's office, started so)."""
    sys.path.insert(0, str(REPO / "tests" / "calc"))
    import engine_test

    class PackagedCalc(engine_test.Office):
        def __init__(self, work):
            self.program, self.work, self.proc = OFFICE, work, None
            self.profile = work / "profile"
            self.profile.mkdir()
            self.url = self.profile.as_uri()
            self.pipe = f"korvane_deb_{os.getpid()}"

        def _start(self):
            self.proc = subprocess.Popen(
                [str(OFFICE / "soffice.bin"), "--headless", "--invisible", "--norestore",
                 "--nologo", "--nodefault", "--nolockcheck", f"-env:UserInstallation={self.url}",
                 f"-env:BUNDLED_EXTENSIONS={(root / EXTENSION).parent.as_uri()}",
                 f"--accept=pipe,name={self.pipe};urp;StarOffice.ComponentContext"],
                start_new_session=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    with tempfile.TemporaryDirectory() as tmp:
        calc = PackagedCalc(pathlib.Path(tmp))
        try:
            calc.connect()
            sheet = calc.new_sheet().Sheets.getByIndex(0)
            sheet.getCellByPosition(0, 0).setValue(float(value))
            sheet.getCellByPosition(1, 0).setFormula(formula)
            print(sheet.getCellByPosition(1, 0).getString())
        finally:
            calc.close()


def check_calc(root):
    if not (OFFICE / "soffice.bin").is_file():
        return [f"no LibreOffice in {OFFICE} (scripts/install-deps calc)"]
    wanted = subprocess.run([str(root / "usr/bin/korvane"), "call", *FORMULA], capture_output=True,
                            text=True).stdout.strip()
    formula = f"={FORMULA[0]}(A1)"
    try:
        out = subprocess.run(["/usr/bin/python3", __file__, "--calc", str(root), formula,
                              FORMULA[1]],
                             capture_output=True, text=True, timeout=300)
    except subprocess.TimeoutExpired:
        return [f"Calc with the packaged extension did not compute {formula} in 5 minutes"]
    if out.returncode != 0:
        return [out.stderr.strip() or f"Calc with the packaged extension: exit {out.returncode}"]
    shown = out.stdout.strip()
    if not wanted or shown != wanted:
        return [f"Calc with only the packaged extension shows {shown!r} for {formula} "
                f"(A1 {FORMULA[1]}), korvane call {' '.join(FORMULA)} {wanted!r}"]
    return []


def check(deb, root, version, deb_version, oxt):
    return (check_docs(root, version, deb_version) + check_extension(root, oxt) +
            check_completion(root) + check_lintian(deb) + check_calc(root))


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "--calc":
        return calc_shows(pathlib.Path(sys.argv[2]), sys.argv[3], sys.argv[4])
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    deb, oxt = map(pathlib.Path, sys.argv[1:])
    fields = subprocess.run(["dpkg-deb", "-f", str(deb), "Version"], capture_output=True,
                            text=True, check=True).stdout.strip()
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["dpkg-deb", "-x", str(deb), tmp], check=True)
        problems = check(deb, pathlib.Path(tmp), fields.rsplit("-", 1)[0], fields, oxt)
    for p in problems:
        print(p)
    print(f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
