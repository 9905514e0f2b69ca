"""Workbooks written the way Excel writes them, opened in Calc with the extension.

A colleague's Excel stores a call of the add-in's function under the
function's own name: bare for the automation add-in (平特几肖(…)), with "_xll."
for the XLL. This part of the engine test makes such .xlsx files itself (a zip
of [Content_Types].xml, the workbook, one sheet whose cells hold <f> formulas
with ',' between the arguments, and the shared strings), one file per form:
every function's example of `korvane help --examples` on a row of its own (so a
function added to the member list is covered without touching this file), its
bet rows referring to a 验证 cell below them, a few names in other letter
cases and a block of shared formulas as Excel writes a filled-down column.

Each file is opened in Calc: every result must equal what `korvane eval`
answers for the same call, the document must not be marked modified nor hold
the renaming as an edit to undo, and
stored again as .xlsx its formulas must read exactly as Excel wrote them.
The stored file is opened once more and computes the same. A workbook
without any of the functions must open unmodified and untouched.
"""
import json
import re
import subprocess
import zipfile
from xml.sax.saxutils import escape, unescape

MAIN_NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL_NS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG_REL_NS = "http://schemas.openxmlformats.org/package/2006/relationships"
XML_HEAD = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'

CONTENT_TYPES = (
    XML_HEAD + '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-'
    'officedocument.spreadsheetml.sheet.main+xml"/>'
    '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-'
    'officedocument.spreadsheetml.worksheet+xml"/>'
    '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-'
    'officedocument.spreadsheetml.sharedStrings+xml"/></Types>')
ROOT_RELS = (
    XML_HEAD + f'<Relationships xmlns="{PKG_REL_NS}"><Relationship Id="rId1" '
    f'Type="{REL_NS}/officeDocument" Target="xl/workbook.xml"/></Relationships>')
WORKBOOK = (
    XML_HEAD + f'<workbook xmlns="{MAIN_NS}" xmlns:r="{REL_NS}"><sheets>'
    '<sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets><calcPr calcId="191029"/></workbook>')
WORKBOOK_RELS = (
    XML_HEAD + f'<Relationships xmlns="{PKG_REL_NS}">'
    f'<Relationship Id="rId1" Type="{REL_NS}/worksheet" Target="worksheets/sheet1.xml"/>'
    f'<Relationship Id="rId2" Type="{REL_NS}/sharedStrings" Target="sharedStrings.xml"/>'
    '</Relationships>')


def col_name(c):
    name = ""
    c += 1
    while c:
        c, r = divmod(c - 1, 26)
        name = chr(65 + r) + name
    return name


def ref(col, row):
    """An A1 reference; col and row count from 0."""
    return f"{col_name(col)}{row + 1}"


def write_xlsx(path, cells):
    """Writes a one-sheet .xlsx. `cells` maps (col, row) to a number, a text
    (a shared string), ("f", formula) or ("shared", formula, ref_of_the_block,
    index) for the first cell of a block of shared formulas and ("shared", None,
    None, index) for the others; formulas are stored with the cached value 0."""
    strings, index = [], {}
    rows = {}
    for (col, row), v in sorted(cells.items(), key=lambda kv: (kv[0][1], kv[0][0])):
        r = ref(col, row)
        if isinstance(v, tuple) and v[0] == "f":
            xml = f'<c r="{r}"><f>{escape(v[1])}</f><v>0</v></c>'
        elif isinstance(v, tuple) and v[0] == "shared":
            _, text, block, si = v
            if text is None:
                xml = f'<c r="{r}"><f t="shared" si="{si}"/><v>0</v></c>'
            else:
                xml = (f'<c r="{r}"><f t="shared" ref="{block}" si="{si}">{escape(text)}</f>'
                       '<v>0</v></c>')
        elif isinstance(v, str):
            if v not in index:
                index[v] = len(strings)
                strings.append(v)
            xml = f'<c r="{r}" t="s"><v>{index[v]}</v></c>'
        else:
            xml = f'<c r="{r}"><v>{v!r}</v></c>'
        rows.setdefault(row, []).append(xml)
    body = "".join(f'<row r="{row + 1}">{"".join(cs)}</row>' for row, cs in sorted(rows.items()))
    sheet = XML_HEAD + f'<worksheet xmlns="{MAIN_NS}"><sheetData>{body}</sheetData></worksheet>'
    shared = (XML_HEAD + f'<sst xmlns="{MAIN_NS}" count="{len(strings)}" '
              f'uniqueCount="{len(strings)}">'
              + "".join(f"<si><t>{escape(s)}</t></si>" for s in strings) + "</sst>")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", ROOT_RELS)
        z.writestr("xl/workbook.xml", WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", WORKBOOK_RELS)
        z.writestr("xl/worksheets/sheet1.xml", sheet)
        z.writestr("xl/sharedStrings.xml", shared)


def stored_formulas(path):
    """The formula text of every cell of the first sheet of an .xlsx, by its
    A1 reference (a follower of a shared block stored without text is left
    out)."""
    with zipfile.ZipFile(path) as z:
        sheet = z.read("xl/worksheets/sheet1.xml").decode("utf-8")
    out = {}
    for m in re.finditer(r'<c r="([A-Z]+[0-9]+)"[^>]*>(.*?)</c>', sheet):
        f = re.search(r"<f(?: [^>]*)?>(.*?)</f>", m.group(2))
        if f:
            out[m.group(1)] = unescape(f.group(1), {"&quot;": '"', "&apos;": "'"})
    return out


def examples(korvane):
    """Every function's example call from `korvane help --examples`:
    (name, args), the draw's 验证 first."""
    p = subprocess.run([korvane, "help", "--examples"], capture_output=True, text=True,
                       encoding="utf-8", timeout=60)
    if p.returncode != 0:
        raise SystemExit(f"korvane help --examples failed: {p.stderr}")
    calls = []
    for line in p.stdout.splitlines():
        if line.startswith("> "):
            req = json.loads(line[2:])
            if "call" in req:
                calls.append((req["call"], req["args"]))
    return calls


FIRST_ROW = 1     # index of the first example's row
RESULT_COL = 12   # M: every row's formula
VERIFY = "验证"
# Names as people type them, for the letter-case rows: (function, as written).
OTHER_CASES = [("PAI", "pai"), ("TEMAL", "Temal"), ("SL4", "sl4")]
SHARED_ROWS = 4   # a filled-down block of PAI


class ExcelBook:
    """The layout of one Excel-written workbook: which cell holds what."""

    def __init__(self, et, calls, kinds, xll):
        self.et = et
        self.xll = xll
        self.prefix = "_xll." if xll else ""
        self.cells = {}
        self.rows = []        # (row, function, engine-test args)
        self.written = {}     # A1 reference -> the formula text Excel wrote
        self.saved = {}       # A1 reference -> the text it must be stored with again
        self.followers = set()  # cells of a shared block after its first
        self.names = {n for n, _ in calls} | {case for _, case in OTHER_CASES}
        self.draw_args = next(a for n, a in calls if n == VERIFY)
        bets = [(n, a) for n, a in calls if n != VERIFY]
        bets += [(name, a) for name, case in OTHER_CASES for n, a in calls if n == name]
        self.draw_row = FIRST_ROW + len(bets) + SHARED_ROWS + 3
        self.verify = (16, self.draw_row)  # Q, below and right of every row (see engine_test)
        self._draw()
        cases = iter(case for _, case in OTHER_CASES)
        for i, (name, args) in enumerate(bets):
            shown = name if i < len(calls) - 1 else next(cases)
            self._row(FIRST_ROW + i, name, shown, args, kinds[name])
        self._shared(FIRST_ROW + len(bets) + 1)

    def _formula(self, row, col, name, shown, parts):
        text = f"{self.prefix}{shown}({','.join(parts)})"
        a1 = ref(col, row)
        self.written[a1] = text
        self.saved[a1] = f"{self.prefix}{name}({','.join(parts)})"
        return text

    def _draw(self):
        """N: year, O: regular numbers, P: special number, Q: 验证, R: blank."""
        year, pn, tn, _ = self.draw_args
        row = self.draw_row
        self.cells[(13, row)], self.cells[(14, row)], self.cells[(15, row)] = year, pn, tn
        parts = [ref(13, row), ref(14, row), ref(15, row), ref(17, row)]
        self.cells[self.verify] = ("f", self._formula(row, 16, VERIFY, VERIFY, parts))

    def _row(self, row, name, shown, args, kinds):
        et = self.et
        self.cells[(0, row)] = name
        col, parts, row_args = 1, [], []
        for i, (v, kind) in enumerate(zip(args, kinds)):
            if isinstance(v, dict) and v == {"ref": None} and i == len(args) - 1:
                parts.append("$" + col_name(self.verify[0]) + "$" + str(self.verify[1] + 1))
                row_args.append(et.DRAW)
                continue
            if isinstance(v, dict) and "ref" in v:
                v = v["ref"]
            elif kind == "Variant" and v is not None:
                parts.append(self._literal(v))
                row_args.append(et.Lit(v))
                continue
            # a Range parameter, or a value that a cell holds
            if v is not None:
                self.cells[(col, row)] = v
            parts.append(ref(col, row))
            row_args.append(et.Cell(v))
            col += 1
        self.cells[(RESULT_COL, row)] = ("f", self._formula(row, RESULT_COL, name, shown, parts))
        self.rows.append((row, name, row_args))

    def _shared(self, first):
        """PAI filled down over SHARED_ROWS rows: one shared formula."""
        last = first + SHARED_ROWS - 1
        block = f"{ref(RESULT_COL, first)}:{ref(RESULT_COL, last)}"
        for k in range(SHARED_ROWS):
            row = first + k
            amount = 1000000.0 * (k + 1) + 234567.0
            self.cells[(1, row)] = amount
            text = self._formula(row, RESULT_COL, "PAI", "PAI", [ref(1, row)])
            self.cells[(RESULT_COL, row)] = ("shared", text if k == 0 else None, block, 0)
            if k:
                self.followers.add(ref(RESULT_COL, row))
            self.rows.append((row, "PAI", [self.et.Cell(amount)]))

    @staticmethod
    def _literal(v):
        if isinstance(v, str):
            return '"' + v.replace('"', '""') + '"'
        if isinstance(v, bool):
            return "TRUE" if v else "FALSE"
        return repr(v)

    def expected(self, ev, kinds):
        """What 验证 and every row show, from `korvane eval` given the
        arguments as Calc hands them."""
        et = self.et
        requests = [{"call": VERIFY, "args": self.draw_args}]
        for _, name, args in self.rows:
            requests.append({"call": name, "args": [
                et.as_calc_passes(a, k, None) for a, k in zip(args, kinds[name])]})
        answers = ev.run(requests)
        return [et.cell_shows(a) for a in answers]

    def compare(self, sheet, want, label):
        et = self.et
        cells = [sheet.getCellByPosition(*self.verify)] + [
            sheet.getCellByPosition(RESULT_COL, row) for row, _, _ in self.rows]
        failures = []
        for cell, w in zip(cells, want):
            got = et.shows(cell)
            if got != w:
                failures.append(f"{label}: {cell.AbsoluteName} {cell.getFormula()} shows {got}, "
                                f"korvane eval gives {w}")
        return failures


def ods_formulas(path):
    """The formula texts of an .ods file's cells, in document order."""
    with zipfile.ZipFile(path) as z:
        content = z.read("content.xml").decode("utf-8")
    return [unescape(f, {"&quot;": '"', "&apos;": "'"})
            for f in re.findall(r'table:formula="([^"]*)"', content)]


def save_as(et, office, doc, book, want, work):
    """Save As from an opened .xlsx to .ods, from there to .xlsx again and to
    .xls: the .ods holds the UNO names, the .xlsx Excel's, the .xls computes
    when opened again, and the document computes throughout."""
    failures = []
    ods = work / "saved-as.ods"
    doc.storeAsURL(ods.as_uri(), (et.prop("FilterName", "calc8"),))
    own = [f for f in ods_formulas(ods) if "KORVANE.CALC.CUSTOMFUNCTIONS." not in f.upper()
           and any(f"{n}(" in f for n in book.names)]
    if own:
        failures.append(f"saved as .ods: formulas under Excel's names: {own[:3]}")
    failures += book.compare(doc.Sheets.getByIndex(0), want, "saved as .ods")
    xlsx = work / "saved-as.xlsx"
    doc.storeAsURL(xlsx.as_uri(), (et.prop("FilterName", "Calc Office Open XML"),))
    stored = stored_formulas(xlsx)
    for a1, text in book.saved.items():
        if a1 not in book.followers and stored.get(a1) != text:
            failures.append(f"saved as .xlsx from .ods: {a1} holds {stored.get(a1)!r}, "
                            f"Excel wrote {text!r}")
    failures += book.compare(doc.Sheets.getByIndex(0), want, "saved as .xlsx from .ods")
    if doc.isModified():
        failures.append("saved as .xlsx from .ods: marked modified")
    xls = work / "saved-as.xls"
    doc.storeToURL(xls.as_uri(), (et.prop("FilterName", "MS Excel 97"),))
    if doc.isModified():
        failures.append("stored a copy as .xls: marked modified")
    other = office.open(xls)
    try:
        failures += book.compare(other.Sheets.getByIndex(0), want, "stored as .xls, opened again")
    finally:
        other.close(True)
    return failures


def ods_copy(et, office, doc, book, want, work):
    """A copy of an .xlsx document stored as .ods: neither the event nor the
    document says where a copy goes, so it is written as an .xlsx would be;
    it must still open and compute."""
    copy = work / "copy.ods"
    doc.storeToURL(copy.as_uri(), (et.prop("FilterName", "calc8"),))
    other = office.open(copy)
    try:
        return book.compare(other.Sheets.getByIndex(0), want, "a copy as .ods, opened")
    finally:
        other.close(True)


def failed_store(et, doc, sheet, book, want):
    """A copy that cannot be written (a full disk), with automatic
    calculation switched off by the user: the document keeps computing its
    calls and the user's setting."""
    doc.enableAutomaticCalculation(False)
    try:
        doc.storeToURL("file:///dev/full", (et.prop("FilterName", "Calc Office Open XML"),))
        print("storing a copy to /dev/full was not refused")
    except Exception:
        pass
    failures = []
    if doc.isAutomaticCalculationEnabled():
        failures.append("a failed store switched automatic calculation on")
    doc.enableAutomaticCalculation(True)
    return failures + book.compare(sheet, want, "after a failed store")


def check(et, office, ev, kinds, work, korvane):
    """The Excel-written workbooks; returns (the number of things checked,
    failures)."""
    calls = examples(korvane)
    missing = {n for n, _ in calls} - set(kinds)
    if missing:
        return 1, [f"the extension does not declare {sorted(missing)}"]
    failures, checks = [], 0
    for xll in (False, True):
        form = "_xll." if xll else "bare"
        book = ExcelBook(et, calls, kinds, xll)
        path = work / f"excel-{'xll' if xll else 'addin'}.xlsx"
        write_xlsx(path, book.cells)
        want = book.expected(ev, kinds)
        doc = office.open(path)
        checks += 3 * len(want) + len(book.saved) + 4
        try:
            sheet = doc.Sheets.getByIndex(0)
            if doc.isModified():
                failures.append(f"{form} .xlsx: marked modified by opening it")
            if doc.UndoManager.isUndoPossible():
                failures.append(f"{form} .xlsx: opening it left {doc.UndoManager.getCurrentUndoActionTitle()!r} "
                                "to undo (which would bring #NAME? back)")
            failures += book.compare(sheet, want, f"{form} .xlsx as opened")
            again = work / f"again-{'xll' if xll else 'addin'}.xlsx"
            doc.storeToURL(again.as_uri(), (et.prop("FilterName", "Calc Office Open XML"),))
            stored = stored_formulas(again)
            for a1, text in book.saved.items():
                if a1 not in stored and a1 not in book.followers:
                    failures.append(f"{form} .xlsx stored again: no formula in {a1}")
                elif a1 in stored and stored[a1] != text:
                    failures.append(f"{form} .xlsx stored again: {a1} holds {stored[a1]!r}, "
                                    f"Excel wrote {text!r}")
            failures += book.compare(sheet, want, f"{form} .xlsx after storing it")
            if doc.isModified():
                failures.append(f"{form} .xlsx: marked modified by storing a copy")
            if doc.UndoManager.isUndoPossible():
                failures.append(f"{form} .xlsx: storing a copy left {doc.UndoManager.getCurrentUndoActionTitle()!r} to undo")
            if xll:
                checks += len(want) + 1
                failures += failed_store(et, doc, sheet, book, want)
            else:
                checks += len(want)
                failures += ods_copy(et, office, doc, book, want, work)
        finally:
            doc.close(True)
        doc = office.open(again)
        try:
            failures += book.compare(doc.Sheets.getByIndex(0), want, f"{form} .xlsx reopened")
            # Saved in place: the same file in and out.
            checks += len(book.saved) + len(want) + 1
            doc.store()
            stored = stored_formulas(again)
            for a1, text in book.saved.items():
                if a1 not in book.followers and stored.get(a1) != text:
                    failures.append(f"{form} .xlsx saved in place: {a1} holds {stored.get(a1)!r}, "
                                    f"Excel wrote {text!r}")
            failures += book.compare(doc.Sheets.getByIndex(0), want, f"{form} .xlsx saved in place")
            if doc.isModified():
                failures.append(f"{form} .xlsx: marked modified after saving it")
            if not xll:
                checks += len(book.saved) + 3 * len(want) + 2
                failures += save_as(et, office, doc, book, want, work)
        finally:
            doc.close(True)
    # A workbook without the functions: opened as it is.
    plain = work / "plain.xlsx"
    write_xlsx(plain, {(0, 0): 2.0, (1, 0): ("f", "SUM(A1,3)"), (2, 0): ("f", "FOO(A1)"),
                       (3, 0): ("f", '"PAI("&A1&")"')})
    doc = office.open(plain)
    checks += 2
    try:
        sheet = doc.Sheets.getByIndex(0)
        texts = [sheet.getCellByPosition(c, 0).getFormula().upper() for c in (1, 2, 3)]
        if doc.isModified():
            failures.append("a workbook without the functions is marked modified by opening it")
        if texts != ["=SUM(A1;3)", "=FOO(A1)", '="PAI("&A1&")"']:
            failures.append(f"a workbook without the functions was changed: {texts}")
    finally:
        doc.close(True)
    checks += 3
    failures += array_formulas(et, office, work)
    return checks, failures


def array_formulas(et, office, work):
    """Array formulas as Excel writes them (one cell, and two cells filled by
    one formula): renamed like any other."""
    path = work / "arrays.xlsx"
    write_xlsx(path, {(0, 0): "05 12 33", (1, 0): ("f", "TEMAL(A1)*2"), (2, 0): 0.0, (2, 1): 0.0})
    with zipfile.ZipFile(path) as z:
        parts = {n: z.read(n) for n in z.namelist()}
    sheet = parts["xl/worksheets/sheet1.xml"].decode("utf-8")
    sheet = sheet.replace('<c r="B1"><f>', '<c r="B1"><f t="array" ref="B1">')
    sheet = sheet.replace('<c r="C1"><v>0.0</v></c>',
                          '<c r="C1"><f t="array" ref="C1:C2">_xll.TEMAL(A1)+1</f><v>0</v></c>')
    parts["xl/worksheets/sheet1.xml"] = sheet.encode("utf-8")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts.items():
            z.writestr(name, data)
    doc = office.open(path)
    try:
        sheet = doc.Sheets.getByIndex(0)
        got = [et.shows(sheet.getCellRangeByName(a)) for a in ("B1", "C1", "C2")]
        if got != [("number", 6.0), ("number", 4.0), ("number", 4.0)]:
            return [f"array formulas show {got}: "
                    f"{[sheet.getCellRangeByName(a).getFormula() for a in ('B1', 'C1', 'C2')]}"]
        return []
    finally:
        doc.close(True)
