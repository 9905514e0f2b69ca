#!/usr/bin/env python3
"""The bash completion, pressed as a person presses Tab: each row is a command
line typed so far (its last word the one being completed) and the words bash
must offer. Then, against the tool itself: every command, option and name the
completion offers is one the tool accepts, and every command and worksheet
function the tool has is offered.

usage: completion_test.py COMPLETION KORVANE
"""
import os
import re
import subprocess
import sys
import tempfile

ENV = dict(os.environ, LC_ALL="C.UTF-8")
PRESS = ('source "$0"; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _korvane;'
         ' printf "%s\\n" "${COMPREPLY[@]}"')

# (typed words, the words offered)
ROWS = [
    (["korvane", "se"], {"settle"}),
    (["korvane", "--v"], {"--version"}),
    (["korvane", "-"], {"-h", "--help", "--version"}),
    (["korvane", "settle", "--output-e"], {"--output-encoding"}),
    (["korvane", "settle", "--output-encoding", "gb"], {"gb18030", "gbk"}),
    (["korvane", "settle", "-o", "{dir}/bo"], {"{dir}/book.csv"}),
    (["korvane", "settle", "-o", "out.csv", "{dir}/bo"], {"{dir}/book.csv"}),
    (["korvane", "settle", "{dir}/book.csv", "{dir}/bo"], set()),  # one book a run
    (["korvane", "settle", "{dir}/账本 "], {"{dir}/账本 一月.csv"}),
    (["korvane", "call", "平特几"], {"平特几不中", "平特几肖", "平特几尾"}),
    (["korvane", "call", "--draw", "2013", "05 12 18 30 41 49", "08", "验"], {"验证"}),
    (["korvane", "call", "--draw", "验"], set()),  # the draw's year, not a name
    (["korvane", "call", "--draw", "2013", "05 12", "验"], set()),  # its special number
    (["korvane", "call", "--", "PA"], {"PAI", "PAID"}),
    (["korvane", "call", "-"], {"-h", "--help", "--draw", "--json"}),
    (["korvane", "call", "验证", "-"], set()),  # -5 is an argument after the name
    (["korvane", "call", "PAI", "1"], set()),
    (["korvane", "help", "pp"], {"pp1", "pp2", "pp3", "pp4", "pp5", "pp6"}),
    (["korvane", "help", "验证", ""], set()),  # one name a run
    (["korvane", "eval", ""], set()),
]


def offered(completion, words):
    out = subprocess.run(["bash", "-c", PRESS, completion] + words, capture_output=True,
                         text=True, env=ENV, check=True).stdout
    return {w for w in out.splitlines() if w}


def tool(korvane, *args):
    return subprocess.run([korvane, *args], capture_output=True, text=True, env=ENV)


def check_rows(completion):
    problems = []
    with tempfile.TemporaryDirectory() as d:
        for name in ("book.csv", "账本 一月.csv"):
            open(os.path.join(d, name), "w").close()
        for typed, wanted in ROWS:
            typed = [w.format(dir=d) for w in typed]
            wanted = {w.format(dir=d) for w in wanted}
            got = offered(completion, typed)
            if got != wanted:
                problems.append(f"{' '.join(typed)!r}<Tab>: {sorted(got)}, wanted {sorted(wanted)}")
    return problems


def check_against_tool(completion, korvane):
    """What is offered exists; what exists is offered."""
    problems = []
    commands = offered(completion, ["korvane", ""])
    listed = set(re.findall(r"^  (\w+) ", tool(korvane, "--help").stdout.split("ubcommands:")[-1],
                            re.M))
    if commands != listed:
        problems.append(f"commands offered {sorted(commands)}, the tool has {sorted(listed)}")
    for command in sorted(commands):
        page = tool(korvane, command, "--help").stdout
        for option in offered(completion, ["korvane", command, "-"]):
            if not re.search(rf"(^|[ ,]){re.escape(option)}\b", page, re.M):
                problems.append(f"{command} {option}: not in korvane {command} --help")
    names = offered(completion, ["korvane", "help", ""])
    functions = set(re.findall(r'^> \{"call":"([^"]+)"', tool(korvane, "help", "--examples").stdout,
                               re.M))
    if not functions or functions - names:
        problems.append(f"functions not offered: {sorted(functions - names)}")
    for name in sorted(names):
        if tool(korvane, "help", name).returncode != 0:
            problems.append(f"{name}: offered, but korvane help does not know it")
    return problems


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    completion, korvane = sys.argv[1:]
    problems = check_rows(completion) + check_against_tool(completion, korvane)
    for p in problems:
        print(p)
    print(f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
