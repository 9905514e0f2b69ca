#!/usr/bin/env python3
"""Two builds' benchmarks side by side, measured in one run.

A figure measured today and one measured yesterday differ by whatever else the
machine was doing; so a change is judged by running the baseline build's
korvane_bench and the current build's alternately, round after round, and
keeping each benchmark's fastest CPU time per build (the least disturbed run).
The table gives both and their ratio (current / baseline: below 1 is faster).

usage: bench/compare.py BASELINE_BENCH CURRENT_BENCH [--rounds N] [--filter REGEX]
       e.g. bench/compare.py /tmp/main/build/release/bench/korvane_bench \\
                             build/release/bench/korvane_bench --filter 'settle|验证'
"""
import argparse
import json
import subprocess
import sys


def run_once(program, pattern):
    """{benchmark name: cpu time in ns} of one run of one build."""
    done = subprocess.run([program, f"--benchmark_filter={pattern}", "--benchmark_format=json"],
                          capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"{program}: exit {done.returncode}\n{done.stderr}")
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
    return {b["name"]: b["cpu_time"] * scale[b.get("time_unit", "ns")]
            for b in json.loads(done.stdout)["benchmarks"] if b.get("run_type") != "aggregate"}


def shown(ns):
    for unit, size in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= size:
            return f"{ns / size:.3g} {unit}"
    return f"{ns:.3g} ns"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("baseline")
    parser.add_argument("current")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--filter", default=".")
    args = parser.parse_args()
    best = {"baseline": {}, "current": {}}
    for r in range(args.rounds):
        # Alternate which build goes first, so that neither always runs on a
        # warmer (or busier) machine.
        order = ("baseline", "current") if r % 2 == 0 else ("current", "baseline")
        for which in order:
            for name, ns in run_once(getattr(args, which), args.filter).items():
                best[which][name] = min(ns, best[which].get(name, ns))
    names = list(best["current"]) + [n for n in best["baseline"] if n not in best["current"]]
    width = max((len(n) for n in names), default=10)
    print(f"{'benchmark':<{width}}  {'baseline':>10}  {'current':>10}  ratio")
    for n in names:
        b, c = best["baseline"].get(n), best["current"].get(n)
        ratio = f"{c / b:.2f}" if b and c else "-"
        print(f"{n:<{width}}  {shown(b) if b else '-':>10}  {shown(c) if c else '-':>10}  {ratio}")
    print(f"(fastest CPU time of {args.rounds} alternating rounds each)")


if __name__ == "__main__":
    main()
