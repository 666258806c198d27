#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The targets that read options take them with clang's FuzzedDataProvider:
numbers and flags from the end of the input, texts from its front. Seed()
builds inputs in that layout, so that each seed below says what it holds.
Run it again after changing a target's input layout.
"""
import pathlib
import shutil

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"

# The units that ConsumeCommandText draws by index (fuzz_util.cc).
COMMAND_UNITS = (
    [" ", " ", "\t", '"', "/", "/", "\\", "\\", ".", ".", "a", "b",
     "H", "h", "I", "i", "O", "N", "U", "u", "R", "Q", "S", "J",
     "E", "C", "L", "F", "T", "8", "n", "x", "\r", "\n", "\u3000", "\u00a0"]
    + ["\ufeff", "\udc80", "\ud800", "\uffff"])


class Seed:
    def __init__(self):
        self.front = bytearray()
        self.tail = bytearray()  # in the order the target takes them

    def int(self, value, byte_count=1):
        for k in reversed(range(byte_count)):
            self.tail.append((value >> (8 * k)) & 0xFF)
        return self

    def flag(self, value):
        return self.int(1 if value else 0)

    def pieces(self, sizes):
        self.int(len(sizes))
        for size in sizes:
            self.int(size - 1)  # 1..16
        return self

    def text_units(self, text, max_units):
        """ConsumeCommandText: one index a unit, or 0xF0 and the unit."""
        for unit in text[:max_units]:
            if unit in COMMAND_UNITS:
                self.int(COMMAND_UNITS.index(unit))
            else:
                self.int(0xF0).int(ord(unit), 2)
        return self

    def random_length_string(self, data):
        """ConsumeRandomLengthString: a backslash is doubled; a backslash
        and another byte end the string."""
        self.front += data.replace(b"\\", b"\\\\") + b"\\x"
        return self

    def rest(self, data):
        self.front += data
        return self

    def bytes(self):
        return bytes(self.front) + bytes(reversed(self.tail))


def sjis(text):
    return text.encode("cp932")


def utf16(text, mark=True):
    return (b"\xff\xfe" if mark else b"") + text.encode("utf-16-le")


JAPANESE = "日本語のテキスト変換。\r\nABC 123、かな・カナ「漢字」\r\n"

TEXTS = {
    "sjis": sjis(JAPANESE),
    "sjis_halfwidth": sjis("ｶﾞｷﾞﾊﾟｳﾞ ｱｲｳ\n") + b"\xb3\xde\xcf\xdf\xde\n",
    "sjis_user_defined": b"\xf0\x40\xfa\x40\xfc\xfc\x81\n\x81",
    "jis": JAPANESE.encode("iso2022_jp"),
    "jis_escapes": (b"\x1b$@F|\x1b(JA\x1b$(DF|\x1b(HB\x1b&@\x1b$BF|\x1b(I16^\x1b(B"
                    b"\x1bx\x1b$(Q\x1b$B!"),
    "euc": JAPANESE.encode("euc_jp"),
    "euc_halfwidth_and_0212": b"\x8e\xb6\x8e\xde\x8f\xb0\xa1A\xa4\xa2\r\n\xa4",
    "utf8_mark": JAPANESE.encode("utf-8-sig"),
    "utf8": (JAPANESE + "😀 é ｱ\n").encode("utf-8") + b"\xf8\x88\x80\x80\x80\xfc\x84\x80\x80\x80\x80\xc0\xaf\xe3",
    "utf16": utf16(JAPANESE),
    "utf16_swapped_mark": b"\xfe\xff" + "ab\r\n".encode("utf-16-le") + b"\x00",
    "ascii": b"plain text\twith tab\r\nand\rbreaks\n",
    "control": b"form\x0cfeed\x00zero\x7f",
    "sample": (pathlib.Path(__file__).resolve().parent.parent / "samples" / "kanvo-sample.txt").read_bytes(),
}

CONVERTERS = ["euc_to_sjis", "jis_to_sjis", "utf8_to_sjis", "utf16_to_sjis",
              "sjis_to_euc", "sjis_to_jis", "sjis_to_utf8"]

NEWLINE_TEXTS = {
    "crlf": b"a\r\nb\r\n",
    "cr": b"a\rb\r",
    "lf": b"a\nb\n",
    "mixed_cr_share_50": b"a\r\nb\r",
    "mixed_cr_share_42": b"\r\n\r\n\r\n\r\r\r\r",
    "mixed_lf_share_33": b"\r\n\n\n",
    "utf16_crlf": "a\r\nb\r\n".encode("utf-16-le"),
    "sjis_lead_before_break": b"\x81\r\n\x82\n\x83\r",
    "zero_bytes": b"a\x00\r\n\x00b",
}


def newline_seeds():
    seeds = {}
    for i, (name, text) in enumerate(NEWLINE_TEXTS.items()):
        code = i % 6      # SJIS JIS EUC UTF8 UTF8N UNICODE
        target = i % 3    # CRLF CR LF
        short = name in ("crlf", "utf16_crlf")
        seeds[name] = Seed().int(code).int(target).flag(short).int(3, 2).rest(text).bytes()
    return seeds


COMMAND_LINES = {
    "kanvo_codes": ("\\w\\", "/I EUC /O UNICODE /N CR a.txt b.txt", "bb"),
    "kanvo_utf8n": (None, "/O UTF8N a.txt out.txt", ""),
    "kanvo_folding": ("\\w\\x\\", '"..\\a.txt"  .\\.\\..\\d\\..\\c.txt', "b"),
    "kanvo_readonly": ("\\w\\", "a.txt ro.txt", "b"),
    "usage": ("\\w\\", "/H", ""),
    "filter_options": ("\\w\\", "/R/U/Q a.txt", ""),
    "filter_quoted": ("\\w\\", '/u "  b.txt" ignored', ""),
    "unknown_letter": ("\\w\\", "  /x.txt", ""),
    "diff_blanks": ("\\w\\", "/I a.txt\u3000/U \"b.txt\"", ""),
    "diff_tabs": ("\\w", "a.txt\t\tb.txt", ""),
    "escaped_byte": ("\\w\\", "a\udc80.txt \\w\\a.txt", ""),
    "long_name": ("\\" + "d" * 250 + "\\", "a" * 20, ""),
}


def command_line_seeds():
    seeds = {}
    for name, (share, line, answers) in COMMAND_LINES.items():
        seed = Seed()
        if share is None:
            seed.int(0)
        elif share == "\\w\\":
            seed.int(1)
        else:
            seed.int(2).int(len(share), 2).text_units(share, len(share))
        seed.text_units(answers.ljust(2, "a"), 2)  # an even unit is a Yes
        seed.text_units(line, 600)
        seeds[name] = seed.bytes()
    return seeds


def lines(*texts, end=b"\n"):
    return b"".join(t + end for t in texts)


DIFF_PAIRS = {
    "changed": (lines(b"a", b"b", b"c"), lines(b"a", b"x", b"c")),
    "deleted": (lines(b"a", b"b", b"c"), lines(b"a", b"c")),
    "added": (lines(b"a", b"c"), lines(b"a", b"b", b"c")),
    "swapped": (lines(b"A", b"B"), lines(b"B", b"A")),
    "moved": (lines(b"X", b"A", b"B"), lines(b"A", b"B", b"X")),
    "appended": (lines(b"a", b"b"), lines(b"a", b"b", b"c", b"d")),
    "one_in_ten": (lines(*[b"%d" % i for i in range(10)]),
                   lines(*[b"%d" % i if i != 4 else b"x" for i in range(10)])),
    "first_empty": (b"", lines(b"a", b"b")),
    "second_empty": (lines(b"a", b"b"), b""),
    "blanks": (lines(b"a b", b"c\td", sjis("e\u3000f")), lines(b"ab", b" c d", b"ef")),
    "sjis_and_utf16": (sjis(JAPANESE), utf16(JAPANESE)),
    "crlf_and_lone_cr": (b"a\r\nb\rc\n", b"a\nb\nc\n"),
    "backslashes": (b"\\\\a\\b\n", b"\\a\\b\n"),
}


def diff_seeds():
    seeds = {}
    for i, (name, (first, second)) in enumerate(DIFF_PAIRS.items()):
        seed = Seed().flag(name == "blanks").flag(False).flag(False).flag(False)
        seed.flag(name == "one_in_ten").int(20, 2).pieces([1, 3] if i % 2 else [])
        seeds[name] = seed.random_length_string(first).rest(second).bytes()
    seeds["same_files"] = (Seed().flag(True).flag(False).flag(False).flag(True).flag(False)
                           .int(0, 2).pieces([2]).random_length_string(lines(b"x", b"y"))
                           .bytes())
    return seeds


def filter_seeds(with_options):
    inputs = {
        "names": (0, lines(b"pear", b"Apple", b"apple", b"", b"pear", b"banana")),
        "japanese_utf8": (0, JAPANESE.encode("utf-8") + "ｗｏｒｌｄ é ω 😀\n".encode("utf-8")),
        "invalid_utf8": (0, b"\xff\xfe\xc0\xafab\r\ncd\xe3\x81"),
        "sjis": (1, sjis(JAPANESE) + b"\x81"),
        "utf16_mark": (2, utf16("b\r\na\nA\r\n\u00e9😀\r\n") + b"\x00"),
        "utf16_no_mark": (2, utf16("z\r\ny", mark=False)),
        "long_line": (1, b"x" * 1030 + b"\n" + b"y" * 1023 + b"\nz"),
        "many_empty_lines": (0, b"\n" * 200),
    }
    seeds = {}
    for i, (name, (mode, data)) in enumerate(inputs.items()):
        seed = Seed().int(mode)
        if with_options:
            seed.flag(i % 2).flag(i % 3 == 0)
        seeds[name] = seed.pieces([1, 2, 5] if i % 2 else []).rest(data).bytes()
    return seeds


def write(target, seeds):
    folder = CORPUS / target
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)


def main():
    write("detect_fuzz", TEXTS)
    for converter in CONVERTERS:
        write(converter + "_fuzz", TEXTS)
    write("newline_fuzz", newline_seeds())
    write("command_line_fuzz", command_line_seeds())
    write("diff_fuzz", diff_seeds())
    write("sort_fuzz", filter_seeds(with_options=True))
    write("vornak_fuzz", filter_seeds(with_options=False))


if __name__ == "__main__":
    main()
