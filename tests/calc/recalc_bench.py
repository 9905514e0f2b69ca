#!/usr/bin/python3
"""Recalculation of a sheet of 10,000 bets in a real Calc, for two builds of
korvane.oxt in the same run.

Each build is installed into its own throwaway profile of a headless soffice
(the engine test's Office), which gets the same workbook: a draw and 10,000
bet rows (平特几肖, 平特几不中, 平特单双大小, 包几肖, 平码几中几, 平特几尾, 特串软串,
TEMA, in turn) whose inputs are plain cells and whose 易失 refers to the 验证
cell, as a bookkeeper's sheet has them. The figure is the wall time of a full
recalculation (XCalculatable.calculateAll, one call over the UNO pipe), the
median of several, after one warm-up; the builds' offices are all started
first and then take turns, one recalculation each, so that the load of the
machine falls on them alike. It measures; it asserts nothing about time.

usage: recalc_bench.py --oxt before.oxt --oxt after.oxt [--rows 10000] [--repeat 9]
                       [--office /usr/lib/libreoffice/program]
"""
import argparse
import pathlib
import shutil
import statistics
import sys
import tempfile
import threading
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import engine_test as et  # noqa: E402  (the office and the workbook's layout)

# One bet per row, in turn: the function and its inputs (all cells).
BETS = [
    ("平特几肖", ["平特二肖", "牛马鼠蛇", 100.0]),
    ("平特几不中", ["01 02 03 04 06", 300.0]),
    ("平特单双大小", ["单大", 70.0]),
    ("包几肖", ["鼠狗", 80.0]),
    ("平码几中几", ["三中三", "05-12-18-08-45", 600.0]),
    ("平特几尾", ["平特二尾", "3 9 0", 100.0]),
    ("特串软串", ["特串", "08 12 41", 100.0]),
    ("TEMA", ["07 12 08 33 08", "08", 10.0]),
]
DRAW = (2013.0, "05 12 18 30 41 49", "08")


def write_sheet(sheet, rows):
    """Inputs in columns A-C, the formula in D, the draw in F1:I1 (I1: 验证)."""
    sheet.getCellRangeByName("F1:H1").setDataArray((DRAW,))
    sheet.getCellRangeByName("I1").setFormula("=验证(F1;G1;H1;H1)")
    data, formulas = [], []
    for r in range(rows):
        name, inputs = BETS[r % len(BETS)]
        data.append(tuple(inputs) + ("",) * (3 - len(inputs)))
        refs = [f"{'ABC'[i]}{r + 1}" for i in range(len(inputs))]
        formulas.append((f"={name}({';'.join(refs + ['$I$1'])})",))
    sheet.getCellRangeByName(f"A1:C{rows}").setDataArray(tuple(data))
    sheet.getCellRangeByName(f"D1:D{rows}").setFormulaArray(tuple(formulas))


class Bench:
    """One build in its own office, holding the workbook."""

    def __init__(self, program, oxt, rows):
        self.oxt = oxt
        self.rows = rows
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="korvane-bench-"))
        self.office = et.Office(program, oxt, self.work)
        self.office.install()
        self.office.connect()
        self.doc = self.office.new_sheet()
        self.sheet = self.doc.Sheets.getByIndex(0)
        self.doc.enableAutomaticCalculation(False)
        write_sheet(self.sheet, rows)
        self.doc.calculateAll()  # warm-up: loads the draw, fills Calc's caches
        self.times = []

    def recalculate(self):
        t = time.perf_counter()
        self.doc.calculateAll()
        self.times.append(time.perf_counter() - t)

    def report(self):
        """The figures and a checksum of the results (the same for every build)."""
        results = self.sheet.getCellRangeByName(f"D1:D{self.rows}").getDataArray()
        errors = sum(1 for (v,) in results if not isinstance(v, float))
        total = sum(v for (v,) in results if isinstance(v, float))
        return (f"{self.oxt}: {self.rows} bet rows, full recalculation median "
                f"{statistics.median(self.times) * 1000:.0f} ms (best {min(self.times) * 1000:.0f} "
                f"ms of {len(self.times)}); results sum {total:g}, {errors} non-numbers")

    def close(self):
        self.office.close()
        shutil.rmtree(self.work, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--oxt", action="append", required=True, help="a build; give it once per build")
    ap.add_argument("--office", default="/usr/lib/libreoffice/program")
    ap.add_argument("--rows", type=int, default=10000)
    ap.add_argument("--repeat", type=int, default=9)
    opts = ap.parse_args()
    benches = []
    watchdog = threading.Timer(et.DEADLINE, lambda: [b.office.kill() for b in benches])
    watchdog.daemon = True
    try:
        watchdog.start()
        for oxt in opts.oxt:
            benches.append(Bench(opts.office, oxt, opts.rows))
        # The builds take turns, so that a busy moment of the machine falls on
        # all of them alike.
        for _ in range(opts.repeat):
            for b in benches:
                b.recalculate()
        for b in benches:
            print(b.report())
    finally:
        watchdog.cancel()
        for b in benches:
            b.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
