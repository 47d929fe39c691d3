#!/usr/bin/env python3
"""Derives the test files that no original here holds, by changing single bytes of two originals.

oleTestV2000.mdb       fixedNumericTestV2000.mdb with `test.col1` an OLE object instead of a memo:
                       the two keep their bytes alike, so the memo's stored bytes become the
                       object's. Only the column's type byte in the table definition changes.
emptyTextTestV2003.mdb overflowTestV2003.mdb with `Table1.data3` of the row "row1col1" an empty
                       text instead of Null: the row keeps no bytes for it either way, so only its
                       bit in the row's null mask changes.

Run it from anywhere; it writes beside itself. Both files are of the 2000/2003 format (4 KB pages).
"""

import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
PAGE = 4096

# Table definition page: column and real-index counts, then index entries, then columns.
TDEF_REAL_INDEXES = 51
TDEF_COLUMNS = 63
TDEF_INDEX_ENTRY = 12
TDEF_COLUMN_ENTRY = 25
COLUMN_NUMBER = 5  # within a column entry; its type is the entry's first byte
MEMO, OLE = 12, 11

# Data page: the row count, then each row's offset (flags in the top bits; rows fill from the end).
ROW_COUNT = 12
ROW_OFFSET_MASK = 0x1FFF


def u16(data, at):
    return struct.unpack_from("<H", data, at)[0]


def find_once(data, needle):
    at = data.find(needle)
    assert at >= 0 and data.find(needle, at + 1) < 0, needle
    return at


def column_entry(data, tdef_page, column_number):
    page = tdef_page * PAGE
    assert data[page] == 0x02, "not a table definition page"
    real_indexes = struct.unpack_from("<I", data, page + TDEF_REAL_INDEXES)[0]
    first = page + TDEF_COLUMNS + real_indexes * TDEF_INDEX_ENTRY
    entry = first + column_number * TDEF_COLUMN_ENTRY
    assert u16(data, entry + COLUMN_NUMBER) == column_number
    return entry


def row_holding(data, at):
    """The start and end (inclusive) of the row holding byte `at` of a data page."""
    page = at // PAGE * PAGE
    end = page + PAGE
    for row in range(u16(data, page + ROW_COUNT)):
        start = page + (u16(data, page + ROW_COUNT + 2 + 2 * row) & ROW_OFFSET_MASK)
        if start <= at < end:
            return start, end - 1
        end = start
    raise AssertionError("byte %d is in no row" % at)


def derive(original, target, change):
    data = bytearray((HERE / original).read_bytes())
    change(data)
    (HERE / target).write_bytes(bytes(data))


def memo_to_ole(data):
    entry = column_entry(data, tdef_page=26, column_number=0)
    assert data[entry] == MEMO
    data[entry] = OLE


def null_to_empty_text(data):
    # Texts of this file are stored compressed: FF FE, then one byte per character.
    start, end = row_holding(data, find_once(data, b"\xff\xferow1col1"))
    columns = u16(data, start)
    null_mask = end - (columns + 7) // 8 + 1
    data3 = 2  # the column number; data2 was dropped and keeps its place
    assert not data[null_mask] & (1 << data3), "data3 is not Null"
    data[null_mask] |= 1 << data3


derive("fixedNumericTestV2000.mdb", "oleTestV2000.mdb", memo_to_ole)
derive("overflowTestV2003.mdb", "emptyTextTestV2003.mdb", null_to_empty_text)
