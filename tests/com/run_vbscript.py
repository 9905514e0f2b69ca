#!/usr/bin/env python3
"""Runs a VBScript client of the add-in under Wine's cscript and checks it.

Registers the build's korvane.dll (per machine, in the build's Wine prefix),
runs the script under a Chinese locale (Wine's cscript reads scripts in the
ANSI code page only, so the UTF-8 source is handed over as GBK), then reads
the results the script wrote: every "ok"/"FAIL" check must be ok, the final
line must be "fails=0", and each recorded value must equal the answer of the
add-in's core (`korvane.exe eval`, no COM) to the script's "' eval:" request
of the same position.

usage: run_vbscript.py --wine WRAPPER --build DIR SCRIPT.vbs
"""
import argparse
import json
import pathlib
import subprocess
import sys


def windows_path(p):
    return "Z:" + str(p.resolve()).replace("/", "\\")


def same(kind, text, answer):
    if "result" not in answer:
        return False
    v = answer["result"]
    if v is None:
        return kind == "Empty"
    if isinstance(v, bool):
        return kind == "Boolean" and int(text) == (-1 if v else 0)
    if isinstance(v, (int, float)):
        return kind == "Double" and float(text) == float("%.15g" % v)
    if isinstance(v, str):
        return kind == "String" and text == v
    if isinstance(v, dict) and "int" in v:
        return kind == "Integer" and int(text) == v["int"]
    if isinstance(v, dict) and "long" in v:
        return kind == "Long" and int(text) == v["long"]
    return False


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--wine", required=True)
    ap.add_argument("--build", required=True, type=pathlib.Path)
    ap.add_argument("script", type=pathlib.Path)
    args = ap.parse_args()

    work = args.build / "tests" / "com"
    work.mkdir(parents=True, exist_ok=True)
    out = work / (args.script.stem + ".out")
    out.unlink(missing_ok=True)
    source = args.script.read_text(encoding="utf-8")
    requests = [line.split("eval:", 1)[1].strip() for line in source.splitlines()
                if line.startswith("' eval:")]
    script = work / args.script.name
    script.write_bytes(source.replace("@OUT@", windows_path(out)).encode("gbk"))

    wine = [args.wine]
    subprocess.run(wine + ["regsvr32", "/s", str(args.build / "korvane.dll")], check=True,
                   stdin=subprocess.DEVNULL, timeout=120)
    run = subprocess.run(wine + ["--zh", "cscript", "//nologo", windows_path(script)],
                         stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    if not out.exists():
        print(f"the script wrote no results (exit {run.returncode})\n{run.stdout!r}\n{run.stderr!r}")
        return 1
    lines = out.read_text(encoding="utf-16").splitlines()

    native = subprocess.run(wine + [str(args.build / "korvane.exe"), "eval"],
                            input="\n".join(requests) + "\n", capture_output=True, text=True,
                            encoding="utf-8", timeout=120, check=True)
    answers = [json.loads(a) for a in native.stdout.splitlines()]

    failures = [line for line in lines if line.startswith("FAIL")]
    values = [line.split("\t") for line in lines if line.startswith("value\t")]
    if len(values) != len(requests) or len(answers) != len(requests):
        failures.append(f"{len(values)} values recorded, {len(answers)} answers, "
                        f"{len(requests)} requests")
    for (_, kind, text), request, answer in zip(values, requests, answers):
        if not same(kind, text, answer):
            failures.append(f"{request}: through COM {kind} {text!r}, the core {answer}")
    if not lines or lines[-1] != "fails=0":
        failures.append(f"the script did not finish cleanly (last line {lines[-1:]!r})")
    for f in failures:
        print("FAIL", f)
    checks = sum(1 for line in lines if line.startswith(("ok ", "FAIL ")))
    print(f"{checks} checks and {len(values)} values through VBScript, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
