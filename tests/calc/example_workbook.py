"""The example workbook (示例账本) the release ships, opened in Calc with the
extension: part of the engine test (engine_test.py --workbook FILE).

The file is read as it is stored: each sheet's values and formulas, and the
result stored with each formula. Every function the extension declares is
called in it; every formula computes in Calc (no #NAME?, no Err:), 验证 shows
its confirmation, and each call shows what `korvane eval` answers for the
arguments its cells hold, passed as Calc passes them; the stored results are
what `korvane eval` answers for the arguments passed as Excel passes them, so
that the workbook shows the right values before anything recalculates. The
bets' total shows the sum Calc computes. Opening the file does not mark it
modified.
"""
import re
import xml.etree.ElementTree as ET
import zipfile

MAIN = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
RELS = "{http://schemas.openxmlformats.org/package/2006/relationships}"
DOC_REL = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}id"
REF = re.compile(r"^(?:'?([^'!]+)'?!)?\$?([A-Z]+)\$?([0-9]+)$")
VERIFY = "验证"


def read_book(path):
    """{sheet name: {A1: (value, formula)}} in sheet order; a formula's value
    is the result stored with it, a text or a number."""
    with zipfile.ZipFile(path) as z:
        strings = []
        if "xl/sharedStrings.xml" in z.namelist():
            for si in ET.fromstring(z.read("xl/sharedStrings.xml")).iter(MAIN + "si"):
                strings.append("".join(t.text or "" for t in si.iter(MAIN + "t")))
        rels = {r.get("Id"): r.get("Target") for r in
                ET.fromstring(z.read("xl/_rels/workbook.xml.rels")).iter(RELS + "Relationship")}
        book = {}
        for sheet in ET.fromstring(z.read("xl/workbook.xml")).iter(MAIN + "sheet"):
            target = rels[sheet.get(DOC_REL)].lstrip("/")
            part = target if target.startswith("xl/") else "xl/" + target
            cells = {}
            for c in ET.fromstring(z.read(part)).iter(MAIN + "c"):
                f, v = c.find(MAIN + "f"), c.find(MAIN + "v")
                text = v.text if v is not None else None
                if c.get("t") == "s":
                    value = strings[int(text)]
                elif c.get("t") in ("str", "inlineStr"):
                    value = text or ""
                else:
                    value = None if text is None else float(text)
                cells[c.get("r")] = (value, f.text if f is not None else None)
            book[sheet.get("name")] = cells
    return book


def split_call(formula):
    """NAME(a,b,...) -> (NAME, [a, b, ...]); None for any other formula."""
    m = re.fullmatch(r"([^(]+)\((.*)\)", formula)
    if not m:
        return None
    return m.group(1), [a for a in m.group(2).split(",")] if m.group(2) else []


def resolve(book, sheet, arg):
    """(sheet, A1) of a reference, or None for a literal."""
    m = REF.match(arg)
    if not m:
        return None
    return (m.group(1) or sheet), f"{m.group(2)}{m.group(3)}"


def requests_for(et, book, kinds, convention):
    """The eval requests of every call, 验证 first (it loads the draw the
    others read), and where each call's cell is."""
    calls = []
    for sheet, cells in book.items():
        for a1, (_, formula) in cells.items():
            parsed = formula and split_call(formula)
            if parsed and parsed[0] in kinds:
                calls.append((sheet, a1, *parsed))
    calls.sort(key=lambda c: c[2] != VERIFY)
    requests = []
    for sheet, a1, name, args in calls:
        values = []
        for arg, kind in zip(args, kinds[name]):
            where = resolve(book, sheet, arg)
            if where is None:
                raise SystemExit(f"the example workbook's {sheet}!{a1} passes {arg}, not a cell")
            value = book[where[0]].get(where[1], (None, None))[0]
            values.append(convention(et.Cell(value), kind, None))
        requests.append({"call": name, "args": values})
    return calls, requests


def check(et, office, ev, kinds, path):
    """Returns (the number of things checked, failures)."""
    book = read_book(path)
    failures = []
    calls, requests = requests_for(et, book, kinds, et.as_calc_passes)
    _, excel_requests = requests_for(et, book, kinds, et.as_excel_passes)
    called = {name for _, _, name, _ in calls}
    missing = sorted(set(kinds) - called)
    if missing:
        failures.append(f"the example workbook does not call {missing}")
    refused = [r for r in requests if any(isinstance(v, tuple) for v in r["args"])]
    if refused:
        return 1, failures + [f"the example workbook passes what Calc refuses: {refused[:2]}"]
    calc_want = [et.cell_shows(a) for a in ev.run(requests)]
    excel_want = [et.cell_shows(a) for a in ev.run(excel_requests)]
    doc = office.open(path)
    checks = 2 + 3 * len(calls)
    try:
        if doc.isModified():
            failures.append("the example workbook is marked modified by opening it")
        for (sheet, a1, name, _), calc, excel in zip(calls, calc_want, excel_want):
            cell = doc.Sheets.getByName(sheet).getCellRangeByName(a1)
            got = et.shows(cell)
            if got != calc:
                failures.append(f"示例账本 {sheet}!{a1} {name}: Calc shows {got}, "
                                f"korvane eval gives {calc}")
            stored = book[sheet][a1][0]
            stored = ("text", stored) if isinstance(stored, str) else ("number", stored)
            if stored != excel:
                failures.append(f"示例账本 {sheet}!{a1} {name}: stored {stored}, "
                                f"korvane eval gives {excel} for Excel's arguments")
            if name == VERIFY and got != ("text", et.CONFIRMATION):
                failures.append(f"示例账本 {sheet}!{a1}: 验证 shows {got}")
        # Every formula computes, the total included, and shows what it stored.
        for sheet, cells in book.items():
            for a1, (stored, formula) in cells.items():
                if formula is None:
                    continue
                checks += 1
                got = et.shows(doc.Sheets.getByName(sheet).getCellRangeByName(a1))
                if got[0] == "error":
                    failures.append(f"示例账本 {sheet}!{a1} ={formula} shows error {got[1]}")
                elif got[1] != stored:
                    failures.append(f"示例账本 {sheet}!{a1} ={formula} shows {got[1]}, stored {stored}")
    finally:
        doc.close(True)
    return checks, failures
