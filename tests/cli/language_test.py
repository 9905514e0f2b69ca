#!/usr/bin/env python3
"""The korvane tool in the user's language, and on the user's terminal.

usage: language_test.py KORVANE SOURCE_DIR

Each command runs under a Chinese locale (LANG=zh_CN.UTF-8) and under the C
locale a script sets (LC_ALL=C): the words a person reads follow the locale,
the exit status never does, and what a program reads (eval's JSON, a result)
is the same in both. A book settled under the Chinese locale carries Chinese
notes. On a terminal (a pseudo-terminal here) a GBK book is shown as the
terminal's UTF-8; to a pipe its bytes stay GBK. Under a GB18030 locale
(built for the run with localedef, skipped when it cannot be) every word for a
person is GB18030, and what a program reads stays as it was.
"""
import os
import pathlib
import pty
import shutil
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
    env = {k: v for k, v in os.environ.items() if not k.startswith("LC_") and k not in ("LANG", "LANGUAGE")}
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
        ("help's result line", ["help", "验证"], b"", "out", "Returns: a fixed", "返回：固定的"),
        ("help --examples", ["help", "--examples"], b"", "out", "# The example of every",
         "# 每个工作表函数的示例"),
        ("settle --help's placeholders", ["settle", "--help"], b"", "out", "] BOOK", "] 账本"),
        ("call --help's placeholders", ["call", "--help"], b"", "out", "YEAR NUMBERS SPECIAL",
         "年份 平码 特码"),
        ("the system's reason", ["settle", str(tmp / "无.csv")], b"", "err",
         "No such file or directory", "没有那个文件或文件夹"),
        ("a folder as the book's output", ["settle", str(book), "-o", str(tmp)], b"", "err",
         "Is a directory", "这是一个文件夹"),
        ("an empty book name", ["settle", ""], b"", "err", "name is empty", "文件名是空的"),
        ("a folder as the book", ["settle", str(tmp)], b"", "err", "Is a directory",
         "这是一个文件夹"),
        ("the summary's one row", ["settle", str(no_draw)], b"", "err", "1 row read",
         "读取 1 行"),
        ("the command after --", ["--", "help", "验证"], b"", "out", "Parameters:", "参数："),
    ]


# (what, arguments, English, Chinese): each a mistake in the command line,
# said in the tool's words and exiting 2 in both languages.
USAGE = [
    ("an option of the tool's after --version", ["--version", "--help"],
     'unexpected argument "--help"', '多余的参数 "--help"'),
    ("no command after the options' end", ["--"], "COMMAND is required", "缺少 命令"),
    ("an option after the options' end", ["--", "--version"], 'no command is named "--version"',
     '没有名为 "--version"'),
    ("--help given a value", ["settle", "--help=no"], '--help does not take the value "no"',
     '--help 不接受值 "no"'),
    ("an extra word after -o's attached value", ["settle", "x.csv", "-ox.out", "extra"],
     'unexpected argument "extra"', '多余的参数 "extra"'),
    ("an encoding no book is written in", ["settle", "x.csv", "--output-encoding", "latin1"],
     '"latin1" is not an encoding', '"latin1" 不是结算后账本可用的编码'),
    ("an option short of its values", ["call", "--draw", "2013"],
     "--draw takes 3 values (YEAR NUMBERS SPECIAL), not 1", "--draw 需要 3 个值（年份 平码 特码），而不是 1 个"),
    ("an option without its value", ["call", "--draw"], "--draw needs a value", "--draw 缺少值"),
    ("-o without its file", ["settle", "x.csv", "-o"], "--output needs a value (TEXT)",
     "--output 缺少值（文本）"),
    ("an encoding not given", ["settle", "x.csv", "--output-encoding"],
     "--output-encoding needs a value (ENCODING)", "--output-encoding 缺少值（编码）"),
    ("a missing book", ["settle"], "BOOK is required", "缺少 账本"),
    ("an unknown option before the book", ["settle", "-o", "x.csv", "--bogus"],
     'unknown option "--bogus"', '未知选项 "--bogus"'),
    ("a mistyped option of the tool", ["--versio"], "(did you mean --version?)",
     "（您是不是要输入 --version？）"),
    ("an unknown short option", ["-x"], 'unknown option "-x"', '未知选项 "-x"'),
    ("a word after --version", ["--version", "extra"], 'unexpected argument "extra"',
     '多余的参数 "extra"'),
    ("an extra word", ["help", "验证", "extra"], 'unexpected argument "extra"', '多余的参数 "extra"'),
]

# A word whose control bytes would reach the terminal: shown escaped.
CONTROL = [
    ("an escape in a function name", ["help", "a\x1b[31mRED"], "\\x1b[31mRED"),
    ("a line feed in a command", ["sett\nle"], "sett\\nle"),
    ("an escape in a called name", ["call", "x\x1by"], "x\\x1by"),
    ("an escape in a book's name", ["settle", "a\x1b[2Jb.csv"], "a\\x1b[2Jb.csv"),
]


def usage_mistakes_in_each_language(korvane):
    for what, args, english, chinese in USAGE:
        en = run(korvane, args, SCRIPT)
        zh = run(korvane, args, CHINESE)
        check(en[0] == 2 and zh[0] == 2, f"{what}: exits {en[0]} and {zh[0]}, not 2")
        check(english in en[2], f"{what}: LC_ALL=C says\n{en[2]}")
        check(chinese in zh[2], f"{what}: Chinese says\n{zh[2]}")
        for said in (en[2], zh[2]):
            for parser in ("required but received", "not in {", "required TEXT missing",
                           "was not expected", "A subcommand"):
                check(parser not in said, f"{what}: the parser's own words: {said}")
    for what, args, shown in CONTROL:
        for locale in (SCRIPT, CHINESE):
            code, _, err = run(korvane, args, locale)
            check(code == 2, f"{what}: exits {code}")
            check("\x1b" not in err and "\nle" not in err, f"{what}: raw bytes reach stderr: {err!r}")
            check(shown in err, f"{what}: {shown!r} not in {err!r}")


DRAW = ["验证", "2013", "05 12 18 30 41 49", "'08"]


def read_only_folder(korvane, tmp):
    """A folder -o cannot create its new file in is named as the fault, not the file."""
    if os.geteuid() == 0:
        print("SKIP: a read-only folder: root writes into any folder")
        return
    folder = tmp / "只读"
    folder.mkdir()
    folder.chmod(0o555)
    try:
        for locale, words in ((SCRIPT, "the folder"), (CHINESE, "文件夹")):
            code, _, err = run(korvane, ["settle", str(tmp / "no-draw.csv"), "-o",
                                         str(folder / "x.csv")], locale)
            check(code == 2 and words in err and str(folder) in err,
                  f"a read-only folder: {code} {err}")
    finally:
        folder.chmod(0o755)


def gb18030_locale(tmp):
    """LOCPATH holding zh_CN.GB18030, or None when this system cannot build it."""
    if not shutil.which("localedef"):
        return None
    where = tmp / "locale"
    where.mkdir(exist_ok=True)
    p = subprocess.run(["localedef", "-i", "zh_CN", "-f", "GB18030",
                        str(where / "zh_CN.GB18030")], capture_output=True, timeout=300)
    return where if p.returncode in (0, 1) and (where / "zh_CN.GB18030").exists() else None


def words_in_gb18030(korvane, tmp):
    where = gb18030_locale(tmp)
    if where is None:
        # scripts/install-deps native installs the locale's source (package locales).
        check(not pathlib.Path("/usr/share/i18n/locales/zh_CN").exists(),
              "the zh_CN.GB18030 locale could not be built from /usr/share/i18n/locales/zh_CN")
        print("SKIP: no zh_CN locale source here to build zh_CN.GB18030 from (package locales)")
        return
    gb = {"LANG": "zh_CN.GB18030", "LOCPATH": str(where)}
    no_draw = tmp / "no-draw.csv"
    # (what, arguments, standard input, stream, words a person reads)
    rows = [
        ("settle's report and summary", ["settle", str(no_draw)], b"", 2, "读取 1 行"),
        ("--help", ["--help"], b"", 1, "用法"),
        ("help", ["help", "验证"], b"", 1, "返回：固定的确认文本"),
        ("a usage error", ["settle"], b"", 2, "缺少 账本"),
        ("a missing book", ["settle", str(tmp / "missing.csv")], b"", 2, "没有那个文件或文件夹"),
        ("call's result", ["call", *DRAW], b"", 1, "开奖号码已载入"),
        ("a mistyped name", ["help", "验正"], b"", 2, "您是不是要输入 验证"),
        ("a missing book named in Chinese", ["settle", str(tmp / "缺的账本.csv")], b"", 2,
         "缺的账本.csv"),
    ]
    for what, args, stdin, stream, words in rows:
        # The words as that terminal types them: in GB18030.
        p = subprocess.run([korvane, *(a.encode("gb18030") for a in args)], input=stdin,
                           capture_output=True, timeout=120, env=environment(gb))
        said = p.stdout if stream == 1 else p.stderr
        check(words.encode("gb18030") in said,
              f"GB18030 {what}: lacks {words!r} in GB18030: {said[:200]!r}")
        check(words.encode("utf-8") not in said, f"GB18030 {what}: still UTF-8")
    # A bet typed there is read as the words it is.
    p = subprocess.run([korvane, *(a.encode("gb18030") for a in (
        "call", "--draw", "2013", "05 12 18 30 41 49", "08", "平特几肖", "平特一肖", "鼠", "10"))],
        capture_output=True, timeout=120, env=environment(gb))
    check(p.returncode == 0 and p.stdout.strip().isdigit(),
          f"GB18030: a bet typed there: exit {p.returncode}, {p.stdout!r} {p.stderr[:200]!r}")
    file_names_typed_in_gb18030(korvane, tmp, gb)
    # help --examples to a pipe is a transcript eval answers, whatever the locale.
    shown = subprocess.run([korvane, "help", "--examples"], capture_output=True, timeout=120,
                           env=environment(gb)).stdout.decode("utf-8", "replace").splitlines()
    asked = [line[2:] for line in shown if line.startswith("> ")]
    answered = [line[2:] for line in shown if line.startswith("< ")]
    got = subprocess.run([korvane, "eval"], input="".join(a + "\n" for a in asked).encode(),
                         capture_output=True, timeout=120, env=environment(gb))
    check(len(asked) > 20 and got.stdout.decode("utf-8", "replace").splitlines() == answered,
          f"GB18030: help --examples through eval: {got.stdout[:300]!r}")
    # What a program reads stays as it was: the settled book, eval, call --json.
    p = subprocess.run([korvane, "settle", str(no_draw)], capture_output=True, timeout=120,
                       env=environment(gb))
    check(p.stdout.startswith(NO_DRAW.rstrip(b"\n")), f"GB18030: the book changed: {p.stdout!r}")
    for args, stdin, words in ((["eval"], '{"call":"验正","args":[]}\n'.encode(), "验正"),
                               (["call", "--json", *DRAW], b"", "开奖号码已载入")):
        p = subprocess.run([korvane, *(a.encode("gb18030") for a in args)], input=stdin,
                           capture_output=True, timeout=120, env=environment(gb))
        check(words.encode("utf-8") in p.stdout, f"GB18030 {args[0]}: not UTF-8: {p.stdout!r}")


def file_names_typed_in_gb18030(korvane, tmp, gb):
    """A book and -o named as the file system holds them reach it as those very
    bytes: a name in GB18030, and one in UTF-8 that another program saved
    (E9 AA 8C is 楠 and a byte that is no GB18030)."""
    folder = tmp / "gb18030-names"
    folder.mkdir()
    names = []
    for book, out in (("账本.csv".encode("gb18030"), "结果.csv".encode("gb18030")),
                      ("验.csv".encode("utf-8"), "验-结果.csv".encode("utf-8"))):
        (folder / os.fsdecode(book)).write_bytes(NO_DRAW)
        p = subprocess.run([korvane, b"settle", book, b"-o", out], cwd=folder,
                           capture_output=True, timeout=120, env=environment(gb))
        check(p.returncode == 1, f"GB18030 names {book!r} -o {out!r}: exit {p.returncode}: "
                                 f"{p.stderr[:300]!r}")
        made = set(os.listdir(os.fsencode(folder)))
        check(out in made, f"GB18030 names: -o {out!r} is not among {made!r}")
        names += [book, out]
    left = set(os.listdir(os.fsencode(folder)))
    check(left == set(names), f"GB18030 names: the folder holds {left!r}")


def locale_the_system_lacks(korvane, tmp):
    """LANG names a GB18030 locale the system has not got (an empty LOCPATH):
    the terminal set up for it still shows GB18030, so the words come in it."""
    empty = tmp / "no-locales"
    empty.mkdir()
    for name in ("zh_CN.GB18030", "zh_CN.gbk", "zh_SG.GB2312@pinyin", "zh_CN", "zh_SG"):
        p = subprocess.run([korvane, b"help", "验证".encode("gb18030")], capture_output=True,
                           timeout=120, env=environment({"LANG": name, "LOCPATH": str(empty)}))
        check(p.returncode == 0 and "返回：固定的确认文本".encode("gb18030") in p.stdout,
              f"LANG={name}, not installed: exit {p.returncode}, {p.stdout[:200]!r}")


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
        words_in_gb18030(korvane, pathlib.Path(tmp))
        locale_the_system_lacks(korvane, pathlib.Path(tmp))
        read_only_folder(korvane, pathlib.Path(tmp))
    usage_mistakes_in_each_language(korvane)
    terminal(korvane, src)
    for f in failures:
        print("FAIL:", f)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
