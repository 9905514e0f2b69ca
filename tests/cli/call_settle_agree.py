#!/usr/bin/env python3
"""`korvane call` and `korvane settle` type a word the same way.

usage: call_settle_agree.py KORVANE

A bookkeeper checks one row of a book by pasting it into `korvane call`: the
answer must be the one the book settles to. Rows for every worksheet function
are generated from its help example (`korvane help FUNCTION`), with its
arguments swapped for words a book holds (lottery numbers with and without a
leading zero, amounts written with separators and percent signs, zodiac signs,
booleans, error names, empty cells), under a few draws. The rows are settled
as one book and called one by one, each call with its block's draw, and every
row must come out the same both ways.
"""
import concurrent.futures
import csv
import io
import os
import pathlib
import random
import shlex
import subprocess
import sys
import tempfile

DRAWS = [
    ["2013", "05 12 18 30 41 49", "08"],
    ["2024", "01 02 03 04 06 07", "49"],
    ["2013", "05 12 18 30 41 49", "'8"],
    ["2020", "10 20 30 40 41 42", "8"],
]
WORDS = ["08", "8", "00", "0", "'08", "05", "-05", " 08", "49", "1", "100", "0100", "1,000",
         "50%", "12.5", "-3", "1e3", "TRUE", "false", "#N/A", "", "05 12 18 30 41 49",
         "08 18 28 08", "01-02-03", "牛马鼠蛇", "鼠", "狗", "平特二肖", "二中二", "三中三", "特串",
         "2013", "2024", "蛇", "马", "单", "大", "1.5", "0.5", "08.5", "'", "12345678"]
VARIANTS = 120  # rows per function besides its example
ROWS_PER_DRAW = 150


# In the sanitizer build every process runs under AddressSanitizer, but the
# leak check at its exit (a third of a process's time there) and the stack
# kept for each allocation (a sixth) are made on every eighth call only: the
# calls share their code paths, and the settle run checks them all. A fault
# found on another call is still found; rerun it alone for the allocation's
# stack.
LEAK_CHECK_EVERY = 8
FAST_ENV = dict(os.environ, ASAN_OPTIONS=":".join(
    filter(None, [os.environ.get("ASAN_OPTIONS"), "detect_leaks=0:malloc_context_size=0"])))


def run(korvane, *args, stdin=None, leaks=True):
    p = subprocess.run([korvane, *args], input=stdin, capture_output=True, timeout=120,
                       env=None if leaks else FAST_ENV)
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8", "replace")


def examples(korvane):
    """Each function's example as the words after `korvane call`, the draw left out."""
    code, listing, err = run(korvane, "help")
    assert code == 0, err
    out = {}
    for line in listing.splitlines():
        if "(" not in line or line.startswith(" "):
            continue
        name = line.split("(", 1)[0]
        code, text, _ = run(korvane, "help", name)
        for l in text.splitlines():
            l = l.strip()
            if l.startswith("korvane call "):
                words = shlex.split(l)[2:]
                if words[:1] == ["--draw"]:
                    words = words[4:]
                out[name] = words
    return out


def rows(korvane, rng):
    """(function, arguments) rows: each example, then variants of it."""
    funcs = {n: w for n, w in examples(korvane).items() if n != "验证"}
    pool = WORDS + sorted({w for words in funcs.values() for w in words[1:]})
    out = []
    for name, words in funcs.items():
        args = words[1:]
        out.append((words[0], args))
        for _ in range(VARIANTS if args else 0):
            v = list(args)
            for i in rng.sample(range(len(v)), rng.randrange(1, len(v) + 1)):
                v[i] = rng.choice(pool)
            out.append((words[0], v))
    rng.shuffle(out)
    return out


def book_text(blocks):
    buf = io.StringIO()
    w = csv.writer(buf, lineterminator="\r\n")
    for draw, block in blocks:
        w.writerow(["验证", *draw])
        for name, args in block:
            w.writerow([name, *args])
    return buf.getvalue()


def main():
    korvane = os.path.abspath(sys.argv[1])
    rng = random.Random(2013)
    all_rows = rows(korvane, rng)
    blocks = [(DRAWS[(i // ROWS_PER_DRAW) % len(DRAWS)], all_rows[i:i + ROWS_PER_DRAW])
              for i in range(0, len(all_rows), ROWS_PER_DRAW)]
    with tempfile.TemporaryDirectory() as tmp:
        book = pathlib.Path(tmp) / "rows.csv"
        book.write_text(book_text(blocks), encoding="utf-8", newline="")
        code, settled, err = run(korvane, "settle", str(book))
    settled_rows = list(csv.reader(io.StringIO(settled, newline="")))
    failures = []
    if code not in (0, 1) or len(settled_rows) != len(all_rows) + len(blocks):
        failures.append(f"settling the book exits {code} with {len(settled_rows)} rows "
                        f"(want {len(all_rows) + len(blocks)}): {err[-2000:]}")
    book_result = {}
    at = 0
    for b, (_, block) in enumerate(blocks):
        at += 1  # the block's draw row
        for r in range(len(block)):
            book_result[(b, r)] = settled_rows[at][-1] if at < len(settled_rows) else None
            at += 1

    def called(key):
        b, r = key
        name, args = blocks[b][1][r]
        code, out, err = run(korvane, "call", "--draw", *blocks[b][0], "--", name, *args,
                             leaks=r % LEAK_CHECK_EVERY == 0)
        return key, code, out.rstrip("\n"), err

    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        for (b, r), code, out, err in pool.map(called, book_result):
            name, args = blocks[b][1][r]
            want = book_result[(b, r)]
            if code not in (0, 1) or out != want:
                failures.append(f"korvane call --draw {shlex.join(blocks[b][0])} -- "
                                f"{shlex.join([name, *args])}: prints {out!r} exit {code}, "
                                f"the book settles to {want!r} {err.strip()[:200]}")
    print(f"{len(all_rows)} rows of {len({n for n, _ in all_rows})} functions, "
          f"{len(blocks)} draws: call and settle compared")
    if failures:
        print("\n".join(failures[:30]))
        print(f"{len(failures)} failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
