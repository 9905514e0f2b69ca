#!/usr/bin/env bash
# Time and peak memory of `korvane settle` on generated GBK books of 10,000 and
# 1,000,000 rows (the example book's rows repeated after its draw), measured
# with /usr/bin/time. The peak should not grow with the book.
#
# usage: bench/settle-memory.sh [KORVANE]     (default build/release/korvane)
set -euo pipefail
cd "$(dirname "$0")/.."
korvane=${1:-build/release/korvane}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for rows in 10000 1000000; do
  book="$tmp/book-$rows.csv"
  python3 - "$rows" "$book" <<'PY'
import sys
rows, path = int(sys.argv[1]), sys.argv[2]
lines = open("examples/book-utf8.csv", encoding="utf-8-sig").read().splitlines()
bets = [l for l in lines if l and not l.startswith("#")]
draw, bets = bets[0], bets[1:]
with open(path, "wb") as out:
    out.write((draw + "\r\n").encode("gbk"))
    block = "".join(b + "\r\n" for b in bets).encode("gbk")
    n = rows - 1
    out.write(block * (n // len(bets)))
    out.write("".join(b + "\r\n" for b in bets[: n % len(bets)]).encode("gbk"))
PY
  /usr/bin/time -f "$rows rows ($(du -h "$book" | cut -f1)): %e s elapsed, %U s user, %S s system, %M KiB peak resident" \
    "$korvane" settle "$book" -o "$tmp/settled.csv" 2>&1 >/dev/null | tail -1
done
