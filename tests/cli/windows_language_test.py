#!/usr/bin/env python3
"""korvane.exe under Wine, as on a Chinese Windows (code page 936) and an English one.

usage: windows_language_test.py WINE KORVANE_EXE

A GBK book with a Chinese file name (under either code page), one row of it a mistyped 验证: the
reports name the book as the UTF-8 text it is (not its GBK bytes), in Chinese
under the Chinese locale and in English under the other, with the same exit
status; on a terminal (Wine's console on a pseudo-terminal) the settled book
reads as text, through the console's wide output; to a file it stays GBK.
"""
import os
import pathlib
import pty
import subprocess
import sys
import tempfile

failures = []
CHINESE = {"KORVANE_WINE_ZH": "1"}
ENGLISH = {"KORVANE_WINE_ZH": ""}
BOOK = "验证,2013,05 12 18 30 41 49,08\r\n验正,2013,05 12 18 30 41 49,08\r\nPAI,12345678\r\n"


def check(ok, what):
    if not ok:
        failures.append(what)


def run(wine, exe, folder, locale, name, *more):
    p = subprocess.run([wine, exe, "settle", name, *more], capture_output=True, timeout=300,
                       cwd=folder, env=dict(os.environ, **locale))
    return p.returncode, p.stdout, p.stderr


def outputs(wine, exe, folder):
    """-o with Chinese names under either code page: the settled book lands
    in the file named, the book itself is refused as the output, and no new
    file is left beside them."""
    (folder / "目录").mkdir()
    for locale in (ENGLISH, CHINESE):
        # (-o, exit status wanted, the file that must then hold the settled book)
        cases = [("结算.csv", 1, "结算.csv"), (r"目录\结算.csv", 1, "目录/结算.csv"),
                 ("账本.csv", 2, None)]
        for out, want, lands in cases:
            code, _, err = run(wine, exe, folder, locale, "账本.csv", "-o", out)
            what = f"{locale}: settle 账本.csv -o {out}"
            check(code == want, f"{what}: exit {code}, want {want}: {err.decode('utf-8', 'replace')}")
            if lands:
                written = folder / lands
                check(written.is_file() and written.read_bytes().startswith(BOOK.encode("gb18030")[:30]),
                      f"{what}: the settled book is not there")
                written.unlink(missing_ok=True)
            check((folder / "账本.csv").read_bytes() == BOOK.encode("gb18030"), f"{what}: the book changed")
            left = [p.name for p in folder.rglob("*") if "korvane-" in p.name]
            check(not left, f"{what}: files left beside it: {left}")


def on_terminal(wine, exe, folder, locale):
    pid, fd = pty.fork()
    if pid == 0:
        os.chdir(folder)
        os.execve(wine, [wine, exe, "settle", "账本.csv"], dict(os.environ, **locale))
    shown = b""
    while True:
        try:
            block = os.read(fd, 1 << 16)
        except OSError:
            break
        if not block:
            break
        shown += block
    os.close(fd)
    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status), shown


def main():
    wine, exe = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    with tempfile.TemporaryDirectory() as tmp:
        folder = pathlib.Path(tmp)
        (folder / "账本.csv").write_bytes(BOOK.encode("gb18030"))
        # (locale, the book's name, words the report must hold)
        cases = [(CHINESE, "账本.csv",
                  ["账本.csv:2: 没有名为“验正”的函数（您是不是要输入 验证？）", "读取 3 行"]),
                 # The English code page cannot spell the name: korvane.exe takes
                 # its command line as UTF-8 all the same (its manifest).
                 (ENGLISH, "账本.csv",
                  ["账本.csv:2: no function is named “验正” (did you mean 验证?)", "3 rows read"])]
        statuses = []
        for locale, name, words in cases:
            code, out, err = run(wine, exe, folder, locale, name)
            statuses.append(code)
            report = err.decode("utf-8", "replace")
            for w in words:
                check(w in report, f"{locale}: the report lacks {w!r}:\n{report}")
            check(out.startswith(BOOK.encode("gb18030")[:30]),
                  f"{locale}: the settled book in a file is no longer GBK")
        check(statuses == [1, 1], f"exit statuses {statuses}, want 1 in both languages")
        code, shown = on_terminal(wine, exe, folder, CHINESE)
        try:
            screen = shown.decode("utf-8")
            check("验证,2013,05 12 18 30 41 49,08,开奖号码已载入" in screen,
                  f"the console does not show the settled book as text:\n{screen[:300]}")
            check("无法读取" in screen, "the console does not show the Chinese note")
        except UnicodeDecodeError:
            check(False, "the console shows bytes that are not text")
        check(code == 1, f"settling on the console exits {code}")
        outputs(wine, exe, folder)
    for f in failures:
        print("FAIL:", f)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
