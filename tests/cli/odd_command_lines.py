#!/usr/bin/env python3
"""Odd command lines through every command: none may abort.

usage: odd_command_lines.py KORVANE

A tired or hurried user types words of dashes, options with one dash too many,
an "=" where a space was meant, empty words, pastes a paragraph or a binary
file name. Whatever the words, korvane answers with a status of 0, 1 or 2:
never a signal, never a sanitizer's report (in the sanitizer build the test
runs under it), never a hang. The set of command lines is generated from the
commands and their options, the same on every run.
"""
import concurrent.futures
import os
import pathlib
import random
import subprocess
import sys
import tempfile

COMMANDS = {
    "eval": [],
    "call": ["--draw", "--json", "--help", "-h"],
    "settle": ["-o", "--output", "--output-encoding", "--help", "-h", "-"],
    "help": ["--examples", "--help", "-h"],
}
TOP_OPTIONS = ["--version", "--help", "-h"]
# A status the sanitizers exit with, so that their report is never taken for
# the tool's own status 1.
SANITIZER_STATUS = 86
# Every line runs under the sanitizers; the leak check at a process's exit (a
# third of its time there) and the stack kept for each allocation are made on
# every eighth line, which still meets every command.
LEAK_CHECK_EVERY = 8
BOOK_NAME = "book.csv"
BOOK = "验证,2013,05 12 18 30 41 49,08\r\nPAI,12345678\r\n"


def spellings(word):
    """A word as it gets mistyped: dashes added or lost, an "=" glued on."""
    bare = word.lstrip("-")
    out = ["-" + word, "--" + bare + "-", word + "=", word + "=x", word + "==", "=" + word]
    if word.startswith("--"):
        out += ["-" + bare, "---" + bare]
    elif bare:
        out += ["--" + bare, "---" + bare]
    return out


def odd_words(rng):
    words = ["", " ", "-", "--", "---", "----", "-" * 300, "=", "-=", "--=", "--=x", "-\t",
             "- -", "--\u00a0", "\u2014", "\u2013draw", "--\u9a8c\u8bc1", "'", '"', "\\",
             "-o-", "-oo", "-o=", "-hh", "-1", "--1", "-0x10", "1e400", "nan", "-inf"]
    for command, options in COMMANDS.items():
        words += spellings(command)
        for option in options:
            words += spellings(option)
    for option in TOP_OPTIONS:
        words += spellings(option)
    words += ["x" * 100000, "-" + "x" * 100000, "--" + "o" * 20000, "\u9a8c" * 30000,
              "--draw=" + "9" * 5000]
    for _ in range(12):  # binary words without NUL, valid UTF-8 or not
        words.append(bytes(rng.randrange(1, 256) for _ in range(rng.randrange(1, 64))))
    words += [b"\xff\xfe-\x00-".replace(b"\x00", b"\x01"), b"--\xc3", b"-\xed\xa0\x80",
              b"\xef\xbb\xbf--help", b"--o\xffutput"]
    return words


def command_lines(rng, book):
    words = odd_words(rng)
    lines = []
    for command in [*COMMANDS, None]:
        head = [command] if command else []
        for w in words:
            lines.append([*head, w])
        # A sample of two- and three-word lines, around the tool's own words.
        own = [book, "-", "--", "PAI", "12345678", "--draw", "2013", "-o", "out.csv"]
        own += COMMANDS.get(command, TOP_OPTIONS)
        for _ in range(60):
            shape = rng.randrange(5)
            w, v = rng.choice(words), rng.choice(own)
            lines.append([*head, *[[w, v], [v, w], [v, v, w], [w, w], ["--", w, v]][shape]])
    # The lines of the report that started this test, and their near relations.
    lines += [["settle", "--", book, "-o", "out.csv"], ["settle", "--", book], ["call", "---"],
              ["eval", "---"], ["settle", book, "---"], ["settle", "---", book],
              ["help", "---"], ["help", "--", "PAI"], ["call", "--", "---"], ["---"],
              ["--", "call"], ["settle", "-o", "--", book], ["call", "--draw", "--", "-", "-"]]
    return lines


def run(korvane, args, stdin, tmp, env):
    closed = stdin == "closed"
    try:
        p = subprocess.run([korvane, *args], cwd=tmp, env=env, timeout=30,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, preexec_fn=(lambda: os.close(0)) if closed else None)
    except subprocess.TimeoutExpired:
        return "hangs"
    err = p.stderr.decode("utf-8", "replace")
    if p.returncode < 0:
        return f"dies of signal {-p.returncode}: {err[-600:]}"
    if p.returncode not in (0, 1, 2):
        return f"exits {p.returncode}: {err[-600:]}"
    if "Sanitizer" in err or "runtime error:" in err:
        return f"a sanitizer reports: {err[-600:]}"
    if "terminate called" in err or "what():" in err:
        return f"an exception escapes: {err[-600:]}"
    return None


def shown(args):
    parts = []
    for a in args:
        if isinstance(a, bytes):
            a = a.decode("utf-8", "backslashreplace")
        parts.append(repr(a if len(a) <= 40 else a[:40] + f"...({len(a)} chars)"))
    return " ".join(parts)


def run_share(korvane, lines, share, workers, env):
    """Runs every workers-th line from `share` in a folder of its own (each
    line finds the book as it was: whatever a line wrote over it is undone)."""
    failures = []
    fast = dict(env, ASAN_OPTIONS=env["ASAN_OPTIONS"] + ":detect_leaks=0:malloc_context_size=0")
    with tempfile.TemporaryDirectory() as tmp:
        book = pathlib.Path(tmp) / BOOK_NAME
        book.write_bytes(BOOK.encode("utf-8"))
        for n in range(share, len(lines), workers):
            stdin = "closed" if n % 3 == 0 else "null"
            why = run(korvane, lines[n], stdin, tmp, env if n % LEAK_CHECK_EVERY == 0 else fast)
            if why:
                failures.append((n, f"korvane {shown(lines[n])} (stdin {stdin}) {why}"))
            book.write_bytes(BOOK.encode("utf-8"))
    return failures


def main():
    korvane = os.path.abspath(sys.argv[1])
    rng = random.Random(20)
    env = dict(os.environ)
    for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS"):
        env[name] = ":".join(filter(None, [env.get(name), f"exitcode={SANITIZER_STATUS}"]))
    # The book is named as a user in its folder names it; each line runs in a
    # folder of its own share, one share per processor (a sanitizer build
    # starts each process slowly).
    lines = command_lines(rng, BOOK_NAME)
    workers = os.cpu_count() or 1
    with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
        shares = pool.map(lambda share: run_share(korvane, lines, share, workers, env),
                          range(workers))
        failures = [why for _, why in sorted(f for share in shares for f in share)]
    print(f"{len(lines)} command lines run")
    if failures:
        print("\n".join(failures[:40]))
        print(f"{len(failures)} failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
