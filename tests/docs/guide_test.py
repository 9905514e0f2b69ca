#!/usr/bin/env python3
"""The user's guide teaches every worksheet function the add-in has.

The function list is the one the tool derives from its member list (the
calls of `korvane help --examples`), so a function added to the product and
not to the guide fails here. Each must appear as a formula (`=NAME(`) in the
guide's list, and the guide must keep the lessons a bookkeeper needs before
the first bet: the draw kept as text, the 易失 reference, the two ways a
function fails, the example workbook, and the questions users ask.

usage: guide_test.py KORVANE GUIDE
"""
import json
import subprocess
import sys

LESSONS = [
    ("the draw cells kept as text", "文本"),
    ("a number in the draw cell pays 0 in chain bets", "特串软串"),
    ("what 易失 is", "易失"),
    ("the absolute reference to the draw cell", "$D$2"),
    ("bet functions never show an error", "从不显示错误"),
    ("the others show #VALUE!", "#VALUE!"),
    ("where the example workbook is", "示例账本"),
    ("#NAME? and what to check", "#NAME?"),
    ("recalculating by hand", "Ctrl+Alt+F9"),
    ("WPS is not tested", "WPS"),
    ("32- or 64-bit Office", "32 位还是 64 位"),
    ("which add-in kind to choose", "自动化加载项还是 XLL 加载项"),
    ("what an uninstall leaves", "不会删除"),
]


def function_names(korvane):
    out = subprocess.run([korvane, "help", "--examples"], capture_output=True, text=True,
                         check=True, env={"LC_ALL": "C", "PATH": "/usr/bin:/bin"}).stdout
    names = []
    for line in out.splitlines():
        if not line.startswith("> {"):
            continue  # "> " a request, "< " its answer, "#" a note
        name = json.loads(line[2:]).get("call")
        if name and name not in names:
            names.append(name)
    return names


def main():
    korvane, guide_path = sys.argv[1], sys.argv[2]
    guide = open(guide_path, encoding="utf-8").read()
    names = function_names(korvane)
    problems = [f"no example formula for {n} (=\"{n}(\")" for n in names if f"={n}(" not in guide]
    problems += [f"does not teach {what} ({word!r})" for what, word in LESSONS if word not in guide]
    if len(names) < 20:
        problems.append(f"only {len(names)} functions found in help --examples")
    for p in problems:
        print("FAIL", p)
    print(f"{len(names)} functions, {len(LESSONS)} lessons, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
