#!/usr/bin/env python3
"""The configure step's check that the changelogs are of the project's version
(cmake/release-notes.cmake), run on changelogs written for each row: the
newest Debian entry and upstream section, the project's version, and the
words the refusal must contain (None: accepted). Last, the repository's own
changelogs against the project's version.

usage: release_notes_test.py CMAKE REPOSITORY
"""
import pathlib
import re
import subprocess
import sys
import tempfile

DEBIAN = "korvane ({}) unstable; urgency=medium\n\n  * A change.\n\n" \
         " -- Korvane developers <dev@korvane.invalid>  Wed, 09 Dec 2026 12:00:00 +0000\n"
UPSTREAM = "# 更新说明 Changelog\n\n最新的版本在最上面。\n\n## {} (2026-12-09)\n\n- 一项。\n"

# (Debian versions newest first, upstream versions newest first, project version, refusal)
ROWS = [
    (["1.0.0-1"], ["1.0.0"], "1.0.0", None),
    (["1.2.0-3", "1.1.0-1"], ["1.2.0", "1.1.0"], "1.2.0", None),
    (["1.1.0-1", "1.2.0-1"], ["1.2.0"], "1.2.0", "newest entry is 1.1.0-1"),  # newest is first
    (["1.0.0-1"], ["1.0.0"], "1.0.1", "add an entry for it"),
    (["1.0.0"], ["1.0.0"], "1.0.0", "has no Debian revision"),
    (["1.0.0-1"], ["0.9.0", "1.0.0"], "1.0.0", "newest section is 0.9.0"),
    (["1.0.0-1"], [], "1.0.0", "no version entry found"),
    ([], ["1.0.0"], "1.0.0", "no version entry found"),
    (["1.0.10-1"], ["1.0.1"], "1.0.1", "newest entry is 1.0.10-1"),
]


def run(cmake, repo, source, version):
    return subprocess.run([cmake, f"-DKORVANE_RELEASE_VERSION={version}",
                           f"-DKORVANE_SOURCE={source}", "-P",
                           str(repo / "cmake" / "release-notes.cmake")],
                          capture_output=True, text=True)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    cmake, repo = sys.argv[1], pathlib.Path(sys.argv[2])
    problems = []
    for debian, upstream, version, refusal in ROWS:
        with tempfile.TemporaryDirectory() as tmp:
            source = pathlib.Path(tmp)
            (source / "debian").mkdir()
            (source / "debian" / "changelog").write_text(
                "\n".join(DEBIAN.format(v) for v in debian), encoding="utf-8")
            (source / "CHANGELOG.md").write_text(
                "".join(UPSTREAM.format(v) for v in upstream), encoding="utf-8")
            out = run(cmake, repo, source, version)
        said = re.sub(r"\s+", " ", out.stderr)
        row = f"debian {debian}, upstream {upstream}, project {version}"
        if refusal is None and out.returncode != 0:
            problems.append(f"{row}: refused: {said}")
        elif refusal is not None and (out.returncode == 0 or refusal not in said):
            problems.append(f"{row}: wanted a refusal saying {refusal!r}, got "
                            f"{out.returncode}: {said}")
    project = re.search(r"project\(korvane VERSION (\S+)",
                        (repo / "CMakeLists.txt").read_text()).group(1)
    out = run(cmake, repo, repo, project)
    if out.returncode != 0:
        problems.append(f"the repository's changelogs: {out.stderr.strip()}")
    for p in problems:
        print(p)
    print(f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
