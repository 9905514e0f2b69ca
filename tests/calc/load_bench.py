#!/usr/bin/python3
"""Opening Excel-written workbooks of 10,000 rows in a real Calc, for two builds
of korvane.oxt in the same run: what the extension's document job costs.

Each build is installed into its own throwaway profile of a headless soffice
(the engine test's Office). Two .xlsx files are made the way Excel writes them
(excel_books.write_xlsx): one with a draw and 10,000 bet rows (平特几肖,
平特几不中, 平特单双大小, 包几肖, 平码几中几, 平特几尾, 特串软串, TEMA in turn,
as recalc_bench.py has them) under the functions' own names, whose 易失 refers
to the 验证 cell; one with 10,000 rows of ordinary formulas (SUM) and no call
of the add-in; and the first stored as .ods by Calc (the UNO names, which the
job must pass over quickly). The figure is the wall time of loadComponentFromURL (one call
over the UNO pipe, the document hidden) and closing it again, the median of
several after one warm-up, and for comparison that of a full recalculation
of the opened workbook (XCalculatable.calculateAll); the builds take turns, one load each, so that the
load of the machine falls on them alike. A build without the job opens the
bets as #NAME? (with the file's cached results); with it every call is
renamed and the workbook computed, which is the cost measured. Calc's
recalculation-on-load setting stays at its default (never for .xlsx). It
measures; it asserts nothing about time.

usage: load_bench.py --oxt before.oxt --oxt after.oxt [--rows 10000] [--repeat 7]
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
import engine_test as et  # noqa: E402  (the office)
import excel_books  # noqa: E402  (the .xlsx writer)
from recalc_bench import BETS, DRAW  # noqa: E402  (the bet rows)


def bets_book(path, rows):
    """Inputs in A-C, the bet in D (Excel's form, ',' between arguments), the
    draw in F1:H1 and 验证 in I1."""
    cells = {(5, 0): DRAW[0], (6, 0): DRAW[1], (7, 0): DRAW[2],
             (8, 0): ("f", "验证(F1,G1,H1,H1)")}
    for r in range(rows):
        name, inputs = BETS[r % len(BETS)]
        for c, v in enumerate(inputs):
            cells[(c, r)] = v
        refs = [f"{'ABC'[c]}{r + 1}" for c in range(len(inputs))]
        cells[(3, r)] = ("f", f"{name}({','.join(refs + ['$I$1'])})")
    excel_books.write_xlsx(path, cells)


def plain_book(path, rows):
    cells = {}
    for r in range(rows):
        cells[(0, r)] = float(r)
        cells[(1, r)] = float(2 * r)
        cells[(3, r)] = ("f", f"SUM(A{r + 1},B{r + 1})")
    excel_books.write_xlsx(path, cells)


class Bench:
    """One build in its own office, opening the files."""

    def __init__(self, program, oxt, files):
        self.oxt = oxt
        self.files = files
        self.work = pathlib.Path(tempfile.mkdtemp(prefix="korvane-load-"))
        self.office = et.Office(program, oxt, self.work)
        self.office.install()
        self.office.connect()
        self.times = {name: [] for name in files}
        self.recalc = {name: [] for name in files}
        self.shown = {}
        for name in files:  # warm-up
            self.load(name, timed=False)

    def load(self, name, timed=True):
        t = time.perf_counter()
        doc = self.office.open(self.files[name])
        elapsed = time.perf_counter() - t
        cell = doc.Sheets.getByIndex(0).getCellByPosition(3, 0)
        self.shown[name] = et.shows(cell)
        t = time.perf_counter()
        doc.calculateAll()
        recalc = time.perf_counter() - t
        doc.close(True)
        if timed:
            self.times[name].append(elapsed)
            self.recalc[name].append(recalc)

    def report(self):
        lines = []
        for name, times in self.times.items():
            lines.append(f"{self.oxt}: {name}: open median {statistics.median(times) * 1000:.0f} ms "
                         f"(best {min(times) * 1000:.0f} ms of {len(times)}); then a full "
                         f"recalculation {statistics.median(self.recalc[name]) * 1000:.0f} ms; "
                         f"D1 shows {self.shown[name]}")
        return "\n".join(lines)

    def close(self):
        self.office.close()
        shutil.rmtree(self.work, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--oxt", action="append", required=True, help="a build; give it once per build")
    ap.add_argument("--office", default="/usr/lib/libreoffice/program")
    ap.add_argument("--rows", type=int, default=10000)
    ap.add_argument("--repeat", type=int, default=7)
    opts = ap.parse_args()
    books = pathlib.Path(tempfile.mkdtemp(prefix="korvane-load-books-"))
    files = {f"{opts.rows} bet rows": books / "bets.xlsx",
             f"{opts.rows} rows without the functions": books / "plain.xlsx"}
    bets_book(files[f"{opts.rows} bet rows"], opts.rows)
    plain_book(files[f"{opts.rows} rows without the functions"], opts.rows)
    benches = []
    watchdog = threading.Timer(et.DEADLINE * 2, lambda: [b.office.kill() for b in benches])
    watchdog.daemon = True
    try:
        watchdog.start()
        # Calc's own .ods of the bets (the UNO names), saved by the last build.
        maker_work = pathlib.Path(tempfile.mkdtemp(prefix="korvane-load-"))
        maker = et.Office(opts.office, opts.oxt[-1], maker_work)
        try:
            maker.install()
            maker.connect()
            doc = maker.open(files[f"{opts.rows} bet rows"])
            ods = books / "bets.ods"
            doc.storeAsURL(ods.as_uri(), (et.prop("FilterName", "calc8"),))
            doc.close(True)
            files[f"{opts.rows} bet rows, .ods saved by Calc"] = ods
        finally:
            maker.close()
            shutil.rmtree(maker_work, ignore_errors=True)
        for oxt in opts.oxt:
            benches.append(Bench(opts.office, oxt, files))
        for _ in range(opts.repeat):
            for name in files:
                for b in benches:
                    b.load(name)
        for b in benches:
            print(b.report())
    finally:
        watchdog.cancel()
        for b in benches:
            b.close()
        shutil.rmtree(books, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
