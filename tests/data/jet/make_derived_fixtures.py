#!/usr/bin/env python3
"""Derives the test files that no original here holds, by changing a few bytes of two originals.

oleTestV2000.mdb       fixedNumericTestV2000.mdb with `test.col1` an OLE object instead of a memo:
                       the two keep their bytes alike, so the memo's stored bytes become the
                       object's. Only the column's type byte in the table definition changes.
oleOnePageTestV2000.mdb, oleTwoPagesTestV2000.mdb
                       oleTestV2000.mdb with the object's bytes moved out of its row onto one long
                       value page added at the end, or split over two such pages chained; the
                       row keeps the header pointing there and zeros where the bytes were.
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

# A long value's header: its length with where it is kept in the top byte, then the first of its
# pages' rows (row number in the low byte, page above it).
LONG_VALUE_HEADER = 12
INLINE, ONE_PAGE, PAGE_CHAIN = 0x80, 0x40, 0x00

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


def long_value_page(row_bytes):
    """A page of long values holding one row, which fills the page's end."""
    page = bytearray(PAGE)
    page[0:2] = b"\x01\x01"
    page[4:8] = b"LVAL"
    struct.pack_into("<HH", page, ROW_COUNT, 1, PAGE - len(row_bytes))
    struct.pack_into("<H", page, 2, PAGE - len(row_bytes) - ROW_COUNT - 4)  # free space
    page[PAGE - len(row_bytes):] = row_bytes
    return page


def move_off_row(data, pages):
    """Moves the inline object of oleTestV2000.mdb onto `pages` pages appended to the file."""
    header = find_once(data, b"\xff\xfesome data") - LONG_VALUE_HEADER
    length, where = struct.unpack_from("<HxB", data, header)
    assert where == INLINE
    value = bytes(data[header + LONG_VALUE_HEADER:header + LONG_VALUE_HEADER + length])
    data[header + LONG_VALUE_HEADER:header + LONG_VALUE_HEADER + length] = bytes(length)
    first = len(data) // PAGE
    if pages == 1:
        data += long_value_page(value)
        where = ONE_PAGE
    else:
        cut = length // 2
        data += long_value_page(struct.pack("<I", (first + 1) << 8) + value[:cut])
        data += long_value_page(struct.pack("<I", 0) + value[cut:])
        where = PAGE_CHAIN
    struct.pack_into("<HxBI", data, header, length, where, first << 8)


def null_to_empty_text(data):
    # Texts of this file are stored compressed: FF FE, then one byte per character.
    start, end = row_holding(data, find_once(data, b"\xff\xferow1col1"))
    columns = u16(data, start)
    null_mask = end - (columns + 7) // 8 + 1
    data3 = 2  # the column number; data2 was dropped and keeps its place
    assert not data[null_mask] & (1 << data3), "data3 is not Null"
    data[null_mask] |= 1 << data3


derive("fixedNumericTestV2000.mdb", "oleTestV2000.mdb", memo_to_ole)
derive("oleTestV2000.mdb", "oleOnePageTestV2000.mdb", lambda data: move_off_row(data, 1))
derive("oleTestV2000.mdb", "oleTwoPagesTestV2000.mdb", lambda data: move_off_row(data, 2))
derive("overflowTestV2003.mdb", "emptyTextTestV2003.mdb", null_to_empty_text)
