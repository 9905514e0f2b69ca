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


def closed_streams(korvane, folder):
    """A script's >&-, 2>&- and <&-: the run fails and says why where it can,
    and the settled book never holds the reports."""
    bk, out = folder / "book.csv", folder / "out.csv"
    bk.write_bytes(book(ROWS))
    # (what, arguments, descriptors closed, the reason said on stderr, OUT's bytes
    # after). With nowhere to say what it did, a run does not replace OUT.
    rows = [
        ("stdout and stderr closed, -o", ["-o", str(out)], (1, 2), None, None),
        ("stdin and stderr closed, -o", ["-o", str(out)], (0, 2), None, None),
        ("stdout closed", [], (1,), "Bad file descriptor", None),
        ("stdin closed, book from stdin", [], (0,), "Bad file descriptor", None),
    ]
    for what, args, closed, reason, after in rows:
        out.unlink(missing_ok=True)
        book_arg = "-" if what.endswith("from stdin") else str(bk)

        def close(fds=closed):
            for fd in fds:
                os.close(fd)
        p = subprocess.run([korvane, "settle", book_arg, *args], preexec_fn=close,
                           stderr=None if 2 in closed else subprocess.PIPE,
                           stdout=subprocess.DEVNULL if 1 not in closed else None)
        got = out.read_bytes() if out.exists() else None
        check(p.returncode == 2, f"{what}: exit {p.returncode}")
        check(got == after, f"{what}: OUT holds {got[-120:] if got else got!r}")
        if reason:
            check(reason.encode() in p.stderr, f"{what}: says {p.stderr!r}")
    p = subprocess.run(f"'{korvane}' settle '{bk}' > /dev/full", shell=True, capture_output=True)
    check(p.returncode == 2 and b"No space left on device" in p.stderr,
          f"/dev/full: exit {p.returncode}, {p.stderr!r}")


def names_and_links(korvane, folder):
    """-o to a name near the file system's limit, through links: the file the
    name stands for is written, the user's link stays a link."""
    bk = folder / "book.csv"
    bk.write_bytes(book(ROWS))
    want = subprocess.run([korvane, "settle", str(bk)], capture_output=True).stdout
    long_name = "结" * 80 + ".csv"  # 244 bytes: a 255-byte limit leaves 11
    os.symlink("made-by-link.csv", folder / "dangling.csv")
    os.symlink("loop-b", folder / "loop-a")
    os.symlink("loop-a", folder / "loop-b")
    # (what, -o, exit, the file that must hold the book, a link that must stay)
    rows = [
        ("a long new name", long_name, 0, long_name, None),
        ("a long name already there", long_name, 0, long_name, None),
        ("a link to nothing", "dangling.csv", 0, "made-by-link.csv", "dangling.csv"),
        ("a link to the file it made", "dangling.csv", 0, "made-by-link.csv", "dangling.csv"),
        ("links in a loop", "loop-a", 2, None, "loop-a"),
    ]
    for what, out, code, holder, link in rows:
        p = subprocess.run([korvane, "settle", str(bk), "-o", out], cwd=folder, capture_output=True)
        check(p.returncode == code, f"{what}: exit {p.returncode}: {p.stderr!r}")
        if holder:
            held = (folder / holder).read_bytes() if (folder / holder).is_file() else None
            check(held == want, f"{what}: {holder} lacks the book")
        if link:
            check((folder / link).is_symlink(), f"{what}: the link {link} is gone")
    left = sorted(p.name for p in folder.iterdir())
    check(left == sorted(["book.csv", long_name, "dangling.csv", "made-by-link.csv", "loop-a",
                          "loop-b"]), f"names and links: the folder holds {left}")


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
    for test in (whole_or_old, small_disk, closed_streams, names_and_links):
        with tempfile.TemporaryDirectory() as tmp:
            test(sys.argv[1], pathlib.Path(tmp))
    streams(sys.argv[1])
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
