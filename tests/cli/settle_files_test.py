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


def book(rows, codec="utf-8"):
    return "".join(r + "\r\n" for r in rows).encode(codec)


def whole_or_old(korvane, folder):
    big, other, xlsx, out = (folder / n for n in ("big.csv", "other.csv", "book.xlsx", "out.csv"))
    big_book = book(ROWS[:1] + ROWS[1:] * 60000)
    big.write_bytes(big_book)
    other.write_bytes(book(ROWS[:1] + ROWS[2:] * 90000))
    xlsx.write_bytes(b"PK\x03\x04\x14\x00\x06\x00" + bytes(range(256)) * 20)
    want = {p: subprocess.run([korvane, "settle", str(p)], capture_output=True).stdout
            for p in (big, other)}

    def left_as(what, after):
        got = out.read_bytes() if out.exists() else None
        check(got == after, f"{what}: OUT is {got[:40] if got else got!r}...")
        check(big.read_bytes() == big_book, f"{what}: the book changed")
        extra = sorted({p.name for p in folder.iterdir()} - {big.name, other.name, xlsx.name, out.name})
        check(extra == [], f"{what}: left {extra}")

    def prepare(before):
        big.write_bytes(big_book)  # as it was, whatever a case before did to it
        out.unlink(missing_ok=True)
        if before is not None:
            out.write_bytes(before)
            out.chmod(0o640)

    def start(book_path, stderr=subprocess.DEVNULL, limit=None, **kw):
        pre = limit and (lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit)))
        return subprocess.Popen([korvane, "settle", book_path, "-o", str(out)], stderr=stderr,
                                preexec_fn=pre, **kw)

    # (what, OUT before, book, stderr into, size limit, exit, OUT after)
    for what, before, src, err_to, limit, code, after in [
            ("a refused workbook", b"old", xlsx, None, None, 2, b"old"),
            ("a refused workbook, OUT absent", None, xlsx, None, None, 2, None),
            ("the disk full (ulimit -f)", b"old", big, None, 100000, 2, b"old"),
            ("standard error into the book", b"old", big, big, None, 2, b"old"),
            ("standard error into OUT", b"old", big, out, None, 2, b"old"),
            ("a whole run", b"old", big, None, None, 0, want[big])]:
        prepare(before)
        err = open(err_to, "ab") if err_to else subprocess.DEVNULL
        got = start(str(src), err, limit).wait(timeout=120)
        if err_to:
            err.close()
        check(got == code, f"{what}: exit {got}, want {code}")
        left_as(what, after)
        check(not out.exists() or out.stat().st_mode & 0o777 == 0o640, f"{what}: OUT's mode")

    # Stopped half way: half of the book piped in, then the signal.
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGUSR1, signal.SIGALRM):
        prepare(b"old")
        p = start("-", stdin=subprocess.PIPE)
        p.stdin.write(big_book[:len(big_book) // 2])
        p.stdin.flush()
        time.sleep(0.5)
        p.send_signal(sig)
        p.stdin.close()
        p.wait(timeout=60)
        left_as(f"stopped by {sig.name}", b"old")

    # Two at once, into one OUT: both done, OUT one whole book.
    for _ in range(5):
        prepare(b"old")
        runs = [start(str(big)), start(str(other))]
        codes = [r.wait(timeout=120) for r in runs]
        check(codes == [0, 0] and out.read_bytes() in want.values(),
              f"two at once: exit {codes}, OUT is neither book")
    left_as("two at once", out.read_bytes())


def small_disk(korvane, folder):
    """A real full disk, where the test may mount a small one."""
    disk = folder / "disk"
    disk.mkdir()
    if os.geteuid() != 0 or subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs",
                                            str(disk)], capture_output=True).returncode:
        return
    try:
        (folder / "book.csv").write_bytes(book(ROWS[:1] + ROWS[1:] * 20000))
        (disk / "out.csv").write_bytes(b"old")
        p = subprocess.run([korvane, "settle", str(folder / "book.csv"), "-o", str(disk / "out.csv")],
                           capture_output=True)
        check(p.returncode == 2 and (disk / "out.csv").read_bytes() == b"old"
              and os.listdir(disk) == ["out.csv"], f"a full disk: exit {p.returncode}")
    finally:
        subprocess.run(["umount", str(disk)])


def streams(korvane):
    """Rows written slowly to a pipe come out within a second each, UTF-8 or GBK."""
    rows = ROWS + ["号码转肖,2013,08"]
    for codec in ("utf-8", "gb18030"):
        p = subprocess.Popen([korvane, "settle", "-"], stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        got = b""
        for n, row in enumerate(rows, 1):
            p.stdin.write(book([row], codec))
            p.stdin.flush()
            deadline = time.monotonic() + 1.0
            while got.count(b"\r\n") < n and time.monotonic() < deadline:
                if select.select([p.stdout], [], [], deadline - time.monotonic())[0]:
                    got += os.read(p.stdout.fileno(), 65536)
            check(got.count(b"\r\n") >= n, f"{codec}: row {n} not out within a second: {got!r}")
        p.kill()
        p.wait()


def main():
    for test in (whole_or_old, small_disk):
        with tempfile.TemporaryDirectory() as tmp:
            test(sys.argv[1], pathlib.Path(tmp))
    streams(sys.argv[1])
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
