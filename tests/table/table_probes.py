#!/usr/bin/env python3
"""Mistakes a developer can make in the member table, each shown to fail the
build with a message that says what to change.

Each probe makes one throwaway edit (a line beside the list, a row with no
line, a function with two parameters of one name, a renumbered interface
record) in a scratch copy or through the list's probe hook, runs the step of
the build that must refuse it, and checks that it fails and that its message
names what the developer has to change. The control probe builds the same way
with no edit and must pass, so that a probe cannot pass by a broken compiler
line.

usage: table_probes.py --source DIR --cxx COMPILER --pin-check PROGRAM
                       --work DIR PROBE
"""
import argparse
import pathlib
import shutil
import subprocess
import sys

TU = '#include "core/custom_functions.h"\n'

# A function with two parameters whose names Excel takes for one (w and the
# full-width Ｗ), written as a row is.
DUPLICATE_PARAMETER = TU + r'''
namespace korvane {
Variant probe_fn(const Variant&, const Variant&) { return Variant(); }
constexpr std::array kProbeParams{Param::value(u"w", "", ""), Param::value(u"Ｗ", "", "")};
constinit const FunctionRow<2> probe_row = worksheet_function<probe_fn>(
    kProbeParams, {.regime = Regime::FailingCall, .example = {"1 2", "3"}});
}  // namespace korvane
'''

GHOST_ROW = '''
namespace korvane {
constinit const FunctionRow<3> rows::ghost = worksheet_function<GHOST>(kGhostParams, {});
}  // namespace korvane
'''


def probe_line(line):
    return f"-DKORVANE_TABLE_PROBE_LINES(property,function)={line}"


def compile_tu(args, work, source, *flags):
    tu = work / "probe.cpp"
    tu.write_text(source, encoding="utf-8")
    return subprocess.run([args.cxx, "-std=c++20", "-fsyntax-only", f"-I{args.source}", *flags,
                           str(tu)], capture_output=True, text=True, errors="replace")


def check_rows(args, work, extra_row):
    tree = work / "tree"
    shutil.rmtree(tree, ignore_errors=True)
    for folder in ("core", "bets", "zodiac", "wages"):
        shutil.copytree(pathlib.Path(args.source) / folder, tree / folder)
    if extra_row:
        with open(tree / "bets" / "none_hit.cpp", "a", encoding="utf-8") as f:
            f.write(extra_row)
    return subprocess.run(["cmake", f"-DSOURCE_DIR={tree}", f"-DSTAMP={work / 'rows.stamp'}", "-P",
                           str(pathlib.Path(args.source) / "cmake" / "check_rows.cmake")],
                          capture_output=True, text=True, errors="replace")


def check_pin(args, work, edit):
    lines = (pathlib.Path(args.source) / "com" / "interface.pin").read_text(
        encoding="utf-8").splitlines()
    pin = work / "interface.pin"
    pin.write_text("\n".join(edit(lines)) + "\n", encoding="utf-8")
    return subprocess.run([args.pin_check, str(pin), str(work / "pin.stamp")],
                          capture_output=True, text=True, errors="replace")


def swap_16_17(lines):
    i = next(k for k, l in enumerate(lines) if l.startswith("16 "))
    a, b = lines[i].split(" ", 1), lines[i + 1].split(" ", 1)
    lines[i], lines[i + 1] = f"{a[0]} {b[1]}", f"{b[0]} {a[1]}"
    return lines


# name: (how to run it, the parts its message must hold; None: must pass)
PROBES = {
    "control": (lambda a, w: compile_tu(a, w, TU), None),
    "rows_control": (lambda a, w: check_rows(a, w, ""), None),
    "pin_control": (lambda a, w: check_pin(a, w, lambda l: l), None),
    "case_clash": (lambda a, w: compile_tu(a, w, TU, probe_line('function(tema_lower, u"tema", 4)')),
                   ["`tema_lower`", "`tema`", "as Excel compares names"]),
    "width_clash": (lambda a, w: compile_tu(a, w, TU, probe_line('function(wide_t, u"Ｔ", 1)')),
                    ["`wide_t`", "`t`", "full or half width"]),
    "property_clash": (lambda a, w: compile_tu(a, w, TU, probe_line('property(sl1_again, u"Sl1")')),
                       ["`sl1_again`", "`sl1`"]),
    "duplicate_parameter": (lambda a, w: compile_tu(a, w, DUPLICATE_PARAMETER),
                            ["two parameters of this function have one name"]),
    "missing_row": (lambda a, w: check_rows(a, w, GHOST_ROW),
                    ["bets/none_hit.cpp:", "the row `ghost` is in no line of core/member_list.h",
                     "function(ghost, u\"<its name in Excel>\", 3)"]),
    "renumbered_pin": (lambda a, w: check_pin(a, w, swap_16_17),
                       ["DISPID 16 changed", "a new IID (com/identity.h)"]),
    "unpinned_member": (lambda a, w: check_pin(a, w, lambda l: l[:-1]),
                        ["append it to com/interface.pin as \"36 工资1 2 variant range\""]),
}


def main():
    parser = argparse.ArgumentParser()
    for option in ("--source", "--cxx", "--pin-check", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("probe", choices=sorted(PROBES))
    args = parser.parse_args()
    work = pathlib.Path(args.work) / args.probe
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    run, expected = PROBES[args.probe]
    try:
        result = run(args, work)
    except OSError as e:
        print(f"{args.probe}: could not run the step: {e}")
        return 1
    output = result.stdout + result.stderr
    if expected is None:
        if result.returncode != 0:
            print(f"{args.probe}: the unchanged table must build:\n{output}")
            return 1
        return 0
    if result.returncode == 0:
        print(f"{args.probe}: the build accepted the mistake")
        return 1
    missing = [part for part in expected if part not in output]
    if missing:
        print(f"{args.probe}: the message lacks {missing}:\n{output}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
