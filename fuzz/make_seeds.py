#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz corpora (fuzz/corpus/<target>/seed-*).

The seeds are the protocol transcripts (tests/protocol/*.jsonl), the example of
the eval protocol, and the worked examples of the worksheet functions: a draw
loaded by 验证 and the bets, counts, conversions and wage rows settled against
it. The same examples feed two targets: as request lines for `eval`, and
encoded in the byte program that the `calls` target reads (see calls_fuzz.cpp;
the encoder below mirrors its Generator). The `settle_row` seeds are the rows
of the example bet book (examples/book-utf8.csv), one seed per function, a few
of them in GBK, and rows that stretch the CSV reading. Inputs that the fuzzer found and
that are worth keeping live next to the seeds under other names; this script
only rewrites seed-*.

usage: fuzz/make_seeds.py
"""
import json
import pathlib
import struct

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"

# ---- the examples ------------------------------------------------------------

DRAW_2013 = ["验证", 2013, "05 12 18 30 41 49", "08", {"ref": None}]
DRAW_TAILS = ["验证", 2013, "03 13 25 38 41 47", "10", {"ref": None}]
DRAW_CHAIN = ["验证", 2013, "03 12 23 31 40 47", "18", {"ref": None}]
UNDRAWN = ["验证", 2013, "00 00 00 00 00 00", "00", {"ref": None}]

EXAMPLES = {
    "draw-2013": [DRAW_2013] + [["get", p] for p in
                                ["yyy", "p1", "p6", "pp1", "pp2", "pp3", "pp6", "tt", "t"]],
    "draw-odd": [
        ["验证", 2008, "01,02,03,04,05,50", {"ref": "12"}, {"ref": "x"}],
        ["验证", 2007, "1", 7.5, None],
        ["验证", "x", "5x ab 00 49 50 13", {"error": "#N/A"}, None],
        ["验证", 2013, {"error": "#VALUE!"}, 8, None],
        ["验证", 2013, {"ref": [[1, 2]]}, {"ref": [["08", "09"]]}, None],
        ["验证", -1.7976931348623157e308, "\n", 9.45683552098131e-308, None],
        ["get", "pp1"], ["get", "tt"],
    ],
    "none-hit": [DRAW_2013,
                 ["平特几不中", "01 02 03 04 06", 300, {"ref": 2}],
                 ["平特几不中", "01 02 03 08", 300, {"ref": None}],
                 ["平特几不中", "", "三百", {"ref": "x"}]],
    "odd-even": [DRAW_2013] + [["平特单双大小", bet, 50, {"ref": None}]
                               for bet in ["小", "单", "大双", "大单", "小双"]],
    "zodiac": [DRAW_2013] + [["平特几肖", "平特二肖", s, 100, {"ref": 2}]
                             for s in ["牛鼠羊", "牛马鼠", "牛马鼠蛇", "狗羊"]]
              + [["平特几肖", "平特一肖", "狗", 100, {"ref": None}]],
    "package": [DRAW_2013] + [["包几肖", s, 80, {"ref": None}] for s in ["鼠狗", "狗", "牛马鼠蛇"]],
    "numbers-hit": [DRAW_2013] + [["平码几中几", g, "05-12-18-08-45", 600, {"ref": None}]
                                  for g in ["三中三", "二中二", "三中二", "特别号"]],
    "animals": [DRAW_2013, ["包家禽或野兽", "家禽", 100, {"ref": None}],
                ["包家禽或野兽", "野兽", "100", {"ref": 5}]],
    "tails": [DRAW_TAILS, ["平特几尾", "平特二尾", "3 9", 100, {"ref": None}],
              ["平特几尾", "平特二尾", "3 9 0", 100, {"ref": None}]],
    "chain": [DRAW_CHAIN] + [["特串软串", g, n, 100, {"ref": None}] for g, n in [
        ("特串", "18 12 31"), ("特串", "12 18 31"), ("特串", "18 05"), ("软串", "12 18"),
        ("软串", "18 12 31"), ("软串", "12 31")]],
    "counts": [DRAW_2013,
               ["TEMA", "07 15 07 33", "07", 10, None], ["TEMA", "07 15 07 33", 7, 10, None],
               ["TEMA", "07 15 07 33", "07", 0, None], ["TEMA", "777", "77", "5", None],
               ["TEMAL", {"ref": "05 12 33"}], ["TEMAL", "05 12 33  "],
               ["求和1", "07 15 07 33", "07", 100, 40, None],
               UNDRAWN, ["求和1", "07 15 07 33", "07", 100, 40, None]],
    "millions": [[f, {"ref": x}] for x in [12345678, 999999, -1, 3000000, None]
                 for f in ["PAI", "PAID"]],
    "conversions": [["肖转号码", 2013, "蛇", "马", "", "", "", "", "", None],
                    ["肖转号码", 2008, "鼠", "牛", "虎", "免", "龙", "蛇", "马", None],
                    ["号码转肖", 2013, "08", None], ["号码转肖", 2013, 49, None],
                    ["号码转肖", 2007, "01", None], ["号码转肖", 2013, "50", None]],
    "wages": [["SL1", 3], ["SL2", 3], ["SL3", 1200000350], ["SL4", 12, 350], ["SL4", 12, -350],
              ["工资1", 12, 1.5], ["工资1", 0, 80], ["工资1", None, 80], ["工资1", -2, 1.5],
              ["工资1", 12, None]],
    "surrogates": [["验证", 2013, "😀😀😀😀😀😀😀😀😀", "08", None], ["get", "p2"],
                   ["let", "t", "\ud83d"], ["get", "t"],
                   ["号码转肖", 2013, "😀", None], ["TEMA", "😀😀😀", "\ude00\ud83d", 1, None],
                   ["平特几肖", "平特二肖", "😀牛马", 100, None]],
    "properties": [DRAW_2013, ["let", "t", {"ref": "07"}], ["set", "p1", {"ref": [[1, 2]]}],
                   ["let", "yyy", 7], ["get", "YYY"], ["set", "tt", {"ref": "狗"}],
                   ["平特几不中", "07", 300, None], ["let", "p1", "00"],
                   ["平特几肖", "平特一肖", "狗", 100, None]],
}

# ---- eval: request lines -----------------------------------------------------


def request(step):
    if step[0] in ("get",):
        return {"get": step[1]}
    if step[0] in ("let", "set"):
        return {step[0]: step[1], "value": step[2]}
    return {"call": step[0], "args": step[1:]}


def line(obj):
    text = json.dumps(obj, ensure_ascii=False, separators=(",", ":"))
    try:
        text.encode("utf-8")
    except UnicodeEncodeError:  # a lone surrogate: only an escape can carry it
        text = json.dumps(obj, separators=(",", ":"))
    return text


def eval_seeds():
    seeds = {}
    for path in sorted((ROOT / "tests" / "protocol").glob("*.jsonl")):
        lines = [l[2:] for l in path.read_text(encoding="utf-8").splitlines()
                 if l.startswith("> ")]
        seeds["protocol-" + path.stem] = "\n".join(lines) + "\n"
    seeds["protocol-example"] = "\n".join([
        '{"call":"验证","args":[2013,"05 12 18 30 41 49","08",{"ref":null}]}',
        '{"call":"平特几肖","args":["平特二肖","牛马鼠蛇",100,{"ref":2}]}',
        '{"get":"tt"}']) + "\n"
    for name, steps in EXAMPLES.items():
        seeds[name] = "\n".join(line(request(s)) for s in steps) + "\n"
    return {k: v.encode("utf-8") for k, v in seeds.items()}

# ---- calls: the byte program -------------------------------------------------

# The members in table order, from the pinned interface list (a test keeps it
# equal to the member table): a byte program names a member by its index.
MEMBERS = [line.split()[1] for line in
           (pathlib.Path(__file__).resolve().parent.parent / "com" / "interface.pin")
           .read_text(encoding="utf-8").splitlines() if line.strip() and not line.startswith("#")]
ERRORS = ["#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"]


def scalar(v):
    """Generator::scalar: 0 empty, 1 integer, 2 long, 3 double, 4 boolean, 5 error, 6 text."""
    if v is None:
        return bytes([0])
    if isinstance(v, bool):
        return bytes([4, 1 if v else 0])
    if isinstance(v, (int, float)):
        return bytes([3, 1]) + struct.pack("<d", float(v))
    if isinstance(v, str):
        units = v.encode("utf-16-le", "surrogatepass")
        assert len(units) // 2 < 48, v
        return bytes([6, 3, len(units) // 2]) + units  # text mode 3: raw code units
    if "error" in v:
        return bytes([5, ERRORS.index(v["error"])])
    if "int" in v:
        return bytes([1]) + struct.pack("<h", v["int"])
    if "long" in v:
        return bytes([2]) + struct.pack("<i", v["long"])
    raise ValueError(v)


def value(v):
    """Generator::value: 0 one cell, 1 several cells, 2 array, 4 a scalar."""
    if isinstance(v, dict) and "ref" in v:
        inner = v["ref"]
        if isinstance(inner, list):
            rows, cols = len(inner), len(inner[0])
            cells = b"".join(scalar(c) for row in inner for c in row)
            return bytes([1, rows - 1, cols - 1]) + cells
        return bytes([0]) + scalar(inner)
    if isinstance(v, dict) and "array" in v:
        inner = v["array"]
        cells = b"".join(scalar(c) for row in inner for c in row)
        return bytes([2, len(inner) - 1, len(inner[0]) - 1]) + cells
    return bytes([4]) + scalar(v)


def program(steps):
    out = b""
    for s in steps:
        if s[0] in ("get", "let", "set"):
            out += bytes([MEMBERS.index(s[1].lower()), ("get", "let", "set").index(s[0])])
            if s[0] == "get":
                pass
            elif s[0] == "let":
                out += value(s[2])
            elif isinstance(s[2]["ref"], list):
                out += bytes([0]) + value(s[2])  # even byte: any value
            else:
                out += bytes([1]) + scalar(s[2]["ref"])  # odd byte: a one-cell reference
        else:
            out += bytes([MEMBERS.index(s[0])]) + b"".join(value(a) for a in s[1:])
    return out


def calls_seeds():
    return {name: program(steps) for name, steps in EXAMPLES.items()}


# ---- settle_row: rows of a bet book ---------------------------------------------

CSV_ODDITIES = [
    '平特几不中,"01 02 03, 04 06",300\n',
    '平特几肖,"平特""二""肖","牛马\n鼠蛇",100\r\n',
    '平特几肖,平特二肖,"牛马鼠蛇,100\n',
    '平特几肖,平特二肖,牛马鼠蛇,100,,,\n',
    ',,,\n',
    '\ufeff验证,2008,01,02,03,04,05,06,\'00\n',
    'TEMA,\'07 15 07 33,\'07,TRUE\nTEMAL,#N/A\nPAI,"1,234,567"\nPAID,12%\n',
    'yyy,5\n不存在,1\n验证,2013\n',
]


def settle_row_seeds():
    seeds = {f"odd-{i}": s.encode("utf-8") for i, s in enumerate(CSV_ODDITIES)}
    book = ROOT / "examples" / "book-utf8.csv"
    if book.exists():
        by_function = {}
        for row in book.read_text(encoding="utf-8-sig").splitlines():
            if row and not row.startswith("#"):
                by_function.setdefault(row.split(",")[0], []).append(row)
        for i, rows in enumerate(by_function.values()):
            seeds[f"book-{i:02}"] = ("\n".join(rows) + "\n").encode("utf-8")
        gbk = [rows[0] for rows in by_function.values()]
        seeds["book-gbk"] = ("\r\n".join(gbk) + "\r\n").encode("gb18030")
    return seeds


def write(target, seeds):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.glob("seed-*"):
        old.unlink()
    for name, data in seeds.items():
        (folder / ("seed-" + name)).write_bytes(data)


if __name__ == "__main__":
    write("eval", eval_seeds())
    write("calls", calls_seeds())
    write("settle_row", settle_row_seeds())
