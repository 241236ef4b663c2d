#!/usr/bin/python3
"""Compares a worksheet that jetsql wrote from an Access 2007-2019 table with the
table as mdb-reader reads it (tests/node/ace_dump.mjs), cell by cell.

    compare_ace_xls.py DUMP.json TABLE XLS SHEET

The workbook is read by xlrd, the table by mdb-reader, so neither side goes through
the engine. Rows are compared as multisets: mdb-reader reads a row moved to
another page where it was moved to. What mdb-reader does not read as Access shows
it is taken from what it does read:
  - a Date/Time before 1899-12-30 with a time of day: mdb-reader's milliseconds are
    the stored number read as plain days; Access counts the number's fraction
    forward from the start of its day, so the day and time come from that number;
  - a calculated field: mdb-reader reads the wrapping around the value as the
    value; such columns are left out here (the engine's tests check them against
    their expressions);
  - a version history column (an append-only memo's past texts): no field in
    Access, so not in the sheet.
Prints "R rows x C columns, N cells agree" and exits 0, or the differences and 1.
"""
import datetime
import json
import math
import struct
import sys

import xlrd

DAY_ZERO = datetime.date(1899, 12, 30)
FIRST_SERIAL_DAY = datetime.date(1900, 3, 1)


def utf16(form):
    return bytes.fromhex(form[2:]).decode("utf-16-le", errors="surrogatepass")


def shortest_single(bits):
    """The double the engine holds for a Single: its shortest round-trip decimal."""
    value = struct.unpack("<f", bits)[0]
    if not math.isfinite(value):
        return value
    for digits in range(1, 10):
        text = "%.*g" % (digits, value)
        if struct.unpack("<f", struct.pack("<f", float(text)))[0] == value:
            return float(text)
    return value


def date_cell(day, seconds, fraction_digits=""):
    """The cell of a day and second under the Date/Time rules."""
    if day == DAY_ZERO:
        text = "%02d:%02d:%02d" % (seconds // 3600, seconds // 60 % 60, seconds % 60)
        if fraction_digits:
            return ("text", text + "." + fraction_digits)
        return ("date", seconds / 86400)
    text = day.isoformat() if day.year >= 1000 else "%04d-%02d-%02d" % (day.year, day.month, day.day)
    if seconds or fraction_digits:
        text += " %02d:%02d:%02d" % (seconds // 3600, seconds // 60 % 60, seconds % 60)
    if fraction_digits:
        return ("text", text + "." + fraction_digits)
    if day < FIRST_SERIAL_DAY:
        return ("text", text)
    return ("date", (day - DAY_ZERO).days + seconds / 86400)


def jet_date(milliseconds):
    """The day and second Access shows for the stored number behind mdb-reader's
    milliseconds (see the module's notes), rounded to the second."""
    number = milliseconds / 86400000 + 25569
    whole = math.trunc(number)
    seconds = round(abs(number - whole) * 86400)
    if seconds == 86400:
        whole, seconds = whole + 1, 0
    return DAY_ZERO + datetime.timedelta(days=whole), seconds


def expected_cell(column, value):
    kind = column["type"]
    if column["kind"] in ("unknown",) or kind in ("binary", "ole", "unknown"):
        return ("empty", None)
    if value is None:
        return ("empty", None)
    if column["kind"] in ("multi", "attachment"):
        return ("text", "; ".join(utf16(v) if isinstance(v, str) and v.startswith("u:") else str(v) for v in value))
    if kind in ("text", "memo"):
        return ("text", utf16(value))
    if kind == "boolean":
        return ("bool", bool(value))
    if kind in ("byte", "integer", "long"):
        return ("number", float(value))
    if kind == "bigint":
        return ("number", float(int(value[2:])))
    if kind in ("currency", "numeric"):
        return ("number", float(value))
    if kind == "float":
        return ("number", shortest_single(bytes.fromhex(value[2:])))
    if kind == "double":
        number = struct.unpack("<d", bytes.fromhex(value[2:]))[0]
        if math.isnan(number):
            return ("text", "NaN")
        if math.isinf(number):
            return ("text", "Infinity" if number > 0 else "-Infinity")
        return ("number", number)
    if kind == "datetime":
        return date_cell(*jet_date(value))
    if kind == "datetimextended":
        # "x:YYYY.MM.DD hh:mm:ss.nnnnnnnnn", in 100 ns steps.
        stamp = value[2:]
        day = datetime.date(int(stamp[0:4]), int(stamp[5:7]), int(stamp[8:10]))
        seconds = int(stamp[11:13]) * 3600 + int(stamp[14:16]) * 60 + int(stamp[17:19])
        fraction = stamp[20:27]
        return date_cell(day, seconds, "" if fraction == "0000000" else fraction)
    if kind == "repid":
        return ("text", "{" + value.upper() + "}")
    raise ValueError("no cell rule for type " + kind)


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
    if cell.ctype == xlrd.XL_CELL_DATE:
        return ("date", cell.value)
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        return ("number", cell.value)
    return ("other", cell.value)


def main():
    dump_path, table, xls, sheet_name = sys.argv[1:5]
    with open(dump_path, encoding="utf-8") as f:
        dump = json.load(f)
    source = dump["tables"][table]
    shown = [i for i, c in enumerate(source["columns"]) if c["kind"] != "versionHistory"]
    compared = [k for k, i in enumerate(shown) if not source["columns"][i]["calculated"]]

    book = xlrd.open_workbook(xls, formatting_info=True)
    sheet = book.sheet_by_name(sheet_name)
    problems = []
    header = [sheet.cell_value(0, c) for c in range(sheet.ncols)] if sheet.nrows else []
    names = [source["columns"][i]["name"] for i in shown]
    if header != names:
        problems.append("header %r != %r" % (header, names))

    want = sorted(repr([expected_cell(source["columns"][shown[k]], row[shown[k]]) for k in compared])
                  for row in source["rows"])
    got = sorted(repr([actual_cell(book, sheet, r, k) for k in compared]) for r in range(1, sheet.nrows))
    only_got = [g for g in got if g not in want]
    only_want = [w for w in want if w not in got]
    if len(got) != len(want):
        problems.append("%d rows in the sheet, %d in the table" % (len(got), len(want)))
    problems += ["row only in the sheet: " + g for g in only_got[:5]]
    problems += ["row only in the table: " + w for w in only_want[:5]]
    if problems:
        print("\n".join(problems))
        return 1
    print("%d rows x %d columns, %d cells agree (%d calculated columns left out)"
          % (len(got), len(names), len(got) * len(compared), len(names) - len(compared)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
