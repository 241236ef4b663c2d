#!/usr/bin/python3
"""Compares a workbook with the same workbook after a worksheet was added.

Usage: compare_added.py ORIGINAL RESULT SHEET

Prints JSON: "differences" lists everything of the original that the result does
not hold the same (with olefile: every stream and storage, its class and, but for
Workbook, its bytes; with xlrd: every sheet's cells with value, type, XF index,
number format and font, merged cells, column widths, and every defined name);
"problems" what the offset walk of read_xls.py finds in the result but not in the
original, and an XFCRC that does not match the XF records; "new_sheet" the last
sheet as read_xls.py lists sheets (it must be named SHEET).
"""
import json
import os
import re
import struct
import sys

import olefile
import xlrd

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import read_xls  # noqa: E402


def container(path):
    ole = olefile.OleFileIO(path)
    entries = {}
    for parts in ole.listdir(streams=True, storages=True):
        name = "/".join(parts)
        if ole.get_type(parts) == olefile.STGTY_STREAM:
            entries[name] = ("stream", None if parts == ["Workbook"] else ole.openstream(parts).read())
        else:
            entries[name] = ("storage", ole.getclsid(parts))
    entries["(root)"] = ("storage", ole.root.clsid)
    return entries


def font_of(book, xf):
    f = book.font_list[xf.font_index]
    return [f.name, f.height, f.bold, f.italic, f.underline_type, f.colour_index, f.struck_out]


def sheet_digest(book, sh):
    cells = []
    for r in range(sh.nrows):
        for c in range(sh.ncols):
            cell = sh.cell(r, c)
            xf = book.xf_list[cell.xf_index]
            cells.append([r, c, cell.ctype, cell.value, cell.xf_index,
                          book.format_map[xf.format_key].format_str, font_of(book, xf)])
    widths = {c: [i.width, i.hidden] for c, i in sh.colinfo_map.items()}
    return {"name": sh.name, "cells": cells, "merged": sorted(sh.merged_cells),
            "widths": widths, "visibility": sh.visibility}


def office_crc(data, crc=0):
    """The checksum of [MS-OSHARED] 2.4.3.2: table-driven, polynomial 0xAF."""
    for byte in data:
        value = ((crc >> 24) ^ byte) << 24
        for _ in range(8):
            value = ((value << 1) ^ 0xAF if value & 0x80000000 else value << 1) & 0xFFFFFFFF
        crc = ((crc << 8) & 0xFFFFFFFF) ^ value
    return crc


def check_xfcrc(path):
    """XFCRC, when present, must count the XF records and hold their checksum."""
    data = olefile.OleFileIO(path).openstream("Workbook").read()
    crc, count, found = 0, 0, []
    for _, rtype, body in read_xls.records(data):
        if rtype == 0x00E0:
            crc = office_crc(body, crc)
            count += 1
        elif rtype == 0x087C:
            found.append(struct.unpack_from("<HI", body, 14))
        elif rtype == 0x000A:
            break
    return ["XFCRC says %d XFs, checksum %x; there are %d, checksum %x" % (n, c, count, crc)
            for n, c in found if (n, c) != (count, crc)]


def main():
    original, result, sheet = sys.argv[1], sys.argv[2], sys.argv[3]
    diffs = []
    before, after = container(original), container(result)
    for name, value in before.items():
        if name not in after:
            diffs.append("entry %s is missing" % name)
        elif after[name] != value:
            diffs.append("entry %s differs" % name)
    for name in after:
        if name not in before:
            diffs.append("entry %s was added" % name)

    a = xlrd.open_workbook(original, formatting_info=True)
    b = xlrd.open_workbook(result, formatting_info=True)
    if b.nsheets != a.nsheets + 1:
        diffs.append("%d sheets became %d" % (a.nsheets, b.nsheets))
    for i in range(min(a.nsheets, b.nsheets)):
        da, db = sheet_digest(a, a.sheet_by_index(i)), sheet_digest(b, b.sheet_by_index(i))
        for key in da:
            if da[key] != db[key]:
                diffs.append("sheet %d (%s): %s differ" % (i, da["name"], key))

    def names(book):
        return [[n.name, n.scope, n.hidden, n.builtin, repr(n.raw_formula)]
                for n in book.name_obj_list]
    if names(a) != names(b):
        diffs.append("defined names differ")
    # Formats and fonts of the original stay at the same indexes.
    for i, xf in enumerate(a.xf_list):
        if i >= len(b.xf_list):
            diffs.append("XF %d is missing" % i)
            continue
        if (a.format_map[xf.format_key].format_str !=
                b.format_map[b.xf_list[i].format_key].format_str or
                font_of(a, xf) != font_of(b, b.xf_list[i])):
            diffs.append("XF %d differs" % i)

    # The offset walk's findings on the result, less those the original had too.
    def problems(path):
        data = olefile.OleFileIO(path).openstream("Workbook").read()
        return [re.sub(r"\d+", "N", p) for p in read_xls.check_structure(data)]
    new_problems = problems(result)
    for p in problems(original):
        if p in new_problems:
            new_problems.remove(p)
    out = {"differences": diffs, "problems": new_problems + check_xfcrc(result)}
    last = b.sheet_by_index(b.nsheets - 1)
    if last.name != sheet:
        diffs.append("the last sheet is %r" % last.name)
    cells = []
    for r in range(last.nrows):
        for c in range(last.ncols):
            cell = last.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            fmt = b.format_map[b.xf_list[cell.xf_index].format_key]
            cells.append([r, c, read_xls.TYPES[cell.ctype], cell.value, fmt.format_str,
                          fmt.type == xlrd.formatting.FDT])
    out["new_sheet"] = {"name": last.name, "nrows": last.nrows, "ncols": last.ncols,
                        "cells": cells}
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    main()
