#!/usr/bin/python3
"""The worksheet functions in a real LibreOffice Calc, compared with `korvane eval`.

Installs korvane.oxt with `unopkg add` into a throwaway user profile, starts a
headless soffice, writes a workbook (a draw, a dozen bet rows whose 易失 refers
to the 验证 cell, conversions, wages, every function's example from `korvane
help --examples` and each of its Range parameters given formula cells, and a
few rows with awkward arguments) and
stores it as .ods and as .xlsx. Each file is then opened with recalculation on
load forced, every result cell is read back and compared with what `korvane
eval` answers for the same calls; the draw is changed, the workbook
recalculated (only what depends on the draw) and compared again, and last a
full recalculation.

A call is handed to `korvane eval` the way Calc hands it to the add-in (see
calc/uno_values.h): a blank cell given for a Variant parameter arrives as
the number 0, an error cell given for a Variant parameter never reaches the
function (Calc shows that error), a boolean cell given for a Variant parameter
is the number 1 or 0, a literal given for a Range parameter is refused
(Err:504); a formula cell is its result, whatever the formula. Where that differs from what Excel would
hand over, the test prints the difference.

Then .xlsx files written the way Excel writes them (excel_books.py) are
opened: every function's call under Excel's names computes as `korvane eval`
answers, and stored again the file holds Excel's names.

With --workbook FILE the example workbook the release ships is opened too
(example_workbook.py): every call in it computes as `korvane eval` answers.

With --written-by OLD.oxt the two files are written and stored in a second
office that has an earlier build installed, and opened in the first: files
that users stored before must still open and compute the same.

usage: engine_test.py --oxt korvane.oxt --korvane build/calc/korvane
                      [--office /usr/lib/libreoffice/program] [--keep] [--show]
                      [--written-by OLD.oxt] [--workbook 示例账本.xlsx]
"""
import argparse
import json
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

import uno
from com.sun.star.beans import PropertyValue

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import example_workbook  # noqa: E402  (the example workbook the release ships)
import excel_books  # noqa: E402  (the workbooks written the way Excel writes them)

DEADLINE = 300  # seconds for the whole run; soffice is killed when it is passed

# Calc's error codes (XCell.getError) for the error values a cell can show.
CALC_ERRORS = {"#NULL!": 521, "#DIV/0!": 532, "#VALUE!": 519, "#REF!": 524, "#NAME?": 525,
               "#NUM!": 503, "#N/A": 32767}
ERR_504 = 504  # Calc's "error in parameter list": a literal where a cell range is declared
CONFIRMATION = None  # what 验证 hands back; read from `korvane eval`


# ---- the workbook --------------------------------------------------------------------

class Err:
    """An input cell holding an error value, made by a formula."""
    FORMULAS = {"#N/A": "=NA()", "#DIV/0!": "=1/0"}

    def __init__(self, name):
        self.name = name


class Fx:
    """An input cell holding a formula whose result is `value` (a text, possibly
    empty, or a number): a function sees the result, whatever made it."""

    def __init__(self, value):
        self.value = value

    def formula(self):
        if isinstance(self.value, str):
            return '="' + self.value.replace('"', '""') + '"'
        return f"=0+{self.value!r}"


class Cell:
    """An argument given as a reference to an input cell of the row holding `value`
    (None for a blank cell, a str for a text, a float for a number, True or False
    for a boolean (Calc's number 1 or 0 shown as TRUE or FALSE), an Err or an
    Fx)."""

    def __init__(self, value):
        self.value = value


class Block:
    """An argument given as a reference to several input cells of the row."""

    def __init__(self, *values):
        self.values = list(values)


class Lit:
    """An argument written into the formula itself."""

    def __init__(self, value):
        self.value = value


DRAW = "draw"  # the 验证 cell, as every row's 易失
TN = "tn"      # the cell holding the special number, as TEMA's code

# (year, regular numbers, special number)
DRAWS = [
    (2013.0, "05 12 18 30 41 49", "08"),
    (2014.0, "03 09 21 33 40 47", "12"),
    (2013.0, "01 13 22 27 38 44", "00"),
]

# One row per formula: the function and its arguments. Besides these
# chosen calls the workbook holds, for every function the extension declares,
# its example from `korvane help --examples` and, for each of its Range
# parameters, that example with a formula cell in that parameter's place (see
# member_rows): a function added to the member list is covered without an edit
# here.
CHOSEN_ROWS = [
    # bets on the draw
    ("平特几肖", [Lit("平特二肖"), Lit("牛马鼠蛇"), Lit(100.0), DRAW]),
    ("平特几肖", [Cell("平特三肖"), Cell("鼠马狗牛"), Cell(50.0), DRAW]),
    ("平特几不中", [Cell("01 02 03 04 06"), Cell(300.0), DRAW]),
    ("平特单双大小", [Cell("小"), Cell(50.0), DRAW]),
    ("平特单双大小", [Cell("单大"), Cell(70.0), DRAW]),
    ("包几肖", [Cell("鼠狗"), Cell(80.0), DRAW]),
    ("平码几中几", [Cell("三中三"), Cell("05-12-18-08-45"), Cell(600.0), DRAW]),
    ("平码几中几", [Cell("二中二"), Cell("03-09-12-30"), Cell(120.0), DRAW]),
    ("包家禽或野兽", [Cell("家禽"), Cell(100.0), DRAW]),
    ("平特几尾", [Cell("平特二尾"), Cell("3 9 0"), Cell(100.0), DRAW]),
    ("特串软串", [Cell("特串"), Cell("08 12 41"), Cell(100.0), DRAW]),
    ("特串软串", [Cell("软串"), Cell("12 18 40"), Cell(100.0), DRAW]),
    ("TEMA", [Cell("07 12 08 33 08"), TN, Cell(10.0), DRAW]),
    ("求和1", [Cell("07 12 08 33 08"), TN, Cell(100.0), Cell(40.0), DRAW]),
    # conversions
    ("肖转号码", [Cell(2013.0), Cell("蛇"), Cell("马"), Cell(None), Cell(None), Cell(None),
              Cell(None), Cell(None), DRAW]),
    ("号码转肖", [Cell(2013.0), Cell("08"), DRAW]),
    ("号码转肖", [Lit(2014.0), Cell(49.0), DRAW]),
    ("TEMAL", [Cell("05 12 33")]),
    # wages
    ("SL1", [Cell(3.0)]),
    ("SL2", [Cell(3.0)]),
    ("SL3", [Cell(1200000350.0)]),
    ("SL4", [Cell(12.0), Cell(350.0)]),
    ("SL4", [Lit(12.0), Cell(-350.0)]),
    ("工资1", [Cell(12.0), Cell(1.5)]),
    ("工资1", [Cell(None), Cell(2.5)]),
    ("PAI", [Cell(12345678.0)]),
    ("PAID", [Cell(12345678.0)]),
]

# What a Range parameter is given in a formula cell: a text, a number, an
# empty text and an error as its result.
def formula_results(example):
    """The four results a Range parameter is given, from the example's value: a
    text the value reads as, a number (the value's own, or 7 for a text that is
    no number), the empty text and #N/A."""
    if isinstance(example, str):
        text = example
        try:
            number = float(example)
        except ValueError:
            number = 7.0
    else:
        number = float(example)
        text = str(int(number)) if number == int(number) else repr(number)
    return [Fx(text), Fx(number), Fx(""), Err("#N/A")]


def is_trigger(args, i):
    """The example's last argument {"ref": null}: the 验证 cell, as 易失."""
    return i == len(args) - 1 and args[i] == {"ref": None}


def row_args(args, kinds):
    """An example's arguments as the workbook gives them: the trigger is the
    验证 cell, a reference or a Range parameter's value a cell holding it, any
    other value a literal."""
    out = []
    for i, (v, kind) in enumerate(zip(args, kinds)):
        if is_trigger(args, i):
            out.append(DRAW)
        elif isinstance(v, dict) and "ref" in v:
            out.append(Cell(v["ref"]))
        elif kind == "Range" or v is None:
            out.append(Cell(v))
        else:
            out.append(Lit(v))
    return out


def member_rows(calls, kinds):
    """Every function's example (but 验证's, which every workbook has in its draw
    cell), then each of its Range parameters given a formula cell."""
    rows = []
    for name, args in calls:
        if name == "验证":
            continue
        example = row_args(args, kinds[name])
        rows.append((name, example))
        for i, kind in enumerate(kinds[name]):
            if kind != "Range" or is_trigger(args, i):
                continue
            value = args[i]["ref"] if isinstance(args[i], dict) else args[i]
            for v in formula_results(value):
                rows.append((name, example[:i] + [Cell(v)] + example[i + 1:]))
    return rows


ROWS = []  # CHOSEN_ROWS, member_rows(...) and AWKWARD_ROWS (make_rows)


def make_rows(rows):
    """The workbook's rows, and the draw's row below them."""
    global DRAW_ROW
    ROWS[:] = rows
    DRAW_ROW = FIRST_ROW + len(ROWS) + 3


# Arguments Calc hands over differently from Excel.
AWKWARD_ROWS = [
    ("包几肖", [Cell("鼠狗"), Cell(None), DRAW]),              # blank stake: 0, not empty
    ("平特几尾", [Cell("平特一尾"), Cell(None), Cell(100.0), DRAW]),  # blank tails: tail 0
    ("平特几尾", [Cell("平特一尾"), Lit(""), Cell(100.0), DRAW]),    # an empty text is none
    ("平特几肖", [Lit("平特二肖"), Lit("牛马"), Cell(Err("#N/A")), DRAW]),  # error stake
    ("TEMAL", [Cell(Err("#DIV/0!"))]),                       # error cell in a Range
    ("PAI", [Lit(12345678.0)]),                              # literal for a Range
    ("平特几不中", [Block("01", None), Cell(300.0), DRAW]),     # several cells, Variant
    ("平特几尾", [Cell("平特一尾"), Cell(True), Cell(100.0), DRAW]),  # TRUE: 1, not "True"
    ("包几肖", [Cell("鼠狗"), Cell(True), DRAW]),               # TRUE stake: 1, not -1
    ("SL1", [Cell(True)]),                                   # TRUE in a Range: True
    ("TEMAL", [Cell(False)]),                                # FALSE in a Range: False
    ("包几肖", [Cell("鼠狗"), Cell(Fx("")), DRAW]),             # an empty text stake
    ("TEMA", [Cell("07 12 08"), TN, Cell(0.0), DRAW]),        # an empty result: 0, as in Excel
    ("SL1", [Block(3.0, 4.0)]),                              # several cells, Range
]

FIRST_ROW = 1      # the rows start on the second line of the sheet (index 1)
RESULT_COL = 12    # column M holds every row's formula
# The draw sits below and right of every row on purpose: Calc calculates in
# sheet order, so a row is calculated before the 验证 cell unless reading its
# 易失 makes Calc calculate the draw first, as Excel calculates precedents.
DRAW_ROW = None  # FIRST_ROW + len(ROWS) + 3, once the rows are made
DRAW_COLS = (13, 14, 15, 16)  # N: year, O: regular numbers, P: special number, Q: 验证


def display_name(method):
    """A worksheet function's own name from its UNO method name, where every
    non-ASCII character is written uXXXX."""
    return re.sub(r"u([0-9A-F]{4})", lambda m: chr(int(m.group(1), 16)), method)


def addr(col, row, absolute=False):
    d = "$" if absolute else ""
    return f"{d}{excel_books.col_name(col)}{d}{row + 1}"


def literal(v):
    if isinstance(v, str):
        return '"' + v.replace('"', '""') + '"'
    return repr(v)


def put(cell, v):
    if v is None:
        return
    if isinstance(v, Err):
        cell.setFormula(Err.FORMULAS[v.name])
    elif isinstance(v, Fx):
        cell.setFormula(v.formula())
    elif isinstance(v, bool):  # Calc's boolean: the number 1 or 0 in a boolean format
        cell.setFormula("=TRUE()" if v else "=FALSE()")
    elif isinstance(v, str):
        cell.setString(v)
    else:
        cell.setValue(v)


def draw_cells():
    year, pn, tn, verify = (addr(c, DRAW_ROW, True) for c in DRAW_COLS)
    return year, pn, tn, verify


def write_book(sheet, kinds, draw):
    """Writes the inputs and formulas; `kinds` maps each function to its
    parameter kinds ("Variant" or "Range")."""
    year, pn, tn, verify = draw_cells()
    set_draw(sheet, draw)
    sheet.getCellByPosition(DRAW_COLS[3], DRAW_ROW).setFormula(
        f"=验证({year};{pn};{tn};{tn})")
    for i, (name, args) in enumerate(ROWS):
        row = FIRST_ROW + i
        sheet.getCellByPosition(0, row).setString(name)
        col = 1
        parts = []
        for a in args:
            if a is DRAW:
                parts.append(verify)
            elif a is TN:
                parts.append(tn)
            elif isinstance(a, Lit):
                parts.append(literal(a.value))
            elif isinstance(a, Cell):
                put(sheet.getCellByPosition(col, row), a.value)
                parts.append(addr(col, row))
                col += 1
            elif isinstance(a, Block):
                for v in a.values:
                    put(sheet.getCellByPosition(col, row), v)
                    col += 1
                parts.append(f"{addr(col - len(a.values), row)}:{addr(col - 1, row)}")
        assert col <= RESULT_COL
        sheet.getCellByPosition(RESULT_COL, row).setFormula(f"={name}({';'.join(parts)})")


def set_draw(sheet, draw):
    year, pn, tn = draw
    sheet.getCellByPosition(DRAW_COLS[0], DRAW_ROW).setValue(year)
    sheet.getCellByPosition(DRAW_COLS[1], DRAW_ROW).setString(pn)
    sheet.getCellByPosition(DRAW_COLS[2], DRAW_ROW).setString(tn)


# ---- what the add-in is handed, as `korvane eval` values --------------------------------

def scalar(v):
    """A cell's value as Excel's Range.Value gives it."""
    if isinstance(v, Err):
        return {"error": v.name}
    if isinstance(v, Fx):
        return v.value
    return v


def calc_scalar(v):
    """A cell's value as Calc reads it: a boolean is the number 1 or 0."""
    if isinstance(v, bool):
        return 1.0 if v else 0.0
    return scalar(v)


def as_calc_passes(arg, kind, draw):
    """The eval argument for what Calc hands the add-in, or ("shows", code) when
    Calc does not call it at all."""
    if arg is DRAW:
        return {"ref": CONFIRMATION}
    if arg is TN:
        return draw[2] if kind == "Variant" else {"ref": draw[2]}
    if isinstance(arg, Lit):
        if kind == "Range":
            return ("shows", ERR_504)
        return arg.value
    if isinstance(arg, Cell):
        v = arg.value
        if kind == "Range":  # the cell itself: its boolean format tells TRUE from 1
            return {"ref": scalar(v)}
        if isinstance(v, Err):
            return ("shows", CALC_ERRORS[v.name])
        return 0.0 if v is None else calc_scalar(v)
    if isinstance(arg, Block):
        if kind == "Variant" and any(isinstance(v, Err) for v in arg.values):
            return ("shows", ERR_504)
        cells = [["" if v is None else calc_scalar(v) for v in arg.values]]
        return {"ref": cells} if kind == "Range" else {"array": cells}
    raise AssertionError(arg)


def as_excel_passes(arg, kind, draw):
    """The eval argument for what Excel would hand the add-in."""
    if arg is DRAW:
        return {"ref": CONFIRMATION}
    if arg is TN:
        return {"ref": draw[2]}
    if isinstance(arg, Lit):
        return arg.value
    if isinstance(arg, Cell):
        return {"ref": scalar(arg.value)}
    if isinstance(arg, Block):
        return {"ref": [[scalar(v) for v in arg.values]]}
    raise AssertionError(arg)


def cell_shows(answer):
    """What a cell shows for an eval answer: ("number", x), ("text", s) or
    ("error", code)."""
    if "fail" in answer:
        return ("error", CALC_ERRORS["#VALUE!"])
    v = answer["result"]
    while isinstance(v, dict) and ("ref" in v or "array" in v):
        v = v.get("ref", v.get("array"))
        if isinstance(v, list):
            v = v[0][0]
    if v is None:
        return ("number", 0.0)  # an empty result shows as 0
    if isinstance(v, bool):
        return ("number", 1.0 if v else 0.0)
    if isinstance(v, (int, float)):
        return ("number", float(v))
    if isinstance(v, str):
        return ("text", v)
    if "int" in v or "long" in v:
        return ("number", float(v.get("int", v.get("long"))))
    if "error" in v:  # only #N/A can be handed back as itself
        return ("error", CALC_ERRORS["#N/A"] if v["error"] == "#N/A" else CALC_ERRORS["#VALUE!"])
    raise AssertionError(answer)


class Eval:
    def __init__(self, korvane):
        self.korvane = korvane

    def run(self, requests):
        lines = "".join(json.dumps(r, ensure_ascii=False) + "\n" for r in requests)
        p = subprocess.run([self.korvane, "eval"], input=lines, capture_output=True, text=True,
                           encoding="utf-8", timeout=60)
        answers = [json.loads(a) for a in p.stdout.splitlines()]
        if p.returncode != 0 or len(answers) != len(requests):
            sys.exit(f"korvane eval failed ({p.returncode}): {p.stderr}")
        for req, ans in zip(requests, answers):
            if "fault" in ans:
                sys.exit(f"korvane eval refused {req}: {ans['fault']}")
        return answers

    def expected(self, kinds, draw, convention):
        """What every row's cell shows when the draw is `draw` and its arguments
        are passed by `convention`."""
        requests = [{"call": "验证", "args": [draw[0], draw[1], draw[2], {"ref": draw[2]}]}]
        shown = {}
        for i, (name, args) in enumerate(ROWS):
            values = [convention(a, k, draw) for a, k in zip(args, kinds[name])]
            refused = [v for v in values if isinstance(v, tuple)]
            if refused:
                shown[i] = ("error", refused[0][1])
                continue
            shown[i] = len(requests)
            requests.append({"call": name, "args": values})
        answers = self.run(requests)
        rows = {i: (s if isinstance(s, tuple) else cell_shows(answers[s])) for i, s in shown.items()}
        return cell_shows(answers[0]), rows


# ---- the office -----------------------------------------------------------------------

def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def bounded(cmd, timeout, **kw):
    """Runs cmd in its own process group; kills the whole group on time-out."""
    p = subprocess.Popen(cmd, start_new_session=True, **kw)
    try:
        return p.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        p.wait()
        sys.exit(f"timed out: {' '.join(cmd)}")


class Office:
    """A headless soffice with korvane.oxt installed in a throwaway profile."""

    def __init__(self, program, oxt, work):
        self.program = pathlib.Path(program)
        self.work = work
        self.profile = work / "profile"
        self.url = self.profile.as_uri()
        work.mkdir(exist_ok=True)
        self.pipe = f"korvane_calc_{os.getpid()}_{work.name}"
        self.proc = None
        # unopkg refuses to install into a user profile as root: the profile is
        # then made and filled by an unprivileged user, and soffice (root) uses it.
        # That user runs in the work folder, which it may enter wherever the
        # build is (a clone in a private temporary folder, for one).
        self.as_user = []
        self.profile.mkdir()
        if os.geteuid() == 0:
            runuser = shutil.which("runuser") or "/usr/sbin/runuser"
            self.as_user = [runuser, "-u", "nobody", "--", "env", f"HOME={self.profile}"]
            os.chmod(work, 0o755)
            shutil.chown(self.profile, "nobody")
        self.oxt = work / "korvane.oxt"
        shutil.copyfile(oxt, self.oxt)
        os.chmod(self.oxt, 0o644)

    def install(self):
        env = dict(os.environ, HOME=str(self.profile))
        # A new profile is set up on the first start (which also clears any
        # extension installed before it), so start once before installing.
        for _ in range(3):
            rc = bounded(self.as_user + [str(self.program / "soffice.bin"), "--headless",
                                         "--norestore", "--nologo", "--terminate_after_init",
                                         f"-env:UserInstallation={self.url}"], 120, env=env,
                         cwd=self.work)
            if rc != 81:  # 81: soffice asks to be started again
                break
        if rc != 0:
            sys.exit(f"soffice could not set up the profile (exit {rc})")
        rc = bounded(self.as_user + [str(self.program / "unopkg"), "add", "--suppress-license",
                                     f"-env:UserInstallation={self.url}", str(self.oxt)], 180,
                     env=env, cwd=self.work)
        if rc != 0:
            sys.exit(f"unopkg add failed (exit {rc})")

    def _start(self):
        self.proc = subprocess.Popen(
            [str(self.program / "soffice.bin"), "--headless", "--invisible", "--norestore",
             "--nologo", "--nodefault", "--nolockcheck", f"-env:UserInstallation={self.url}",
             f"--accept=pipe,name={self.pipe};urp;StarOffice.ComponentContext"],
            start_new_session=True, stdout=subprocess.DEVNULL)

    def connect(self):
        self._start()
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        until = time.monotonic() + 90
        while True:
            try:
                ctx = resolver.resolve(f"uno:pipe,name={self.pipe};urp;StarOffice.ComponentContext")
                break
            except Exception:
                rc = self.proc.poll()
                if rc == 81:
                    self._start()
                elif rc is not None:
                    sys.exit(f"soffice ended with {rc}")
                if time.monotonic() > until:
                    sys.exit("soffice did not answer")
                time.sleep(0.25)
        self.ctx = ctx
        self.smgr = ctx.ServiceManager
        self.desktop = self.smgr.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)

    def recalc_on_load(self):
        """Every .ods and .xlsx is recalculated when it is opened (0: always)."""
        provider = self.smgr.createInstanceWithContext(
            "com.sun.star.configuration.ConfigurationProvider", self.ctx)
        access = provider.createInstanceWithArguments(
            "com.sun.star.configuration.ConfigurationUpdateAccess",
            (prop("nodepath", "/org.openoffice.Office.Calc/Formula/Load"),))
        access.setPropertyValue("ODFRecalcMode", 0)
        access.setPropertyValue("OOXMLRecalcMode", 0)
        access.commitChanges()

    def kinds(self):
        """The parameter kinds ("Variant" or "Range") of every function, as the
        installed extension declares them to the office."""
        tdm = self.ctx.getValueByName(
            "/singletons/com.sun.star.reflection.theTypeDescriptionManager")
        iface = tdm.getByHierarchicalName("korvane.calc.XCustomFunctions")
        kinds = {}
        for m in iface.getMembers():
            name = display_name(m.MemberName.split("::")[-1])
            # A document parameter is Calc's to fill: it has no argument.
            kinds[name] = ["Range" if p.Type.Name == "com.sun.star.table.XCellRange"
                           else "Variant" for p in m.Parameters
                           if p.Type.Name != "com.sun.star.beans.XPropertySet"]
        return kinds

    def new_sheet(self):
        return self.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                                 (prop("Hidden", True),))

    def open(self, path):
        return self.desktop.loadComponentFromURL(path.as_uri(), "_blank", 0,
                                                 (prop("Hidden", True),))

    def close(self):
        if self.proc and self.proc.poll() is None:
            done = threading.Event()

            def ask():
                try:
                    self.desktop.terminate()
                except Exception:
                    pass
                done.set()

            threading.Thread(target=ask, daemon=True).start()
            done.wait(15)
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                pass
        self.kill()

    def kill(self):
        if self.proc:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.proc.wait()
            # the socket of the --accept pipe, left behind by a killed soffice
            pathlib.Path(f"/tmp/OSL_PIPE_{os.geteuid()}_{self.pipe}").unlink(missing_ok=True)


# ---- reading back ----------------------------------------------------------------------

def shows(cell):
    if cell.getError():
        return ("error", cell.getError())
    if cell.FormulaResultType2 == 2:  # com.sun.star.sheet.FormulaResult.STRING
        return ("text", cell.getString())
    return ("number", cell.getValue())


def compare(sheet, expected, label):
    verify_want, rows_want = expected
    failures = []
    got = shows(sheet.getCellByPosition(DRAW_COLS[3], DRAW_ROW))
    if got != verify_want:
        failures.append(f"{label}: 验证 shows {got}, expected {verify_want}")
    for i, (name, _) in enumerate(ROWS):
        cell = sheet.getCellByPosition(RESULT_COL, FIRST_ROW + i)
        got = shows(cell)
        if got != rows_want[i]:
            failures.append(f"{label}: row {FIRST_ROW + i + 1} {cell.FormulaLocal} shows {got}, "
                            f"korvane eval gives {rows_want[i]}")
    return failures


def results(sheet):
    return [shows(sheet.getCellByPosition(RESULT_COL, FIRST_ROW + i)) for i in range(len(ROWS))]


def wizard_failures(office, kinds):
    """Every function is offered by the function wizard under its own name, with
    a description and its parameters under their own names."""
    fd = office.smgr.createInstanceWithContext("com.sun.star.sheet.FunctionDescriptions",
                                               office.ctx)
    offered = {}
    for i in range(fd.getCount()):
        entry = {p.Name: p.Value for p in fd.getByIndex(i)}
        offered[entry["Name"]] = entry
    failures = []
    for name, params in kinds.items():
        entry = offered.get(name)
        if entry is None:
            failures.append(f"the function wizard does not offer {name}")
            continue
        args = entry["Arguments"]
        if not entry["Description"] or len(args) != len(params) or any(
                not a.Name or a.Name == f"p{i + 1:02d}" or not a.Description
                for i, a in enumerate(args)):
            failures.append(f"the function wizard describes {name} as {entry['Description']!r} "
                            f"{[(a.Name, a.Description) for a in args]}")
    return failures


def write_files(office, kinds, books, ev=None, show=False):
    """Writes the workbook in `office` and stores it as every file of `books`;
    compares the new workbook with `korvane eval` when given `ev`."""
    failures = []
    doc = office.new_sheet()
    sheet = doc.Sheets.getByIndex(0)
    write_book(sheet, kinds, DRAWS[0])
    doc.calculateAll()
    if ev:
        failures += compare(sheet, ev.expected(kinds, DRAWS[0], as_calc_passes), "new workbook")
    if show:
        for i, (name, _) in enumerate(ROWS):
            cell = sheet.getCellByPosition(RESULT_COL, FIRST_ROW + i)
            print(f"row {FIRST_ROW + i + 1}: {cell.FormulaLocal} -> {shows(cell)}")
    doc.enableAutomaticCalculation(False)
    set_draw(sheet, DRAWS[1])
    doc.storeToURL(books["ods"].as_uri(), (prop("FilterName", "calc8"),))
    doc.storeToURL(books["xlsx"].as_uri(), (prop("FilterName", "Calc Office Open XML"),))
    doc.close(True)
    return failures


def main():
    global CONFIRMATION
    ap = argparse.ArgumentParser()
    ap.add_argument("--oxt", required=True)
    ap.add_argument("--korvane", required=True)
    ap.add_argument("--office", default="/usr/lib/libreoffice/program")
    ap.add_argument("--keep", action="store_true", help="keep the work folder")
    ap.add_argument("--show", action="store_true", help="list what every row shows")
    ap.add_argument("--written-by", metavar="OXT",
                    help="write the .ods and .xlsx files in an office with this (earlier) build: "
                         "the files it stores must open and compute with --oxt")
    ap.add_argument("--workbook", metavar="XLSX", help="the example workbook: open it and compare")
    opts = ap.parse_args()

    ev = Eval(opts.korvane)
    CONFIRMATION = ev.run([{"call": "验证", "args": [2013, "05 12 18 30 41 49", "08", None]}])[0][
        "result"]

    work = pathlib.Path(tempfile.mkdtemp(prefix="korvane-calc-"))
    office = Office(opts.office, opts.oxt, work)
    offices = [office]
    watchdog = threading.Timer(DEADLINE, lambda: [o.kill() for o in offices])
    watchdog.daemon = True
    failures = []
    checks = 0
    excel_checks = 0
    kinds = {}
    try:
        watchdog.start()
        office.install()
        office.connect()
        office.recalc_on_load()
        kinds = office.kinds()
        calls = excel_books.examples(opts.korvane)
        missing = {name for name, _ in CHOSEN_ROWS + AWKWARD_ROWS + calls} - set(kinds)
        if missing:
            sys.exit(f"the extension does not declare {sorted(missing)}")
        unexampled = set(kinds) - {name for name, _ in calls}
        if unexampled:
            failures.append(f"the extension declares {sorted(unexampled)}, which "
                            "korvane help --examples does not show: the workbook leaves them out")
        make_rows(CHOSEN_ROWS + member_rows(calls, kinds) + AWKWARD_ROWS)
        failures += wizard_failures(office, kinds)

        # The workbook: calculated with the first draw, then the second draw is
        # entered with automatic calculation off, so the files hold results that
        # are out of date and only a recalculation on load puts them right.
        books = {"ods": work / "book.ods", "xlsx": work / "book.xlsx"}
        if opts.written_by:
            writer = Office(opts.office, opts.written_by, work / "writer")
            offices.append(writer)
            try:
                writer.install()
                writer.connect()
                known = writer.kinds()
                new = sorted({name for name, _ in ROWS} - set(known))
                if new:  # functions the earlier build did not have yet
                    print(f"the earlier build has no {new}: their rows are left out")
                    make_rows([row for row in ROWS if row[0] in known])
                write_files(writer, known, books)
            finally:
                writer.close()
            print(f"the files were written with {opts.written_by}")
        else:
            failures += write_files(office, kinds, books, ev, opts.show)
            checks += 1

        for kind, path in books.items():
            doc = office.open(path)
            sheet = doc.Sheets.getByIndex(0)
            doc.enableAutomaticCalculation(True)
            failures += compare(sheet, ev.expected(kinds, DRAWS[1], as_calc_passes),
                                f"{kind} as opened")
            before = results(sheet)
            # A new draw: only the cells that depend on it are recalculated.
            set_draw(sheet, DRAWS[2])
            doc.calculate()
            want = ev.expected(kinds, DRAWS[2], as_calc_passes)
            failures += compare(sheet, want, f"{kind} after the draw changed")
            changed = sum(a != b for a, b in zip(before, results(sheet)))
            print(f"{kind}: {changed} of {len(ROWS)} rows changed with the draw")
            if not changed:
                failures.append(f"{kind}: no row changed with the draw")
            doc.calculateAll()
            failures += compare(sheet, want, f"{kind} after a full recalculation")
            checks += 3
            doc.close(True)

        # Workbooks Excel wrote: its names of the functions compute in Calc and
        # are stored again as Excel wrote them.
        excel_checks, excel_failures = excel_books.check(
            sys.modules[__name__], office, ev, kinds, work, opts.korvane)
        failures += excel_failures
        print(f"Excel-written .xlsx: {excel_checks} checks, {len(excel_failures)} failed")

        if opts.workbook:
            book_checks, book_failures = example_workbook.check(
                sys.modules[__name__], office, ev, kinds, pathlib.Path(opts.workbook).resolve())
            excel_checks += book_checks
            failures += book_failures
            print(f"the example workbook: {book_checks} checks, {len(book_failures)} failed")

        # Where Calc hands an argument over differently from Excel.
        calc_rows = ev.expected(kinds, DRAWS[0], as_calc_passes)[1]
        excel_rows = ev.expected(kinds, DRAWS[0], as_excel_passes)[1]
        for i, (name, _) in enumerate(ROWS):
            if calc_rows[i] != excel_rows[i]:
                print(f"differs from Excel: row {FIRST_ROW + i + 1} {name}: Calc shows "
                      f"{calc_rows[i]}, korvane eval given Excel's arguments {excel_rows[i]}")
    finally:
        watchdog.cancel()
        office.close()
        if opts.keep:
            print(f"kept {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)

    for f in failures:
        print("FAIL", f)
    total = checks * (len(ROWS) + 1) + len(kinds) + 1 + excel_checks
    print(f"{total - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
