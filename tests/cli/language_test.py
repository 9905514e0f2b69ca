#!/usr/bin/env python3
"""The korvane tool in the user's language, and on the user's terminal.

usage: language_test.py KORVANE SOURCE_DIR

Each command runs under a Chinese locale (LANG=zh_CN.UTF-8) and under the C
locale a script sets (LC_ALL=C): the words a person reads follow the locale,
the exit status never does, and what a program reads (eval's JSON, a result)
is the same in both. A book settled under the Chinese locale carries Chinese
notes. On a terminal (a pseudo-terminal here) a GBK book is shown as the
terminal's UTF-8; to a pipe its bytes stay GBK.
"""
import os
import pathlib
import pty
import subprocess
import sys
import tempfile

failures = []

CHINESE = {"LANG": "zh_CN.UTF-8"}
SCRIPT = {"LANG": "zh_CN.UTF-8", "LC_ALL": "C"}  # a script's LC_ALL=C wins over LANG


def check(ok, what):
    if not ok:
        failures.append(what)


def environment(locale):
    env = {k: v for k, v in os.environ.items() if not k.startswith("LC_") and k != "LANG"}
    env.update(locale)
    return env


def run(korvane, args, locale, stdin=b""):
    p = subprocess.run([korvane, *args], input=stdin, capture_output=True, timeout=120,
                       env=environment(locale))
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def on_terminal(korvane, args, locale):
    """What a terminal shows of the run, and its exit status."""
    pid, fd = pty.fork()
    if pid == 0:
        os.execve(korvane, [korvane, *args], environment(locale))
    shown = b""
    while True:
        try:
            block = os.read(fd, 1 << 16)
        except OSError:  # the terminal closed with the process
            break
        if not block:
            break
        shown += block
    os.close(fd)
    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status), shown


BOOK = ("验证,2013,05 12 18 30 41 49,08\n"
        "验正,2013,05 12 18 30 41 49,08\n"
        "TEMA,07 15 07 33,07,10\n"
        "TEMA,07 15 07 33\n").encode("utf-8")
NO_DRAW = "平特几肖,平特一肖,鼠,10\n".encode("utf-8")


def commands(korvane, tmp):
    book = tmp / "账本.csv"
    book.write_bytes(BOOK)
    no_draw = tmp / "no-draw.csv"
    no_draw.write_bytes(NO_DRAW)
    # (what, arguments, standard input, where the person's words are, English, Chinese)
    return [
        ("call", ["call", "PAI", "12345678"], b"", None, None, None),
        ("call of an unknown name", ["call", "验正"], b"", "err",
         "no function is named", "没有名为"),
        ("call with a wrong count", ["call", "PAI"], b"", "err", "takes", "需要"),
        ("call without a draw", ["call", "平特几肖", "平特一肖", "鼠", "10"], b"", "out",
         "no draw", "未开奖"),
        ("call against a draw no lottery draws",
         ["call", "--draw", "2013", "05 12 18 30 41 41", "08", "平特几肖", "平特一肖", "鼠", "10"],
         b"", "err", "warning:", "警告："),
        ("settle", ["settle", str(book)], b"", "both", "unreadable", "无法读取"),
        ("settle without a draw", ["settle", str(no_draw)], b"", "out", "no draw", "未开奖"),
        ("settle of a missing book", ["settle", str(tmp / "无.csv")], b"", "err",
         "cannot open", "无法打开"),
        ("settle of the book onto itself", ["settle", str(book), "-o", str(book)], b"", "err",
         "would overwrite", "会覆盖"),
        ("help", ["help"], b"", "out", "worksheet functions", "工作表函数"),
        ("help of a function", ["help", "验证"], b"", "out", "Parameters:", "参数："),
        ("help of an unknown name", ["help", "验正"], b"", "err", "is named", "没有名为"),
        ("--help", ["--help"], b"", "out", "Usage", "用法"),
        ("settle --help", ["settle", "--help"], b"", "out", "Options", "选项"),
        ("call --help", ["call", "--help"], b"", "out", "Usage", "用法"),
        ("a usage error", ["settle"], b"", "err", "is required", "缺少"),
        ("an unknown option", ["call", "--jsn", "PAI", "1"], b"", "err", "unknown option",
         "未知选项"),
        ("an unknown command", ["sett"], b"", "err", "no command is named", "没有名为"),
        ("eval", ["eval"], '{"call":"验正","args":[]}\n{"get":"tt"}\n'.encode(), None, None,
         None),
    ]


def each_command_in_each_language(korvane, tmp):
    for what, args, stdin, where, english, chinese in commands(korvane, tmp):
        en = run(korvane, args, SCRIPT, stdin)
        zh = run(korvane, args, CHINESE, stdin)
        check(en[0] == zh[0], f"{what}: exits {en[0]} under LC_ALL=C, {zh[0]} under Chinese")
        check(en[0] in (0, 1, 2), f"{what}: exits {en[0]}")
        if where is None:  # for programs: the same in both
            check(en[1] == zh[1], f"{what}: the output differs between the languages")
            continue
        for stream, name in ((1, "out"), (2, "err")):
            if where not in (name, "both"):
                continue
            check(english in en[stream], f"{what}: LC_ALL=C std{name} lacks {english!r}:\n"
                                         f"{en[stream]}")
            check(chinese in zh[stream], f"{what}: Chinese std{name} lacks {chinese!r}:\n"
                                         f"{zh[stream]}")
            check(english not in zh[stream], f"{what}: Chinese std{name} still says {english!r}")


def settled_book_in_chinese(korvane, tmp):
    book = tmp / "账本.csv"
    code, out, err = run(korvane, ["settle", str(book)], CHINESE)
    rows = out.splitlines()
    check(len(rows) == 4, f"the settled book has {len(rows)} rows: {out}")
    check(rows[1:2] == ["验正,2013,05 12 18 30 41 49,08,"
                        "无法读取：没有名为“验正”的函数（您是不是要输入 验证？）"],
          f"the mistyped 验证 row: {rows[1:2]}")
    check("无法读取：TEMA 需要 3 个参数" in out, f"the row short of arguments:\n{out}")
    check("（您是不是要输入 验证？）" in err, f"settle's report lacks the suggestion:\n{err}")
    check("读取 4 行" in err, f"the summary is not in Chinese:\n{err}")
    code, out, err = run(korvane, ["settle", str(book)], SCRIPT)
    check("unreadable: no function is named “验正” (did you mean 验证?)" in out,
          f"LC_ALL=C: the mistyped 验证 row:\n{out}")


def terminal(korvane, src):
    gbk = src / "examples" / "book-gbk.csv"
    text = gbk.read_bytes().decode("gb18030").replace("\r\n", "\n")
    first_row = next(line for line in text.split("\n") if line and not line.startswith("#"))
    for locale in (CHINESE, SCRIPT, {"LANG": "C.UTF-8"}):
        code, shown = on_terminal(korvane, ["settle", str(gbk)], locale)
        try:
            screen = shown.decode("utf-8")
        except UnicodeDecodeError:
            check(False, f"{locale}: the terminal got bytes that are not UTF-8")
            continue
        check(first_row in screen.replace("\r\n", "\n"),
              f"{locale}: the terminal does not show {first_row!r}:\n{screen[:300]}")
        check(code == 0, f"{locale}: settling on a terminal exits {code}")
    piped = subprocess.run([korvane, "settle", str(gbk)], capture_output=True, timeout=120,
                           env=environment(CHINESE)).stdout
    check(piped.startswith(gbk.read_bytes()[:40]), "to a pipe the settled book is no longer GBK")


def main():
    korvane, src = sys.argv[1], pathlib.Path(sys.argv[2])
    with tempfile.TemporaryDirectory() as tmp:
        each_command_in_each_language(korvane, pathlib.Path(tmp))
        settled_book_in_chinese(korvane, pathlib.Path(tmp))
    terminal(korvane, src)
    for f in failures:
        print("FAIL:", f)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
