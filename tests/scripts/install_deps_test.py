#!/usr/bin/env python3
"""scripts/install-deps against a package mirror that misbehaves.

apt-get, dpkg-query and sudo are stubs on PATH: dpkg-query says every package
is missing, and apt-get fails or succeeds as each row scripts it, recording
every call. A row states how many `update` calls fail, whether the plain
install fails, whether the `-t CODENAME` install fails, and what must follow:
the exit status, the apt-get calls made, and what install-deps said.
"""
import os
import pathlib
import subprocess
import sys
import tempfile

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "install-deps"

APT_GET = """#!/bin/sh
echo "$*" >> "$STUB_DIR/calls"
case "$1" in
  update)
    n=$(cat "$STUB_DIR/updates" 2>/dev/null || echo 0)
    echo $((n + 1)) > "$STUB_DIR/updates"
    [ "$n" -ge "$UPDATE_FAILURES" ] || { echo "E: Failed to fetch i386 security list" >&2; exit 100; }
    exit 0 ;;
  install)
    case " $* " in
      *" -t "*) exit "$TARGETED_STATUS" ;;
      *) exit "$PLAIN_STATUS" ;;
    esac ;;
esac
exit 0
"""
DPKG_QUERY = "#!/bin/sh\nexit 1\n"  # nothing is installed
SUDO = '#!/bin/sh\nexec "$@"\n'

# name, update failures, plain install status, targeted install status,
# expected exit (0 or nonzero), expected calls, words install-deps must say
ROWS = [
    ("mirror in sync", 0, 0, 0, 0, ["update", "install"], []),
    ("update fails twice, third try reads", 2, 0, 0, 0,
     ["update", "update", "update", "install"], ["attempt 1 of 3", "attempt 2 of 3"]),
    ("update never reads: go on with the lists", 99, 0, 0, 0,
     ["update", "update", "update", "install"], ["going on with the package lists"]),
    ("architectures disagree: -t codename resolves", 99, 100, 0, 0,
     ["update", "update", "update", "install", "install -t"], ["-t testcodename"]),
    ("nothing resolves: the run fails and says so", 0, 100, 100, 1,
     ["update", "install", "install -t"], ["failed too"]),
]


def run_row(row):
    name, update_failures, plain, targeted, want_exit, want_calls, want_words = row
    with tempfile.TemporaryDirectory() as stub:
        stub_dir = pathlib.Path(stub)
        for tool, text in (("apt-get", APT_GET), ("dpkg-query", DPKG_QUERY), ("sudo", SUDO)):
            path = stub_dir / tool
            path.write_text(text)
            path.chmod(0o755)
        os_release = stub_dir / "os-release"
        os_release.write_text("ID=debian\nVERSION_CODENAME=testcodename\n")
        env = dict(os.environ, PATH=f"{stub_dir}:{os.environ['PATH']}", STUB_DIR=stub,
                   UPDATE_FAILURES=str(update_failures), PLAIN_STATUS=str(plain),
                   TARGETED_STATUS=str(targeted), KORVANE_APT_RETRY_PAUSE="0",
                   KORVANE_OS_RELEASE=str(os_release))
        done = subprocess.run(["bash", str(SCRIPT), "native"], env=env, capture_output=True,
                              text=True, timeout=60)
        calls_file = stub_dir / "calls"
        calls = calls_file.read_text().splitlines() if calls_file.exists() else []
    kinds = ["install -t" if c.startswith("install") and " -t " in f" {c} " else c.split()[0]
             for c in calls]
    problems = []
    if (done.returncode == 0) != (want_exit == 0):
        problems.append(f"exit {done.returncode}, expected {'0' if want_exit == 0 else 'non-zero'}")
    if kinds != want_calls:
        problems.append(f"apt-get calls {kinds}, expected {want_calls}")
    problems += [f"did not say {w!r}" for w in want_words if w not in done.stderr]
    if problems:
        return f"{name}: " + "; ".join(problems) + f"\n  stderr: {done.stderr.strip()}"
    return None


def main():
    failures = [f for f in map(run_row, ROWS) if f]
    for f in failures:
        print("FAIL", f)
    print(f"{len(ROWS) - len(failures)} of {len(ROWS)} rows passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
