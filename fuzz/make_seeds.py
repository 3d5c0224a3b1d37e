#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/).

Each seed is a valid, meaningful input in the target's input format: the
query seeds ask every id of the built-in data base's root index with a
valid combination of settings, and the special Drv ids with the settings
that reach their paths; the image seeds are small images that reach each
item kind, each switch and each Drv table path.
Run from anywhere: python3 fuzz/make_seeds.py
"""
import os
import re
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "..", "models", "qxr7310", "golden", "image_dump.txt")


def header_text(path):
    return open(os.path.join(HERE, "..", path)).read()


def constant(path, name):
    """The number the library's header `path` gives `name`."""
    return int(re.search(r"\b%s = (0x[0-9A-Fa-f]+|\d+)\b" % name, header_text(path)).group(1), 0)


def byte_struct_size(path, name):
    """Size of a struct of byte arrays that the header `path` declares."""
    body = re.search(r"typedef struct %s \{(.*?)\} %s;" % (name, name), header_text(path), re.S)
    return sum(int(n) for n in re.findall(r"uint8_t \w+\[(\d+)\];", body.group(1)))


VALUE_NAME_ID = constant("src/engine/image.h", "kValueNameId")
LOCALE_TAG = constant("src/engine/image.h", "kLocaleTag")
FRAGMENT_ID = constant("src/drvrecords/drv_tables.h", "kFragmentId")
FUNCTIONS = "src/computed/function_numbers.h"
PAPER_PRINTABLE_AREA = constant(FUNCTIONS, "kPaperPrintableArea")
SET_TIME_BLOCK = constant(FUNCTIONS, "kSetTimeBlock")
OPTION_BITS_COMMAND = constant(FUNCTIONS, "kOptionBitsCommand")
SILENT_MODE_BLOCK = constant(FUNCTIONS, "kSilentModeBlock")
MODE_RECORD_SIZE = byte_struct_size("include/orvdb/orvdb.h", "ORV_MODE_RECORD")

u8 = lambda v: struct.pack("<B", v & 0xFF)
u16 = lambda v: struct.pack("<H", v & 0xFFFF)
u32 = lambda v: struct.pack("<I", v & 0xFFFFFFFF)


def context(count=95, overrides=(), strings=(), printer=0, reserved=0):
    """Selectors (the valid combination plus overrides), strings, printer."""
    out = u8(count) + u8(len(overrides))
    for index, value in overrides:
        out += u8(index) + (u8(value) if value < 0xF0 else u8(0xF0) + u32(value))
    out += u8(len(strings))
    for s in strings:
        if s is None:
            out += u8(0xFF)
        else:
            out += u8(len(s)) + s.encode()
    return out + u8(printer) + u32(reserved)


EXPORTS = {0: 0x0001, 1: 0x1001, 2: 0x2001, 3: 0x3001, 4: 0x4001, 6: 0x6001}
EXPORT_INDEX = {0: 0, 1: 1, 2: 2, 3: 3, 4: 4, 6: 5}


def query_seed(id_, ctx, cb=256, fail_at=0, null_buffer=False):
    domain = id_ >> 12
    first = EXPORTS[domain]
    return (u8(EXPORT_INDEX[domain]) + u8(1) + u16(id_ - first) + u8(fail_at) +
            u8(1 if null_buffer else 0) + u16(cb) + ctx)


def query_seeds():
    ids = sorted({int(m, 16) for m in re.findall(r"^root 0x([0-9A-F]{4})", open(GOLDEN).read(), re.M)})
    seeds = {}
    for n, id_ in enumerate(i for i in ids if (i >> 12) != 5):
        seeds["id_%04x" % id_] = query_seed(id_, context(printer=n % 6), cb=(n * 37) % 300)
    seeds["mode_record_row0"] = query_seed(0x101E, context(), cb=MODE_RECORD_SIZE)
    seeds["mode_record_missing_row"] = query_seed(0x101E, context(overrides=[(5, 261), (8, 3)]), cb=MODE_RECORD_SIZE)
    seeds["mode_record_81_selectors"] = query_seed(0x101E, context(count=81), cb=MODE_RECORD_SIZE)
    seeds["sequence_option_bit"] = query_seed(0x1018, context(overrides=[(79, 0x00800000)]), cb=19)
    seeds["sequence_custom_paper"] = query_seed(
        0x1019, context(overrides=[(28, 256), (29, 21000), (30, 29700)]), cb=57, fail_at=2)
    for id_ in (0x100C, 0x100D, 0x100F, 0x1011, 0x1013, 0x1016, 0x1017):
        seeds["list_%04x_fail" % id_] = query_seed(id_, context(), cb=400, fail_at=1)
    seeds["lm_strings"] = query_seed(0x2001, context(count=8, strings=["QXR-7310", "Cleaning", None, "ab"]))
    seeds["lm_null_strings"] = query_seed(0x2009, context(count=4, strings=[None, None]))
    seeds["no_selectors"] = query_seed(0x1003, context(count=0), null_buffer=True)
    seeds["printer_name"] = query_seed(VALUE_NAME_ID, context(count=1, overrides=[(0, 154)], printer=2))
    return seeds


def item(kind, offset, word1):
    return u8(0x80) + u32((kind << 24) | (offset & 0xFFFFFF)) + u32(word1)


def w1(tag, count):
    return (tag << 16) | count


def image_seed(qid_code, items, roots, i32=(), i16=(), data=b"", match=b"", drv=None,
               ctx=None, how=0, cb=300, fail_at=0, country=0):
    out = u8(qid_code) + u8(how) + u8(fail_at) + u8(country) + u8(1) + u16(cb)
    out += u8(0) + u8(len(items)) + u8(len(roots)) + u8(len(i32)) + u8(len(i16))
    out += u8(len(data)) + u8(len(match)) + u8(1 if drv else 0)
    out += b"".join(items)
    for tag_code, index in roots:
        out += u8(tag_code) + u8(index)
    out += b"".join(u32(v) for v in i32) + b"".join(u16(v) for v in i16) + data + match
    if drv:
        out += drv
    return out + (ctx if ctx is not None else context(printer=1))


QUERY = 0xE0  # tag code: the query's own id
ID8 = 0xE1    # tag code: the value-name id
FRAG = 0xE2   # tag code: the fragment id


def image_seeds():
    s = {}
    # Query id code 24 is 0x0002 (Root). Leaves of every stored kind under a sequence.
    leaves = [item(8, 1, w1(0, 7)), item(1, 0, w1(2, 3)), item(2, 0, w1(2, 2)), item(3, 0, w1(2, 3)),
              item(4, 0, w1(2, 2)), item(5, 0, w1(2, 3)), item(6, 0, w1(2, 2)), item(7, 0, w1(2, 4))]
    for k in range(1, 8):  # one seed per leaf kind: the sequence skips the leaves before it
        items = list(leaves)
        items[0] = item(8, k, w1(0, 8 - k))
        s["leaf_kind_%d" % k] = image_seed(24, items, [(QUERY, 0)], i32=[7, -7], i16=[0xFFFF, 2],
                                           data=b"ab\xff\0")
    # Selector switch, masked switch, range case, select/branch.
    s["switches"] = image_seed(24, [
        item(11, 1, w1(4, 3)), item(15, 4, 7), item(21, 5, 0), item(17, 6, 0),
        item(7, 0, w1(2, 2)), item(19, 7, w1(5, 2)), item(9, 9, w1(28, 2)),
        item(20, 8, 0xF), item(15, 4, 1), item(10, 4, w1(9, 1)), item(10, 4, w1(8, 1))],
        [(QUERY, 0)], i32=[0, 100], data=b"x\0")
    # String switch with case texts, a null entry and a default.
    s["string_switch"] = image_seed(24, [
        item(12, 1, w1(1, 3)), item(16, 4, 5), item(16, 4, 6), item(17, 4, 0),
        item(7, 0, w1(2, 3)), item(1, 0, w1(0, 3)), item(1, 3, w1(0, 0))],
        [(QUERY, 0)], data=b"ok\0", match=b"ABC",
        ctx=context(count=8, strings=["zz", "ABC", None]))
    # Printer-data switch: the value-name id names "A" for tag 3; the printer lacks it, the default decides.
    s["printer_data_switch"] = image_seed(24, [
        item(13, 1, w1(3, 2)), item(15, 3, 1), item(17, 3, 0), item(7, 0, w1(2, 2)),
        item(7, 2, w1(VALUE_NAME_ID, 2))],
        [(QUERY, 0), (ID8, 4)], data=b"v\0A\0", ctx=context(printer=1))
    # Locale switch on country 49.
    s["locale_switch"] = image_seed(24, [
        item(14, 1, w1(LOCALE_TAG, 2)), item(15, 3, 49), item(17, 3, 0), item(7, 0, w1(2, 2))],
        [(QUERY, 0)], data=b"d\0", country=0)
    # Computed leaves: silent-mode block and set-time block, printable area.
    s["computed"] = image_seed(24, [item(8, 1, w1(0, 3)), item(18, 0, w1(2, SILENT_MODE_BLOCK)),
                                    item(18, 0, w1(2, SET_TIME_BLOCK)),
                                    item(18, 0, w1(2, PAPER_PRINTABLE_AREA)),
                                    item(7, 0, w1(VALUE_NAME_ID, 21))],
                               [(QUERY, 0), (ID8, 4)], data=b"ZelUI_SilentModeTime\0")
    # Drv tables: a command sequence (id code 15 = 0x1018) of two fragments.
    drv = (u16(0) + u8(1) + u8(0) + u8(3) + u8(0) + u8(3) + u8(0) + u8(1) + u8(2) + u8(3) +
           u32(101) + u32(102) + u32(103) +
           u8(1) + u8(0) + u8(2) + u8(0) + u8(2) + u8(0) + u8(1) +
           u8(1) + b"".join(u8(k) for k in (1, 0, 1, 1, 2, 0)) + u8(0) * 4 + u8(1) * 4)
    seq_items = [item(1, 0, w1(FRAGMENT_ID, 3)), item(18, 0, w1(FRAGMENT_ID, OPTION_BITS_COMMAND))]
    s["command_sequence"] = image_seed(15, seq_items, [], data=b"\x1b(A", drv=drv,
                                       ctx=context(overrides=[(79, 0x00800000)]))
    # Mode record (id code 21 = 0x101E) with row 0 matching the valid combination.
    s["mode_record"] = image_seed(21, [item(1, 0, w1(0, 1))], [(QUERY, 0)], data=b"x", drv=drv, cb=MODE_RECORD_SIZE)
    # Full list 0x100D (code 1): selector 4 values 1 2 3, attributes 0x500C / 0x500B.
    s["full_list"] = image_seed(1, [item(3, 0, w1(0x500C, 1)), item(3, 0, w1(0x500B, 1)),
                                    item(3, 0, w1(0x5003, 2))],
                                [(0xE6, 0), (0xE7, 1), (0xEA, 2)], data=b"\x01\x02", drv=drv)
    # Stored list 0x100C (code 0) and selector-8 lists 0x1016 / 0x1017 (codes 13, 14).
    s["stored_list"] = image_seed(0, [item(3, 0, w1(0x100C, 3)), item(3, 0, w1(0x500C, 1)),
                                      item(3, 0, w1(0x500B, 1))],
                                  [(QUERY, 0), (0xE7, 1), (0xE6, 2)], data=b"\x01\x02\x03", drv=drv)
    s["selector8_list"] = image_seed(13, [item(3, 0, w1(0x1016, 2)), item(3, 0, w1(0x5005, 2)),
                                          item(3, 0, w1(0x5006, 1)), item(3, 0, w1(0x5007, 1))],
                                     [(QUERY, 0), (0xE3, 1), (0xE4, 2), (0xE5, 3)],
                                     data=b"\x01\x02", drv=drv)
    return s




def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    write("query", query_seeds())
    write("image", image_seeds())
