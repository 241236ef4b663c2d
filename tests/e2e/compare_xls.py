#!/usr/bin/python3
"""Compares a worksheet written by Converti with its source table, cell by cell.

The source is read by mdbtools' own tools (mdb-schema for the types, mdb-json for
the values) and the workbook by xlrd, so neither side goes through our code.

    compare_xls.py DB TABLE XLS SHEET [--filter-field F] [--max-rows N]

--filter-field F: the export kept only the rows whose F is not Null (a LIKE '**'
filter), so the comparison skips the others too. Exit 0 when every cell agrees;
otherwise prints the first differences and exits 1.
"""
import argparse
import base64
import datetime
import json
import math
import re
import subprocess
import sys

import xlrd

DATE_FORMAT = "%Y-%m-%d %H:%M:%S"


def schema_types(db, table):
    """Column name -> mdbtools type word, in column order."""
    out = subprocess.run(["mdb-schema", "-T", table, db, "access"], check=True,
                         capture_output=True).stdout.decode("utf-8")
    types = []
    for line in out.splitlines():
        m = re.match(r"^\s*\[(.*)\]\s+(.+?)(?:\s*\(\d+\))?(?: NOT NULL)?,?\s*$", line)
        if m and not line.startswith("CREATE"):
            types.append((m.group(1), m.group(2).strip()))
    return types


def source_rows(db, table):
    out = subprocess.run(["mdb-json", "-T", DATE_FORMAT, "-D", DATE_FORMAT, db, table],
                         check=True, capture_output=True).stdout.decode("utf-8")
    # One object a row; a text may hold raw line breaks, so decode object by
    # object rather than line by line.
    decoder = json.JSONDecoder(strict=False)
    rows, pos = [], 0
    while True:
        while pos < len(out) and out[pos].isspace():
            pos += 1
        if pos >= len(out):
            return rows
        row, pos = decoder.raw_decode(out, pos)
        rows.append(row)


def expected_cell(kind, value):
    """(cell type, value) that the workbook must hold for a source value."""
    if kind in ("OLE", "Binary"):
        return ("empty", None)
    if value is None:
        # mdbtools prints an empty text as Null; the workbook keeps it as ''.
        return ("empty-or-blank-text", None) if kind in ("Text", "Memo/Hyperlink") else ("empty", None)
    if isinstance(value, dict) and "$binary" in value:
        # mdb-json wraps some texts (GUIDs) as base64 of their UTF-8 bytes.
        value = base64.b64decode(value["$binary"]).decode("utf-8")
    if kind in ("Text", "Memo/Hyperlink", "Replication ID"):
        return ("text", value)
    if kind == "Boolean":
        return ("bool", bool(value))
    if kind == "DateTime":
        if value.startswith("1900-01-00"):
            # mdbtools prints every date before 1899-12-30 this way; all we know
            # is that the cell must hold an ISO text from before 1900.
            return ("text<1900", None)
        when = datetime.datetime.strptime(value, DATE_FORMAT)
        if when.date() == datetime.date(1899, 12, 30):
            # A time of day alone: a date cell holding the fraction of a day.
            return ("time", when.hour * 3600 + when.minute * 60 + when.second)
        if when.year < 1900:
            text = when.strftime("%Y-%m-%d") if when.time() == datetime.time() \
                else when.strftime(DATE_FORMAT)
            return ("text", text)
        return ("date", when)
    return ("number", float(value))


def actual_cell(book, sheet, r, c):
    if c >= sheet.ncols or r >= sheet.nrows:
        return ("empty", None)
    cell = sheet.cell(r, c)
    if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
        return ("empty", None)
    if cell.ctype == xlrd.XL_CELL_TEXT:
        return ("text", cell.value)
    if cell.ctype == xlrd.XL_CELL_BOOLEAN:
        return ("bool", bool(cell.value))
    if cell.ctype == xlrd.XL_CELL_DATE and 0 <= cell.value < 1:
        return ("time", round(cell.value * 86400))
    if cell.ctype == xlrd.XL_CELL_DATE:
        return ("date", xlrd.xldate.xldate_as_datetime(cell.value, book.datemode))
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        return ("number", cell.value)
    return ("other", cell.value)


def mdbtools_form(text):
    """mdbtools prints each character beyond the BMP as '??'."""
    return "".join("??" if ord(ch) > 0xFFFF else ch for ch in text)


def same(kind, want, got):
    if want[0] == "empty-or-blank-text":
        return got[0] == "empty" or got == ("text", "")
    if kind == "Replication ID" and want[0] == got[0] == "text":
        # mdbtools leaves out the hyphen before the last group.
        return want[1].replace("-", "") == got[1].replace("-", "")
    if want[0] == "text" and got[0] == "text" and "??" in want[1]:
        return mdbtools_form(got[1]) == want[1]
    if want[0] == "text<1900":
        return got[0] == "text" and re.match(r"^1[0-8]\d\d-\d\d-\d\d|^0", got[1]) is not None
    if want[0] != got[0]:
        return False
    if want[0] == "number":
        tolerance = 1e-6 if kind == "Single" else 1e-12
        return math.isclose(want[1], got[1], rel_tol=tolerance, abs_tol=1e-9)
    if want[0] == "date":
        return abs((want[1] - got[1]).total_seconds()) < 0.5
    return want[1] == got[1]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("db")
    ap.add_argument("table")
    ap.add_argument("xls")
    ap.add_argument("sheet")
    ap.add_argument("--filter-field")
    args = ap.parse_args()

    columns = schema_types(args.db, args.table)
    rows = source_rows(args.db, args.table)
    if args.filter_field:
        rows = [r for r in rows if r.get(args.filter_field) is not None]

    book = xlrd.open_workbook(args.xls, formatting_info=True)
    sheet = book.sheet_by_name(args.sheet)
    problems = []
    header = [sheet.cell_value(0, c) for c in range(sheet.ncols)] if sheet.nrows else []
    if header != [name for name, _ in columns]:
        problems.append(f"header {header!r} != {[n for n, _ in columns]!r}")
    if sheet.nrows != len(rows) + 1:
        problems.append(f"{sheet.nrows - 1} data rows in the sheet, {len(rows)} in the table")
    for i, row in enumerate(rows):
        for c, (name, kind) in enumerate(columns):
            want = expected_cell(kind, row.get(name))
            got = actual_cell(book, sheet, i + 1, c)
            if not same(kind, want, got):
                problems.append(f"row {i + 1} field {name} ({kind}): want {want!r}, got {got!r}")
        if len(problems) > 20:
            break
    if problems:
        print("\n".join(problems[:20]))
        return 1
    print(f"{len(rows)} rows x {len(columns)} columns agree")
    return 0


if __name__ == "__main__":
    sys.exit(main())
