#!/usr/bin/python3
"""Reads a workbook with independent readers (xlrd, olefile) and prints JSON.

Usage: read_xls.py WORKBOOK [--rows N]

Cells come from xlrd: [row, col, type, value, format string, is date]; type is
one of empty, text, number, date, boolean, error, blank. With --rows N only rows
below N and the last row are listed. "problems" lists what a walk over the raw
records finds wrong in the offsets that records point at (BoundSheet8, Index,
DBCell, ExtSST), each checked against the records actually found there.
"""
import json
import struct
import sys

import olefile
import xlrd

TYPES = {xlrd.XL_CELL_EMPTY: "empty", xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number",
         xlrd.XL_CELL_DATE: "date", xlrd.XL_CELL_BOOLEAN: "boolean",
         xlrd.XL_CELL_ERROR: "error", xlrd.XL_CELL_BLANK: "blank"}


def records(data):
    pos = 0
    while pos + 4 <= len(data):
        rtype, size = struct.unpack_from("<HH", data, pos)
        yield pos, rtype, data[pos + 4:pos + 4 + size]
        pos += 4 + size


def check_structure(data):
    problems = []
    recs = list(records(data))
    at = {pos: (rtype, body) for pos, rtype, body in recs}
    for pos, rtype, body in recs:
        if len(body) > 8224:
            problems.append("record at %d holds %d bytes" % (pos, len(body)))
        if rtype == 0x0085:  # BoundSheet8 -> BOF of a worksheet
            target = struct.unpack_from("<I", body)[0]
            if at.get(target, (None,))[0] != 0x0809:
                problems.append("BoundSheet8 offset %d is no BOF" % target)
        if rtype == 0x020B:  # Index -> DefColWidth and DBCells
            rw_mic, rw_mac, def_col = struct.unpack_from("<III", body, 4)
            if at.get(def_col, (None,))[0] != 0x0055:
                problems.append("Index DefColWidth offset %d is wrong" % def_col)
            cells = [struct.unpack_from("<I", body, 16 + 4 * i)[0]
                     for i in range((len(body) - 16) // 4)]
            if len(cells) != (rw_mac - rw_mic + 31) // 32:
                problems.append("Index lists %d DBCells for rows %d..%d" % (len(cells), rw_mic, rw_mac))
            for c in cells:
                if at.get(c, (None,))[0] != 0x00D7:
                    problems.append("Index DBCell offset %d is no DBCell" % c)
                    continue
                check_dbcell(c, at[c][1], at, problems)
    check_sst(recs, problems)
    check_substreams(recs, problems)
    return problems


def check_substreams(recs, problems):
    """Records the substream grammars require, and their counts."""
    streams, current = [], None
    for pos, rtype, body in recs:
        if rtype == 0x0809:
            current = []
            streams.append(current)
        if current is not None:
            current.append(rtype)
    if not streams:
        problems.append("no substreams")
        return
    globals_ = streams[0]
    for name, rtype, least in (("Font", 0x0031, 1), ("Format", 0x041E, 8), ("XF", 0x00E0, 16),
                               ("Style", 0x0293, 1), ("Window1", 0x003D, 1),
                               ("WriteAccess", 0x005C, 1), ("CodePage", 0x0042, 1),
                               ("Country", 0x008C, 1), ("ExtSST", 0x00FF, 1)):
        if globals_.count(rtype) < least:
            problems.append("globals hold %d %s records" % (globals_.count(rtype), name))
    for sheet in streams[1:]:
        if len(sheet) < 2 or sheet[1] != 0x020B:
            problems.append("worksheet does not start with BOF, Index")
        if sheet.count(0x0081) != 1:
            problems.append("worksheet holds %d WsBool records" % sheet.count(0x0081))
        if sheet.count(0x007D) > 255:
            problems.append("worksheet holds %d ColInfo records" % sheet.count(0x007D))
        if 0x0208 in sheet and sheet.index(0x0200) > sheet.index(0x0208):
            problems.append("Dimensions after the first Row")
        if sheet[-1] != 0x000A:
            problems.append("worksheet does not end with EOF")


def check_dbcell(pos, body, at, problems):
    first_row = pos - struct.unpack_from("<I", body)[0]
    if at.get(first_row, (None,))[0] != 0x0208:
        problems.append("DBCell at %d: first Row offset wrong" % pos)
        return
    offsets = [struct.unpack_from("<H", body, 4 + 2 * i)[0] for i in range((len(body) - 4) // 2)]
    rows = []
    p = first_row
    while at.get(p, (None,))[0] == 0x0208:
        row, col_mic, col_mac = struct.unpack_from("<HHH", at[p][1])
        rows.append((row, col_mac > col_mic))
        p += 4 + len(at[p][1])
    if len(rows) != len(offsets):
        problems.append("DBCell at %d: %d offsets for %d rows" % (pos, len(offsets), len(rows)))
        return
    cell = first_row + 20 + offsets[0] if offsets else p
    for i, (row, has_cells) in enumerate(rows):
        if i > 0:
            cell += offsets[i]
        if not has_cells:
            continue
        if cell >= pos or at.get(cell, (None,))[0] in (None, 0x0208, 0x00D7):
            problems.append("DBCell at %d: row %d cells offset %d is no cell record" % (pos, row, cell))
            return
        rec_row = struct.unpack_from("<H", at[cell][1])[0]
        if rec_row != row:
            problems.append("DBCell at %d: row %d cells found at row %d" % (pos, row, rec_row))


def check_sst(recs, problems):
    """Walks SST + CONTINUE string by string; checks ExtSST's bucket positions."""
    idx = next((i for i, r in enumerate(recs) if r[1] == 0x00FC), None)
    if idx is None:
        return
    pieces = [recs[idx]]
    j = idx + 1
    while j < len(recs) and recs[j][1] == 0x003C:
        pieces.append(recs[j])
        j += 1
    starts = []  # (stream position, offset in record) of each string
    piece, off = 0, 8
    total, unique = struct.unpack_from("<II", pieces[0][2])
    for _ in range(unique):
        if off >= len(pieces[piece][2]):
            piece, off = piece + 1, 0
        pos, _, body = pieces[piece]
        if off + 3 > len(body):
            problems.append("SST string header split at %d" % pos)
            return
        starts.append((pos + 4 + off, 4 + off))
        cch, flags = struct.unpack_from("<HB", body, off)
        off += 3
        if cch > 0 and off == len(body):
            problems.append("SST string header alone at the end of the record at %d" % pos)
        width = 2 if flags & 1 else 1
        while cch > 0:
            body = pieces[piece][2]
            n = min(cch, (len(body) - off) // width)
            cch -= n
            off += n * width
            if cch > 0:
                if off != len(body):
                    problems.append("SST string split inside a character at %d" % pieces[piece][0])
                piece, off = piece + 1, 1
                width = 2 if pieces[piece][2][0] & 1 else 1
    if j < len(recs) and recs[j][1] == 0x00FF:
        body = recs[j][2]
        dsst = struct.unpack_from("<H", body)[0]
        n = (len(body) - 2) // 8
        expect = (unique + dsst - 1) // dsst if unique else 0
        if n != expect:
            problems.append("ExtSST has %d buckets, expected %d" % (n, expect))
        for b in range(min(n, expect)):
            ib, cb = struct.unpack_from("<IH", body, 2 + 8 * b)
            if (ib, cb) != starts[b * dsst]:
                problems.append("ExtSST bucket %d points at %s, string at %s" % (b, (ib, cb), starts[b * dsst]))
    else:
        problems.append("no ExtSST after SST")


def main():
    path = sys.argv[1]
    limit = int(sys.argv[sys.argv.index("--rows") + 1]) if "--rows" in sys.argv else None
    ole = olefile.OleFileIO(path)
    data = ole.openstream("Workbook").read()
    out = {"streams": ["/".join(s) for s in ole.listdir()],
           "root_clsid": ole.root.clsid,
           "problems": check_structure(data)}
    book = xlrd.open_workbook(path, formatting_info=True)
    sheets = []
    for sh in book.sheets():
        cells = []
        for r in range(sh.nrows):
            if limit is not None and r >= limit and r != sh.nrows - 1:
                continue
            for c in range(sh.ncols):
                cell = sh.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                fmt = book.format_map[book.xf_list[cell.xf_index].format_key]
                cells.append([r, c, TYPES[cell.ctype], cell.value, fmt.format_str,
                              fmt.type == xlrd.formatting.FDT])
        widths = [sh.colinfo_map[c].width if c in sh.colinfo_map else None for c in range(sh.ncols)]
        sheets.append({"name": sh.name, "nrows": sh.nrows, "ncols": sh.ncols, "cells": cells,
                       "widths": widths})
    out["sheets"] = sheets
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    main()
