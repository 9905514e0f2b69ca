#!/usr/bin/env python3
"""settle -o replaces OUT whole or not at all, and a piped book streams.

usage: settle_files_test.py KORVANE

Each case ends a run a way a bookkeeper's runs end (refused, disk full, stopped
by a signal half way, two at once, standard error into the book) and checks
what is left in the folder: OUT as it was or the whole settled book, and no
new file behind. Then rows piped in slowly must come out as they arrive.
"""
import os
import pathlib
import resource
import select
import signal
import subprocess
import sys
import tempfile
import time

failures = []
ROWS = ["验证,2013,05 12 18 30 41 49,08", "求和1,07 15 07 33,07,100,40", "PAI,12345678"]


def check(ok, what):
    if not ok:
        failures.append(what)


def book(rows):
    return "".join(r + "\r\n" for r in rows).encode("utf-8")


def leftovers(folder, keep):
    return sorted(p.name for p in folder.iterdir() if p.name not in keep)


def whole_or_old(korvane, tmp):
    folder = pathlib.Path(tmp)
    big = folder / "big.csv"
    big.write_bytes(book(ROWS[:1] + ROWS[1:] * 60000))
    other = folder / "other.csv"
    other.write_bytes(book(ROWS[:1] + ROWS[2:] * 90000))
    xlsx = folder / "book.xlsx"
    xlsx.write_bytes(b"PK\x03\x04\x14\x00\x06\x00" + bytes(range(256)) * 20)
    want = {p: subprocess.run([korvane, "settle", str(p)], capture_output=True).stdout
            for p in (big, other)}
    out = folder / "out.csv"
    keep = {"big.csv", "other.csv", "book.xlsx", "out.csv"}

    def limit(size):
        return lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (size, resource.RLIM_INFINITY))

    # (what, OUT before, arguments, how stderr goes, limit, exit, OUT after)
    cases = [
        ("a refused workbook", b"old", [str(xlsx)], None, None, 2, b"old"),
        ("a refused workbook, OUT absent", None, [str(xlsx)], None, None, 2, None),
        ("the disk full (ulimit -f)", b"old", [str(big)], None, limit(100000), 2, b"old"),
        ("standard error into the book", b"old", [str(big)], big, None, 2, b"old"),
        ("standard error into OUT", b"old", [str(big)], out, None, 2, b"old"),
        ("a whole run", b"old", [str(big)], None, None, 0, want[big]),
    ]
    for what, before, args, err_to, pre, code_want, after in cases:
        if before is None:
            out.unlink(missing_ok=True)
        else:
            out.write_bytes(before)
            out.chmod(0o640)
        book_before = big.read_bytes()
        err = open(err_to, "ab") if err_to else subprocess.PIPE
        p = subprocess.run([korvane, "settle", *args, "-o", str(out)], stderr=err,
                           stdout=subprocess.PIPE, preexec_fn=pre, timeout=120)
        if err_to:
            err.close()
        got = out.read_bytes() if out.exists() else None
        check(p.returncode == code_want, f"{what}: exit {p.returncode}, want {code_want}")
        check(got == after, f"{what}: OUT is {got[:60] if got else got!r}...")
        check(big.read_bytes() == book_before, f"{what}: the book changed")
        check(leftovers(folder, keep) == [], f"{what}: left {leftovers(folder, keep)}")
        if after is not None and out.exists():
            check(out.stat().st_mode & 0o777 == 0o640, f"{what}: OUT's permissions changed")

    # Stopped half way: the book is piped in, half of it, then the signal.
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        out.write_bytes(b"old")
        p = subprocess.Popen([korvane, "settle", "-", "-o", str(out)], stdin=subprocess.PIPE,
                             stderr=subprocess.DEVNULL)
        p.stdin.write(book(ROWS[:1] + ROWS[1:] * 20000))
        p.stdin.flush()
        time.sleep(0.5)
        p.send_signal(sig)
        p.stdin.close()
        p.wait(timeout=60)
        check(out.read_bytes() == b"old", f"stopped by {sig.name}: OUT is not as it was")
        check(leftovers(folder, keep) == [], f"stopped by {sig.name}: left {leftovers(folder, keep)}")

    # Two at once, into one OUT: both done, OUT one whole book.
    for _ in range(3):
        runs = [subprocess.Popen([korvane, "settle", str(b), "-o", str(out)],
                                 stderr=subprocess.DEVNULL) for b in (big, other)]
        codes = [r.wait(timeout=120) for r in runs]
        got = out.read_bytes()
        check(codes == [0, 0] and got in (want[big], want[other]),
              f"two at once: exit {codes}, OUT is neither book ({len(got)} bytes)")
    check(leftovers(folder, keep) == [], f"two at once: left {leftovers(folder, keep)}")


def small_disk(korvane, tmp):
    """A real full disk, where the test may mount a small one."""
    disk = pathlib.Path(tmp) / "disk"
    disk.mkdir()
    if os.geteuid() != 0 or subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs",
                                            str(disk)], capture_output=True).returncode != 0:
        return
    try:
        src = pathlib.Path(tmp) / "book.csv"
        src.write_bytes(book(ROWS[:1] + ROWS[1:] * 20000))
        out = disk / "out.csv"
        out.write_bytes(b"old")
        p = subprocess.run([korvane, "settle", str(src), "-o", str(out)], capture_output=True)
        check(p.returncode == 2 and out.read_bytes() == b"old" and os.listdir(disk) == ["out.csv"],
              f"a full disk: exit {p.returncode}, {os.listdir(disk)}")
    finally:
        subprocess.run(["umount", str(disk)])


def streams(korvane):
    """Rows written slowly to a pipe come out within a second each, UTF-8 or GBK."""
    rows = ["验证,2013,05 12 18 30 41 49,08", "号码转肖,2013,08", "求和1,07 15 07 33,07,100,40",
            "PAI,12345678"]
    for codec in ("utf-8", "gb18030"):
        p = subprocess.Popen([korvane, "settle", "-"], stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        got = b""
        try:
            for n, row in enumerate(rows, 1):
                p.stdin.write((row + "\r\n").encode(codec))
                p.stdin.flush()
                deadline = time.monotonic() + 1.0
                while got.count(b"\r\n") < n and time.monotonic() < deadline:
                    ready, _, _ = select.select([p.stdout], [], [], deadline - time.monotonic())
                    if ready:
                        got += os.read(p.stdout.fileno(), 65536)
                check(got.count(b"\r\n") >= n, f"{codec}: row {n} not out within a second: {got!r}")
        finally:
            p.stdin.close()
            p.kill()
            p.wait()


def main():
    korvane = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        whole_or_old(korvane, tmp)
    with tempfile.TemporaryDirectory() as tmp:
        small_disk(korvane, tmp)
    streams(korvane)
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
