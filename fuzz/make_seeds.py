#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/. Run again after changing how
a target decodes its input.

The convert and query targets read their input through libFuzzer's
FuzzedDataProvider: numbers are taken from the end of the input, the last
byte first (most significant first for wider ones), and byte strings from
the front. Seed builds an input the same way.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


class Seed:
    def __init__(self):
        self.front = b""
        self.numbers = []  # bytes in the order they are consumed

    def number(self, value, width=1):
        self.numbers += list(value.to_bytes(width, "big"))
        return self

    def signed32(self, value):
        return self.number(value + 2**31, 4)

    def text(self, data):
        self.front += data
        return self

    def data(self):
        return self.front + bytes(reversed(self.numbers))


def utf16(text):
    return text.encode("utf-16-le", "surrogatepass")


def write(target, name, data):
    directory = os.path.join(HERE, "corpus", target)
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as out:
        out.write(data)


# split_fuzzer: a table byte (0-4: 932, 936, 949, 950, 1361; 5: none), then
# the line.
write("split_fuzzer", "quoted_program", b"\x05\"c:\\prog files\\dravlen.exe\" \"d:\\a b.qmv\"")
write("split_fuzzer", "backslashes", b'\x05p a\\\\\\"b "c ""d"" e" \\\\"x" \t""')
write("split_fuzzer", "trail_backslash", b"\x00p d:\\\x95\\\\dir\\\x81\"x.qmv")
write("split_fuzzer", "lead_byte_last", b"\x01p \x81")

# compare_fuzzer: a code-page byte (0: 1252, 1: 1251, 2: 932, 3: 936, 4: 949,
# 5: 950, 6: 1361, 7: 65001, 8: unknown), then two texts split by a NUL.
write("compare_fuzzer", "ascii_case", b"\x00C:\\Work.QMV\x00c:\\work.qmu")
write("compare_fuzzer", "two_byte", b"\x02\x82\x60bc\x00\x82\x81BC")
write("compare_fuzzer", "korean", b"\x04\xb0\xa1a\x00\xb0\xa1A")
write("compare_fuzzer", "utf8", b"\x07\xc3\xa9x\x00\xc3\x89X")
write("compare_fuzzer", "cyrillic", b"\x01\xc0\xe0\x00\xe0\xc0")

# convert_fuzzer: 9x or not, system code page, locale text mode (0: the
# locale's, 1: lookup fails, 2: a listed code page, 3: raw text), split
# point, then the UTF-16 string. Code pages: 1252, 932, 936, 949, 950, 1361,
# 65001, 1251, unknown.
write("convert_fuzzer", "nt_ascii",
      Seed().number(0).number(0).number(0).number(4).text(utf16("C:\\a.qmv")).data())
write("convert_fuzzer", "nt_japanese",
      Seed().number(0).number(0).number(2).number(1).number(3)
      .text(utf16("d:\\\u8868\u30bd") + b"\x00\xd8x\x00").data())
write("convert_fuzzer", "9x_cyrillic",
      Seed().number(1).number(0).number(3).number(4).text(b"1251").number(2)
      .text(utf16("c:\\\u0416\u0436.qmv\u0000tail")).data())
write("convert_fuzzer", "9x_odd_text",
      Seed().number(1).number(6).number(3).number(3).text(b"9x:").number(0)
      .text(utf16("\u00e9\udc00\U0001f600")).data())


# query_fuzzer: code page (0: 1252, 1: 932, 2: 65001), activation (0: plain,
# 1: runnable, 2: create fails, 3: no interface, 4: null interface), run,
# Initialize and GetMountedContainers statuses (0: S_OK, 1: S_FALSE,
# 2: E_FAIL), then both results and the argument.
def entry(seed, text):
    if text is None:
        return seed.number(0)
    seed.number(1).number(len(text))
    for unit in struct.unpack("<%dH" % len(text), utf16(text)):
        seed.number(unit, 2)
    return seed


def result(seed, shape, tag=0, element=0, lower=0, entries=(), columns=None):
    seed.number(shape)
    if shape == 3:
        entry(seed, entries[0])
    if shape != 4:
        return seed
    seed.number(tag).number(element).number(0 if columns is not None else 1)
    seed.signed32(lower).number(len(entries) // (columns or 1))
    if columns is not None:
        seed.number(columns)
    for text in entries:
        entry(seed, text)
    return seed


def query(code_page, activation, statuses, containers, companion, argument):
    seed = Seed().number(code_page).number(activation)
    for status in statuses:
        seed.number(status)
    result(seed, *containers)
    result(seed, *companion)
    return seed.text(argument).data()


companion = (4, 0, 0, 0, ["companion"])
write("query_fuzzer", "mounted",
      query(0, 0, (0, 0, 0), (4, 0, 0, 0, ["c:\\b.qmv", None, "C:\\A.QMV"]), companion,
            b"c:\\a.qmv"))
write("query_fuzzer", "none_mounted", query(0, 1, (1, 0, 2), (0,), (0,), b"c:\\a.qmv"))
write("query_fuzzer", "integer_list",
      query(1, 0, (0, 0, 0), (4, 0, 1, 5, ["x", "y"]), companion, b"x"))
write("query_fuzzer", "two_dimensions",
      query(2, 0, (0, 0, 1), (4, 0, 0, -7, ["a", "b", "c", "d"], 2), (3, 0, 0, 0, ["s"]), b"c"))
write("query_fuzzer", "bound_at_limit",
      query(0, 0, (0, 0, 0), (4, 0, 0, 2**31 - 1, ["a", "b"]), companion, b"b"))
write("query_fuzzer", "null_interface", query(0, 4, (0, 0, 0), (0,), (0,), b"a"))
