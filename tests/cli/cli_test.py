#!/usr/bin/env python3
"""Runs the korvane tool as a person would: call, settle and help.

usage: cli_test.py KORVANE SOURCE_DIR [example|call|settle|help|conventions|memory]

The example check settles examples/book-utf8.csv and examples/book-gbk.csv and
compares the whole output, book and summary, with the reviewed results in
examples/book-settled.csv and examples/book-settled-summary.txt.
"""
import json
import os
import pathlib
import re
import select
import shlex
import subprocess
import sys
import tempfile
import time

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def run(korvane, *args, cwd=None):
    p = subprocess.run([korvane, *args], capture_output=True, cwd=cwd, timeout=120)
    return p.returncode, p.stdout, p.stderr.decode("utf-8", "replace")


def example(korvane, src):
    ex = src / "examples"
    utf8_book = (ex / "book-utf8.csv").read_bytes()
    gbk_book = (ex / "book-gbk.csv").read_bytes()
    check(utf8_book.startswith(b"\xef\xbb\xbf"), "the UTF-8 book opens with a byte-order mark")
    check(utf8_book[3:].decode("utf-8") == gbk_book.decode("gb18030"),
          "the GBK and the UTF-8 book hold the same rows")
    want = (ex / "book-settled.csv").read_bytes()
    want_summary = (ex / "book-settled-summary.txt").read_text(encoding="utf-8")

    def compare(got, want_bytes, codec, label):
        got_rows = got.decode(codec).split("\r\n")
        want_rows = want_bytes.decode(codec).split("\r\n")
        check(len(got_rows) == len(want_rows), f"{label}: {len(got_rows)} rows, want {len(want_rows)}")
        for n, (g, w) in enumerate(zip(got_rows, want_rows), 1):
            check(g == w, f"{label}:{n}: got {g!r}, want {w!r}")
        check(got == want_bytes, f"{label}: not byte for byte the reviewed book")

    code, out, err = run(korvane, "settle", str(ex / "book-utf8.csv"))
    check(code == 0, f"settling the UTF-8 book exits {code}: {err}")
    compare(out, want, "utf-8", "book-utf8.csv")
    book = str(ex / "book-utf8.csv")
    check(err == want_summary.replace("BOOK", book), f"UTF-8 summary:\n{err}\nwant:\n{want_summary}")

    with tempfile.TemporaryDirectory() as tmp:
        settled = pathlib.Path(tmp) / "settled.csv"
        code, out, err = run(korvane, "settle", str(ex / "book-gbk.csv"), "-o", str(settled))
        check(code == 0 and out == b"", f"settling the GBK book exits {code}: {err}")
        want_gbk = want[3:].decode("utf-8").encode("gb18030")
        compare(settled.read_bytes(), want_gbk, "gb18030", "book-gbk.csv")
        book = str(ex / "book-gbk.csv")
        check(err == want_summary.replace("BOOK", book), f"GBK summary:\n{err}\nwant:\n{want_summary}")
    return 0


DRAW = ["--draw", "2013", "05 12 18 30 41 49"]


def call(korvane, src):
    cases = [
        # Typing, seen through the draw set-up and its properties.
        ([*DRAW, "08", "tt"], "狗", 0),
        ([*DRAW, "08", "pp2"], "马", 0),
        (["--json", *DRAW, "08", "t"], '"08"', 0),
        (["--json", *DRAW, "'08", "t"], '"08"', 0),
        (["--json", *DRAW, "#n/a", "t"], '{"error":"#N/A"}', 1),  # no lottery number
        (["验证", "2013", "05 12 18 30 41 49", "'08"], "开奖号码已载入", 0),  # 易失 left out
        (["验证", "2013", "05 12 18 30 41 49", "'08", ""], "开奖号码已载入", 0),
        # Results as a cell shows them.
        (["号码转肖", "2013", "08"], "狗", 0),
        # One typing with settle: 08 stays a text, in the draw and the arguments
        # alike, so TEMAL finds the special number 08 of the list 08 18 28 08.
        ([*DRAW, "08", "求和1", "08 18 28 08", "08", "100", "40"], "8000", 0),
        ([*DRAW, "08", "求和1", "08 18 28 08", "'08", "100", "40"], "8000", 0),
        (["号码转肖", "2013", "00"], "0", 0),
        (["--json", "号码转肖", "2013", "00"], '{"int":0}', 0),
        (["PAI", "12345678"], "12", 0),
        (["PAI", "-12345678"], "-13", 0),  # a negative number is an argument, not an option
        (["pai", "'2500000"], "2", 0),  # names bind ignoring Latin case
        (["SL4", "12", "350"], "1200000350", 0),
        (["工资1", "", "80"], "80", 0),
        (["肖转号码", "2013", "蛇", "马", "", "", "", "", ""], "01 13 25 37 49 12 24 36 48", 0),
        # A failing call.
        (["PAI", "abc"], "#VALUE!", 1),
        (["--json", "PAI", "abc"], '{"fail":"#VALUE!"}', 1),
        # Mistakes in the command.
        (["NOPE"], "", 2),
        (["PAI"], "", 2),
        (["PAI", "1", "2"], "", 2),
        (["TEMA", "a"], "", 2),
        (["tt", "x"], "", 2),
        ([], "", 2),
    ]
    for args, want, want_code in cases:
        code, out, err = run(korvane, "call", *args)
        got = out.decode("utf-8").strip()
        check(code == want_code and got == want,
              f"korvane call {shlex.join(args)}: {got!r} exit {code}, want {want!r} exit {want_code}")
        if want_code == 2:
            check(err.startswith("korvane call: "), f"korvane call {shlex.join(args)}: says {err!r}")
    return 0


def functions(src):
    """The worksheet functions, from the pinned interface list (a test keeps it
    equal to the member table)."""
    rows = [line.split() for line in (src / "com" / "interface.pin").read_text(
        encoding="utf-8").splitlines() if line.strip() and not line.startswith("#")]
    return [name for _, name, shape, *_ in rows if shape != "property"]


def help_(korvane, src):
    code, out, _ = run(korvane, "help")
    listing = out.decode("utf-8")
    check(code == 0, "korvane help fails")
    for name in functions(src):
        check(re.search(rf"^{re.escape(name)}\(", listing, re.M), f"korvane help does not list {name}")
        code, out, _ = run(korvane, "help", name)
        text = out.decode("utf-8")
        check(code == 0 and "Parameters" in text and "Returns" in text, f"korvane help {name}")
        examples = [l.strip() for l in text.splitlines() if l.strip().startswith("korvane call ")]
        check(len(examples) == 1, f"korvane help {name} gives {len(examples)} examples")
        shown = [l.strip()[2:] for l in text.splitlines() if l.strip().startswith("→ ")]
        for e in examples:  # the example pastes into korvane call and prints what help shows
            code, out, err = run(korvane, *shlex.split(e)[1:])
            check(code == 0 and [out.decode("utf-8").strip()] == shown,
                  f"{e}: exit {code}, prints {out!r}, help shows {shown} {err}")
    code, out, _ = run(korvane, "help", "平特几肖")
    text = out.decode("utf-8")
    for part in ("收入", "每组中奖金额", "korvane call --draw 2013"):
        check(part in text, f"korvane help 平特几肖 lacks {part}")
    code, _, err = run(korvane, "help", "NOPE")
    check(code == 2 and "NOPE" in err, "korvane help NOPE")
    code, out, _ = run(korvane, "help", "--examples")
    calls = [json.loads(l[2:])["call"] for l in out.decode("utf-8").splitlines() if l.startswith("> ")]
    check(code == 0 and calls == functions(src), f"korvane help --examples calls {calls}")
    code, _, err = run(korvane, "help", "--examples", "PAI")
    check(code == 2 and "--examples" in err, f"korvane help --examples PAI: {code} {err}")
    return 0


def settle(korvane, src):
    book = ("# 账本\r\n验证,2013,05 12 18 30 41 49,08\r\n不存在,1\r\nPAI,12345678\r\n"
            "PAI,\"1\"2\r\nPAI\r\nPAI,abc\r\n").encode("gbk")
    with tempfile.TemporaryDirectory() as tmp:
        path = pathlib.Path(tmp) / "账本.csv"
        path.write_bytes(book)
        code, out, err = run(korvane, "settle", str(path))
        check(code == 1, f"a book with unreadable rows exits {code}")
        rows = out.decode("gb18030").split("\r\n")
        check(rows == ["# 账本", "验证,2013,05 12 18 30 41 49,08,开奖号码已载入",
                       "不存在,1,unreadable: no function is named “不存在”", "PAI,12345678,12",
                       "PAI,\"1\"2,unreadable: text after the closing quote of a field",
                       "PAI,\"unreadable: PAI takes 1 argument (w), the row gives 0\"", "PAI,abc,#VALUE!", ""],
              f"settled bad book: {rows}")
        for line in (3, 5, 6):
            check(f"账本.csv:{line}: " in err, f"line {line} is not reported: {err}")
        check("6 rows read: 2 settled, 1 failed (#VALUE!), 3 unreadable" in err, f"summary: {err}")

        code, _, err = run(korvane, "settle", str(path), "-o", str(path))
        check(code == 2 and path.read_bytes() == book, "settle -o onto its own book")
        code, _, err = run(korvane, "settle", str(pathlib.Path(tmp) / "none.csv"))
        check(code == 2 and "No such file or directory" in err, f"settle of a missing book: {err}")

        # The settled book never feeds the book: standard output appending to
        # it is refused before a byte is written, as -o onto it is.
        with open(path, "ab") as same:
            p = subprocess.run([korvane, "settle", str(path)], stdout=same, stderr=subprocess.PIPE,
                               timeout=60)
        check(p.returncode == 2 and path.read_bytes() == book,
              f"settle BOOK >> BOOK: exit {p.returncode}, {p.stderr!r}")

        # Standard input and output, and the other encoding on the way out.
        p = subprocess.run([korvane, "settle", "-", "-o", "-", "--output-encoding", "utf-8"],
                           input=book, capture_output=True, timeout=60)
        rows = p.stdout.decode("utf-8").split("\r\n")
        check(p.returncode == 1 and rows[1] == "验证,2013,05 12 18 30 41 49,08,开奖号码已载入"
              and "(standard input):3: " in p.stderr.decode("utf-8"),
              f"settle - --output-encoding utf-8: {p.returncode} {rows[:2]} {p.stderr!r}")

        # A bet with no draw loaded is marked and fails the run.
        nodraw = pathlib.Path(tmp) / "nodraw.csv"
        nodraw.write_bytes("平码几中几,二中二,01-02,100\n".encode())
        code, out, err = run(korvane, "settle", str(nodraw))
        check(code == 1 and out == "平码几中几,二中二,01-02,100,no draw\n".encode()
              and "nodraw.csv:1: no draw is loaded" in err and "1 not settled for want of a draw" in err,
              f"a bet without a draw: {code} {out!r} {err}")

        # A stray quote that swallows rows is settled as one record, but never
        # silently: it is named in the summary and the run exits 1.
        stray = pathlib.Path(tmp) / "stray.csv"
        stray.write_bytes("验证,2013,05 12 18 30 41 49,08\n包几肖,\"鼠,100\n包几肖,狗,10\n"
                          "包几肖,马\",100\n".encode("gbk"))
        code, out, err = run(korvane, "settle", str(stray))
        check(code == 1 and "1 row over several lines" in err and "stray.csv:2-4" in err,
              f"a record over several lines: exit {code}, says {err!r}")

        # Standard input is the book: the settled book must not overwrite it,
        # nor feed it, whichever way the shell joined them.
        def same_file_case(label, stdout_mode, args):
            path.write_bytes(book)
            with open(path, "rb") as stdin:
                if stdout_mode is None:
                    p = subprocess.run([korvane, "settle", "-", *args], stdin=stdin,
                                       capture_output=True, timeout=60)
                else:
                    fd = os.open(path, stdout_mode)
                    try:
                        p = subprocess.run([korvane, "settle", "-", *args], stdin=stdin,
                                           stdout=fd, stderr=subprocess.PIPE, timeout=60)
                    finally:
                        os.close(fd)
            err = p.stderr.decode("utf-8", "replace")
            check(p.returncode == 2 and path.read_bytes() == book and "korvane settle: " in err,
                  f"{label}: exit {p.returncode}, book {len(path.read_bytes())} bytes, says {err!r}")

        same_file_case("settle - -o BOOK < BOOK", None, ["-o", str(path)])
        same_file_case("settle - < BOOK >> BOOK", os.O_WRONLY | os.O_APPEND, [])
        same_file_case("settle - < BOOK 1<>BOOK", os.O_RDWR, [])
        # A pipe is never the output: the same book piped in settles.
        p = subprocess.run([korvane, "settle", "-", "-o", str(pathlib.Path(tmp) / "out.csv")],
                           input=book, capture_output=True, timeout=60)
        check(p.returncode == 1, f"settle - -o OUT from a pipe: {p.returncode} {p.stderr!r}")

        # The reports are part of the result: when they cannot be written the
        # run fails, whatever the rows did.
        good = pathlib.Path(tmp) / "good.csv"
        good.write_bytes("验证,2013,05 12 18 30 41 49,08\r\nPAI,12345678\r\n".encode("gbk"))
        for label, target in (("the good book", good), ("the bad book", path)):
            with open("/dev/full", "wb") as full:
                p = subprocess.run([korvane, "settle", str(target), "-o", os.devnull],
                                   stdout=subprocess.DEVNULL, stderr=full, timeout=60)
            check(p.returncode == 2, f"settle {label} 2>/dev/full: exit {p.returncode}")

        # A book written the way Excel writes "Unicode 文本 (*.txt)": UTF-16 LE,
        # its mark, tab-separated, CRLF; it comes back in the same form.
        rows = ["验证\t2013\t05 12 18 30 41 49\t08", "号码转肖\t2013\t08", "PAI\t12345678"]
        text = pathlib.Path(tmp) / "账本.txt"
        text.write_bytes(("\ufeff" + "".join(r + "\r\n" for r in rows)).encode("utf-16-le"))
        code, out, err = run(korvane, "settle", str(text))
        want = ["验证\t2013\t05 12 18 30 41 49\t08\t开奖号码已载入", "号码转肖\t2013\t08\t狗",
                "PAI\t12345678\t12", ""]
        check(code == 0 and out.startswith(b"\xff\xfe")
              and out[2:].decode("utf-16-le").split("\r\n") == want,
              f"settle of Excel's Unicode text: {code} {out[:80]!r} {err}")
        check("3 rows read: 3 settled" in err, f"Unicode text summary: {err}")
        code, out, err = run(korvane, "settle", str(text), "--output-encoding", "utf-8")
        check(code == 0 and out.decode("utf-8-sig").split("\r\n") == want,
              f"Unicode text --output-encoding utf-8: {code} {out[:80]!r}")
        code, out, err = run(korvane, "settle", str(good), "--output-encoding", "utf-16")
        check(code == 0 and out.startswith(b"\xff\xfe")
              and out[2:].decode("utf-16-le").startswith("验证,2013,05 12 18 30 41 49,08,开奖号码已载入\r\n"),
              f"settle --output-encoding utf-16: {code} {out[:80]!r}")

        # A file that is not a book is named for what it is.
        for label, data, says in (
                ("an .xlsx workbook", b"PK\x03\x04\x14\x00\x06\x00" + bytes(range(256)) * 20,
                 "looks like an .xlsx workbook: save it as CSV"),
                ("UTF-16 without its mark", "验证,2013,05 12 18 30 41 49,08\r\n".encode("utf-16-le"),
                 "looks like UTF-16 without a byte-order mark")):
            other = pathlib.Path(tmp) / "other.csv"
            other.write_bytes(data)
            code, out, err = run(korvane, "settle", str(other))
            check(code == 2 and out == b"" and says in err and "unreadable" not in err,
                  f"settle of {label}: exit {code}, says {err!r}")

    # A book on a pipe is settled as it arrives: the rows written so far come
    # out before the rest is written.
    rows = ["\ufeff验证,2013,05 12 18 30 41 49,08", "号码转肖,2013,08", "PAI,12345678", "PAI,3000000"]
    p = subprocess.Popen([korvane, "settle", "-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE)
    try:
        p.stdin.write("".join(r + "\r\n" for r in rows[:3]).encode("utf-8"))
        p.stdin.flush()
        got = b""
        deadline = time.monotonic() + 20
        while got.count(b"\r\n") < 3 and time.monotonic() < deadline:
            ready, _, _ = select.select([p.stdout], [], [], max(0, deadline - time.monotonic()))
            if not ready:
                break
            chunk = os.read(p.stdout.fileno(), 65536)
            if not chunk:
                break
            got += chunk
        check(got.decode("utf-8", "replace").endswith("PAI,12345678,12\r\n"),
              f"a piped book's first rows are not settled before the rest comes: {got!r}")
        p.stdin.write((rows[3] + "\r\n").encode("utf-8"))
        p.stdin.close()
        rest = p.stdout.read()
        err = p.stderr.read()
        p.wait(timeout=60)
        check(p.returncode == 0 and (got + rest).decode("utf-8").endswith("PAI,3000000,3\r\n"),
              f"a piped book: exit {p.returncode}, {(got + rest)!r} {err!r}")
    finally:
        if p.poll() is None:
            p.kill()
            p.wait()
    return 0


def gbk(text):
    return text.encode("gb18030")


def money(korvane, src):
    """What decides whether money is paid: the draw a bet is paid from, the
    draw's numbers as lottery numbers, draws no lottery can draw, and totals."""
    chain = ["--draw", "2013", "03 12 23 31 40 47"]
    calls = [
        # (arguments, printed, exit status, said on standard error)
        ([*chain, "18", "特串软串", "特串", "18 12 31", "100"], "200", 0, ""),
        (["--json", *chain, "18", "t"], '"18"', 0, ""),
        (["--json", "验证", "2013", "03 12 23 31 40 47", "18", "", ], '"开奖号码已载入"', 0, ""),
        ([*DRAW, "8", "t"], "8", 1, "the special number is not a lottery number"),
        (["验证", "2013", "05 12 18 30 41 49", "8"], "开奖号码已载入", 1, "warning: the draw is not"),
        ([*DRAW, "08 18", "平码几中几", "二中二", "05-12", "100"], "100", 1, "warning: the draw is not"),
        # A bet on the draw with none loaded is not answered from an empty draw.
        (["求和1", "08", "08", "100", "40"], "no draw", 1, "none is loaded: give --draw"),
        (["--json", "平特几肖", "平特二肖", "牛马鼠蛇", "100"], '{"fail":"no draw"}', 1, "--draw"),
        ([*DRAW, "08", "求和1", "08", "08", "100", "40"], "4000", 0, ""),
        (["PAI", "12345678"], "12", 0, ""),
    ]
    for args, want, want_code, says in calls:
        code, out, err = run(korvane, "call", *args)
        got = out.decode("utf-8").strip()
        check(code == want_code and got == want and says in err and (says or not err),
              f"korvane call {shlex.join(args)}: {got!r} exit {code} says {err!r}, "
              f"want {want!r} exit {want_code} saying {says!r}")

    draw = "验证,2013,05 12 18 30 41 49,08\r\n"
    bet = "平码几中几,二中二,05-12,100\r\n"
    books = [
        # (book, its last settled row, exit status, said on standard error)
        (draw + "验证，2014，01 02 03 04 05 06，07\r\n" + bet, bet[:-2] + ",no draw", 1,
         "could have been a draw row"),
        (draw + "验证\t2014\t01 02 03 04 05 06\t07\r\n" + bet, bet[:-2] + ",no draw", 1, ""),
        (draw + '=验证(2014,"01 02 03 04 05 06","07")\r\n' + bet, bet[:-2] + ",no draw", 1, ""),
        (draw + "驗證,2014,01 02 03 04 05 06,07\r\n" + bet, bet[:-2] + ",no draw", 1, ""),
        # `cat week1.csv week2.csv`, the first without a line end at its end.
        ("\ufeff" + draw + "包几肖,狗,100\ufeff验证,2014,01 02 03 04 05 06,07\r\n" + bet,
         bet[:-2] + ",no draw", 1, ""),
        (draw + bet, bet[:-2] + ",100", 0, ""),
        ("验证,2013,03 12 23 31 40 47,18\r\n特串软串,特串,18 12 31,100\r\n",
         "特串软串,特串,18 12 31,100,200", 0, ""),
        ("验证,2013,05 12 18 30 41 49,8\r\n" + bet, bet[:-2] + ",100", 1,
         "1 bet settled against 1 draw no lottery can draw"),
        ("验证,2013,05 12 18 30 41,08\r\n" + bet, bet[:-2] + ",300", 1, "regular number 6"),
        ("工资1,,0.1\r\n" * 1000, "工资1,,0.1,0.1", 0, "1000             100\n"),
        ("工资1,,1E15\r\n工资1,,1\r\n", "工资1,,1,1", 0, "1000000000000001\n"),
        # A seventh number is not read by the draw: it must not vanish unsaid.
        ("验证,2013,07 05 12 18 30 41 49,08\r\n平特几不中,49,100\r\n", "平特几不中,49,100,100", 1,
         "more than six two-digit numbers"),
        # A draw row in the other byte encoding: a UTF-8 terminal's `echo >>`
        # into a GBK book, a UTF-8 comment, a UTF-8 book glued on by `cat`;
        # and a GBK row glued onto a UTF-8 book's row past its lookahead.
        (gbk(draw) + "验证,2014,01 02 03 04 05 06,07\r\n".encode() + gbk(bet),
         bet[:-2] + ",no draw", 1, "another encoding"),
        (gbk(draw) + "# 验证 2014\r\n".encode() + gbk(bet), bet[:-2] + ",no draw", 1, ""),
        (gbk(draw + "TEMAL,05 12 33") + "\ufeff验证,2014,01 02 03 04 05 06,07\r\n".encode() + gbk(bet),
         bet[:-2] + ",no draw", 1, ""),
        ((draw + bet * 2000 + "TEMAL,05 12 33").encode() + gbk("验证,2014,01 02 03 04 05 06,07\r\n")
         + bet.encode(), bet[:-2] + ",no draw", 1, ""),
    ]
    with tempfile.TemporaryDirectory() as tmp:
        path = pathlib.Path(tmp) / "book.csv"
        for n, (book, last, want_code, says) in enumerate(books, 1):
            path.write_bytes(book if isinstance(book, bytes) else book.encode("utf-8"))
            code, out, err = run(korvane, "settle", str(path))
            gbk_book = isinstance(book, bytes) and book.startswith(gbk(draw))
            rows = out.decode("gb18030" if gbk_book else "utf-8", "replace").split("\r\n")
            check(code == want_code and rows[-2:] == [last, ""] and says in err,
                  f"money book {n}: exit {code}, ends {rows[-2:]!r}, says {err!r}; "
                  f"want exit {want_code}, {last!r}, {says!r}")
    return 0


LONG_NAME = "x" * 200


def conventions(korvane, src):
    """The command line as conventional tools behave: usage errors exit 2 with a
    suggestion, "--" ends the options, long texts are quoted cut short."""
    usage_line = "Usage: korvane call [--draw YEAR NUMBERS SPECIAL] [--json] FUNCTION [ARG...]"
    cases = [
        # (arguments, exit status, text wanted in standard output, in standard error)
        ([], 2, "", "Usage: korvane"),
        (["--version"], 0, "korvane ", ""),
        (["cal"], 2, "", "did you mean call?"),
        (["--bogus"], 2, "", "korvane: "),
        (["settle"], 2, "", "korvane settle: "),
        (["settle", "--outptu", "x.csv", "y.csv"], 2, "", "did you mean --output?"),
        (["eval", "extra"], 2, "", "korvane eval: "),
        (["help", "PAI", "TEMA"], 2, "", "korvane help: "),
        (["call", "--draw", "2013"], 2, "", "korvane call: "),
        (["call", "--jsn", "PAI", "1"], 2, "", "did you mean --json?"),
        (["call", "平特几箫", "1"], 2, "", "did you mean 平特几肖"),
        (["help", "TEAM"], 2, "", "did you mean TEMA?"),
        (["help", "NOPE"], 2, "", "(korvane help lists them)"),
        (["call", "--help"], 0, usage_line, ""),
        (["call", "--", "PAI", "12345678"], 0, "12", ""),
        (["call", "--", "肖转号码", "2013", "蛇", "马", "", "", "", "", ""], 0,
         "01 13 25 37 49 12 24 36 48", ""),
        (["call", *DRAW, "08", "--", "tt"], 0, "狗", ""),
        (["call", "--"], 2, "", "name a function"),
        (["call", LONG_NAME], 2, "", '"' + "x" * 80 + '..."'),
        # Words of dashes: "--" ends the options, any other is an unknown option.
        (["---"], 2, "", 'korvane: unknown option "---"'),
        (["call", "---"], 2, "", 'korvane call: unknown option "---"'),
        (["call", "--json", "----"], 2, "", 'unknown option "----"'),
        (["eval", "---"], 2, "", 'korvane eval: unknown option "---"'),
        (["settle", "book.csv", "---"], 2, "", 'korvane settle: unknown option "---"'),
        (["settle", "---", "book.csv"], 2, "", 'korvane settle: unknown option "---"'),
        (["help", "---"], 2, "", 'korvane help: unknown option "---"'),
        (["help", "--examples", "-" * 300], 2, "", "unknown option"),
        (["settle", "--", "book.csv", "-o", "out.csv"], 2, "", 'unexpected argument "-o"'),
        (["eval", "--", "---"], 2, "", 'unexpected argument "---"'),
        (["call", "--", "---"], 2, "", 'no function is named "---"'),
        (["call", "PAI", "---"], 1, "#VALUE!", ""),  # after the name: an argument
        (["help", "--", "PAI"], 0, "PAI(w)", ""),
        (["settle", "--", "none.csv"], 2, "", "none.csv: No such file"),
        # An unset variable in a script: no file named, nothing written anywhere.
        (["settle", "book.csv", "-o", ""], 2, "", "-o names no file"),
        (["call", "--draw", "2013", "05 12 18 30 41 49", "08", "--jsn=1", "PAI"], 2, "",
         "did you mean --json?"),
        (["help", LONG_NAME], 2, "", '"' + "x" * 80 + '..."'),
    ]
    empty = tempfile.TemporaryDirectory()  # run from a folder holding no book
    for args, want_code, want_out, want_err in cases:
        code, out, err = run(korvane, *args, cwd=empty.name)
        label = f"korvane {shlex.join(args)[:60]}"
        check(code == want_code, f"{label}: exit {code}, want {want_code}: {err!r}")
        check(want_out in out.decode("utf-8"), f"{label}: prints {out[:200]!r}, want {want_out!r}")
        check(want_err in err, f"{label}: says {err[:300]!r}, want {want_err!r}")
        check("x" * 81 not in err, f"{label}: quotes more than 80 characters")
    empty.cleanup()

    # "--" ends settle's options: the book after it is settled.
    with tempfile.TemporaryDirectory() as tmp:
        book = pathlib.Path(tmp) / "--.csv"
        book.write_bytes("验证,2013,05 12 18 30 41 49,08\r\nPAI,12345678\r\n".encode())
        code, out, err = run(korvane, "settle", "--", book.name, cwd=tmp)
        check(code == 0 and out.decode().endswith("PAI,12345678,12\r\n"),
              f"korvane settle -- BOOK: exit {code}, {out!r} {err}")
        # An option's value is no option, whatever it looks like.
        code, out, err = run(korvane, "settle", "-o", "---", "--", book.name, cwd=tmp)
        written = pathlib.Path(tmp) / "---"
        check(code == 0 and written.is_file() and written.read_bytes().endswith(b"12\r\n"),
              f"korvane settle -o --- -- BOOK: exit {code}, {err}")

    # Requests no eval may take for well-formed ones.
    p = subprocess.run([korvane, "eval"], capture_output=True, timeout=60, input=(
        b'{"get":"t"}\x00{"let":"t","value":"9"}\n'
        b'{"get":"t","get":"tt"}\n'
        b'{"call":"PAI","args":["1"],"args":["2"]}\n'
        b'{"get":"' + LONG_NAME.encode() + b'"}\n'
        b'{"get":"t"}\n'))
    answers = p.stdout.decode("utf-8").splitlines()
    check(p.returncode == 0 and len(answers) == 5, f"eval of odd requests: {answers}")
    for n, a in enumerate(answers[:4], 1):
        check(a.startswith('{"fault":'), f"odd request {n} is answered {a[:100]}")
    fault = json.loads(answers[3])["fault"] if answers[3:4] else ""
    check('"' + "x" * 80 + '..."' in fault and "x" * 81 not in fault,
          f"an unknown name is not quoted cut short: {fault!r}")
    check(answers[4:] == ['{"result":null}'], f"a NUL byte hid a request that changed t: {answers}")

    # Streams that cannot be read or written end the run with status 2 and a reason.
    def stream_case(label, args, stdin, stdout, want_err, preexec=None):
        p = subprocess.run([korvane, *args], stdin=stdin, stdout=stdout, stderr=subprocess.PIPE,
                           timeout=60, preexec_fn=preexec)
        err = p.stderr.decode("utf-8", "replace")
        check(p.returncode == 2 and want_err in err, f"{label}: exit {p.returncode}, says {err!r}")

    with tempfile.TemporaryDirectory() as tmp:
        request = pathlib.Path(tmp) / "requests.jsonl"
        request.write_bytes(b'{"get":"t"}\n' * 20000)
        directory = os.open(tmp, os.O_RDONLY)
        try:
            stream_case("eval reading a directory", ["eval"], directory, subprocess.DEVNULL,
                        "cannot read standard input")
        finally:
            os.close(directory)
        stream_case("eval with standard input closed", ["eval"], subprocess.DEVNULL,
                    subprocess.DEVNULL, "cannot read standard input", preexec=lambda: os.close(0))
        for args in (["eval"], ["call", "PAI", "12345678"], ["help"], ["help", "TEMA"]):
            with open(request, "rb") as stdin, open("/dev/full", "wb") as full:
                stream_case(f"korvane {args[0]} >/dev/full", args, stdin, full, "cannot write")
            read_end, write_end = os.pipe()
            os.close(read_end)  # a reader that has gone away
            try:
                with open(request, "rb") as stdin:
                    stream_case(f"korvane {args[0]} into a closed pipe", args, stdin, write_end,
                                "Broken pipe")
            finally:
                os.close(write_end)
    return 0


def memory(korvane, src):
    """One long eval line costs memory in proportion to its length: at most
    BYTES_PER_BYTE bytes of peak resident memory per byte of the line, over the
    tool's own start-up size. The cheapest cells ("" and null) are the worst
    case: each becomes one variant."""
    BYTES_PER_BYTE = 24
    size = 8 << 20
    shapes = {
        "arguments": ('{"call":"TEMA","args":[', '""', ']}'),
        "one row": ('{"call":"求和1","args":[{"array":[[', '""', ']]},1,2,3,4]}'),
        "one column": ('{"call":"求和1","args":[{"ref":[', '[""]', ']},1,2,3,4]}'),
        "nulls": ('{"let":"t","value":{"array":[[', 'null', ']]}}'),
    }
    with tempfile.TemporaryDirectory() as tmp:
        # A book whose unclosed quote holds back two million blank lines: the
        # settler holds back bytes, not an object a line. (Measured first: a
        # child's peak counts what this script held when it forked.)
        HELD_BYTES = 1 << 20  # the most a record holds back
        def settle_peak_kib(data):
            path = pathlib.Path(tmp) / "book.csv"
            with open(path, "wb") as f:
                for piece in data:
                    f.write(piece)
            with open(pathlib.Path(tmp) / "out", "wb") as out:
                p = subprocess.Popen([korvane, "settle", str(path)], stdout=out,
                                     stderr=subprocess.DEVNULL)
                _, status, usage = os.wait4(p.pid, 0)
            return os.waitstatus_to_exitcode(status), usage.ru_maxrss

        _, settle_base = settle_peak_kib([b"PAI,12345678\n"])
        code, peak = settle_peak_kib(
            [b'TEMAL,"05\n', *[b"\n" * 100_000] * 20, b"PAI,12345678\n"])
        over = (peak - settle_base) * 1024
        print(f"settle, an unclosed quote and 2 M blank lines: peak {peak} KiB "
              f"(start-up {settle_base} KiB)")
        check(code == 1 and over <= 4 * HELD_BYTES + (4 << 20),
              f"an unclosed quote before 2 M blank lines: exit {code}, peaks {over >> 20} MiB "
              f"over start-up (at most {(4 * HELD_BYTES + (4 << 20)) >> 20})")

        def peak_kib(data):
            path = pathlib.Path(tmp) / "line.jsonl"
            path.write_bytes(data)
            with open(path, "rb") as stdin, open(pathlib.Path(tmp) / "out", "wb") as out:
                p = subprocess.Popen([korvane, "eval"], stdin=stdin, stdout=out)
                _, status, usage = os.wait4(p.pid, 0)
            answer = (pathlib.Path(tmp) / "out").read_text(encoding="utf-8")
            return os.waitstatus_to_exitcode(status), answer, usage.ru_maxrss

        _, _, base = peak_kib(b'{"get":"t"}\n')
        for name, (head, cell, tail) in shapes.items():
            count = (size - len(head) - len(tail)) // (len(cell) + 1)
            line = (head + ",".join([cell] * count) + tail + "\n").encode("utf-8")
            code, answer, peak = peak_kib(line)
            check(code == 0 and answer.count("\n") == 1, f"{name}: exit {code}, {answer[:200]!r}")
            per_byte = (peak - base) * 1024 / len(line)
            print(f"{name}: {len(line)} bytes, peak {peak} KiB (start-up {base} KiB): "
                  f"{per_byte:.1f} bytes a byte")
            check(per_byte <= BYTES_PER_BYTE,
                  f"{name}: a {len(line) >> 20} MiB line peaks at {peak >> 10} MiB, "
                  f"{per_byte:.1f} bytes a byte (at most {BYTES_PER_BYTE})")
    return 0


def main():
    korvane, src = os.path.abspath(sys.argv[1]), pathlib.Path(sys.argv[2])
    parts = {"example": example, "call": call, "help": help_, "settle": settle, "money": money,
             "conventions": conventions, "memory": memory}
    chosen = sys.argv[3:] or list(parts)
    status = 0
    for name in chosen:
        status = max(status, parts[name](korvane, src) or 0)
    if failures:
        print("\n".join(failures))
        print(f"{len(failures)} failed")
        return 1
    return status


if __name__ == "__main__":
    sys.exit(main())
