#!/usr/bin/env python3
"""Generates platform/cp932_table.cc from Microsoft's best-fit table for code
page 932 (third_party/cp932/bestfit932.txt).

MBTABLE and DBCSTABLE give bytes -> UTF-16, WCTABLE gives UTF-16 -> bytes,
with four characters added to the way to bytes (MENDS below).
Run from anywhere:  python3 scripts/gen_cp932.py [bestfit932.txt [output.cc]]
"""

import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_INPUT = os.path.join(ROOT, 'third_party', 'cp932', 'bestfit932.txt')
DEFAULT_OUTPUT = os.path.join(ROOT, 'platform', 'cp932_table.cc')


# Characters the table turns into '?' that Unix and macOS text (JIS X 0208's
# own mapping, as in EUC-JP, ISO-2022-JP and much UTF-8) reads from these
# Shift_JIS bytes: unit -> (bytes, the unit those bytes give back). The way
# back stays the table's, so the bytes still give the second unit.
MENDS = {
    0x2014: (0x815C, 0x2015),  # EM DASH
    0x301C: (0x8160, 0xFF5E),  # WAVE DASH
    0x2016: (0x8161, 0x2225),  # DOUBLE VERTICAL LINE
    0x2212: (0x817C, 0xFF0D),  # MINUS SIGN
}


class Table:
    def __init__(self):
        self.mb_default = None   # unit for bytes with no entry
        self.wc_default = None   # byte for units with no entry
        self.single = {}         # byte -> unit
        self.lead_bytes = []     # in file order
        self.pairs = {}          # (lead, trail) -> unit
        self.wide = {}           # unit -> bytes as lead << 8 | trail


def records(path):
    """Yields the fields of each non-empty line, comments removed.

    The file is read as bytes and split on LF only: its comments hold code
    page 932 bytes, and 0x85 among them is a line break to a text reader."""
    with open(path, 'rb') as f:
        data = f.read()
    for number, raw in enumerate(data.split(b'\n'), 1):
        line = raw.split(b';', 1)[0].decode('ascii').split()
        if line:
            yield number, line


def parse(path):
    table = Table()
    section = None
    remaining = 0        # records still expected in the current section
    ranges_left = 0      # lead byte ranges announced by DBCSRANGE
    current_lead = None
    next_leads = []

    def fail(number, message):
        sys.exit('%s:%d: %s' % (path, number, message))

    for number, fields in records(path):
        tag = fields[0].upper()
        if not tag.startswith('0X'):
            if remaining:
                fail(number, '%d records missing before %s' % (remaining, tag))
            section = tag
            if tag == 'CPINFO':
                if fields[1] != '2':
                    fail(number, 'not a double-byte code page')
                table.wc_default = int(fields[2], 16)
                table.mb_default = int(fields[3], 16)
            elif tag in ('MBTABLE', 'WCTABLE'):
                remaining = int(fields[1])
            elif tag == 'DBCSRANGE':
                ranges_left = int(fields[1])
            elif tag == 'DBCSTABLE':
                if not next_leads:
                    fail(number, 'DBCSTABLE outside a lead byte range')
                current_lead = next_leads.pop(0)
                table.lead_bytes.append(current_lead)
                remaining = int(fields[1])
            elif tag == 'ENDCODEPAGE':
                break
            continue

        a, b = int(fields[0], 16), int(fields[1], 16)
        if section == 'DBCSRANGE' or (section == 'DBCSTABLE' and not remaining):
            # A lead byte range: the DBCSTABLEs for its bytes follow.
            if next_leads or not ranges_left:
                fail(number, 'unexpected lead byte range')
            ranges_left -= 1
            next_leads = list(range(a, b + 1))
            section = 'DBCSRANGE'
            continue
        if not remaining:
            fail(number, 'more records than the section announced')
        remaining -= 1
        if section == 'MBTABLE':
            table.single[a] = b
        elif section == 'DBCSTABLE':
            table.pairs[(current_lead, a)] = b
        elif section == 'WCTABLE':
            table.wide[a] = b
        else:
            fail(number, 'record outside a table')
    if remaining or next_leads or ranges_left:
        sys.exit('%s: incomplete table' % path)
    return table


def check(table):
    """Checks what the C++ side relies on."""
    leads = set(table.lead_bytes)
    expected = set(range(0x81, 0xA0)) | set(range(0xE0, 0xFD))
    assert leads == expected, 'lead bytes differ from 0x81..0x9F, 0xE0..0xFC'
    assert not leads & set(table.single), 'a lead byte has a single-byte entry'
    assert table.mb_default == 0x30FB and table.wc_default == 0x3F
    for unit, code in table.wide.items():
        assert unit <= 0xFFFF and code <= 0xFFFF
        assert code != 0 or unit == 0, 'only U+0000 may give the zero byte'
        if code > 0xFF:
            assert (code >> 8) in leads, 'U+%04X gives no lead byte' % unit
        else:
            assert code not in leads, 'U+%04X gives a lone lead byte' % unit


def mend(table):
    """Adds MENDS to the way to bytes, checking each against the table."""
    for unit, (code, back) in MENDS.items():
        assert unit not in table.wide, 'U+%04X already has an entry' % unit
        assert table.pairs.get((code >> 8, code & 0xFF)) == back, \
            '0x%04X does not give U+%04X' % (code, back)
        assert table.wide.get(back) == code, 'U+%04X does not give 0x%04X' % (back, code)
        table.wide[unit] = code


def rows(values, per_line, indent='    '):
    for i in range(0, len(values), per_line):
        yield indent + ', '.join(values[i:i + per_line]) + ','


def generate(table, source_name):
    out = []
    w = out.append
    w('// Generated by scripts/gen_cp932.py from %s.' % source_name)
    w('// Do not edit: change the script or the data and run it again.')
    w('//')
    w("// Microsoft's best-fit table for code page 932: MBTABLE and DBCSTABLE for")
    w('// bytes to UTF-16, WCTABLE for UTF-16 to bytes, and four mended characters')
    w('// to bytes: U+2014, U+301C, U+2016 and U+2212 (see MENDS in the script).')
    w('')
    w('#include "platform/cp932_table.h"')
    w('')
    w('namespace tv::cp932 {')
    w('')

    # Bytes that are no lead byte; a lead byte's slot is never read.
    single = ['0x%04x' % table.single.get(b, table.mb_default) for b in range(256)]
    w('const char16_t kSingleByte[256] = {')
    out.extend(rows(single, 8))
    w('};')
    w('')

    lead_row = ['0xff'] * 256
    for row, lead in enumerate(sorted(table.lead_bytes)):
        lead_row[lead] = '%d' % row
    w('const uint8_t kLeadRow[256] = {')
    out.extend(rows(lead_row, 16))
    w('};')
    w('')

    w('const char16_t kPair[kLeadByteCount][256] = {')
    for lead in sorted(table.lead_bytes):
        w('    {  // lead byte 0x%02x' % lead)
        pair = ['0x%04x' % table.pairs.get((lead, t), table.mb_default)
                for t in range(256)]
        out.extend(rows(pair, 8, '        '))
        w('    },')
    w('};')
    w('')

    # UTF-16 to bytes in two levels: the high byte of a unit picks a page of
    # 256 entries, page 0 having none.
    pages = [[0] * 256]
    page_of = [0] * 256
    for high in range(256):
        entries = [table.wide.get((high << 8) | low, 0) for low in range(256)]
        if any(entries):
            pages.append(entries)
            page_of[high] = len(pages) - 1
    w('const uint8_t kWidePage[256] = {')
    out.extend(rows(['%d' % p for p in page_of], 16))
    w('};')
    w('')
    w('const uint16_t kWideBytes[%d][256] = {' % len(pages))
    for index, page in enumerate(pages):
        highs = [h for h in range(256) if page_of[h] == index and index]
        w('    {  // %s' % ('U+%02Xxx' % highs[0] if highs else 'no entry'))
        out.extend(rows(['0x%04x' % v for v in page], 8, '        '))
        w('    },')
    w('};')
    w('')
    w('}  // namespace tv::cp932')
    return '\n'.join(out) + '\n', len(pages)


def main(argv):
    source = argv[1] if len(argv) > 1 else DEFAULT_INPUT
    output = argv[2] if len(argv) > 2 else DEFAULT_OUTPUT
    table = parse(source)
    check(table)
    mend(table)
    try:
        source_name = os.path.relpath(os.path.abspath(source), ROOT)
    except ValueError:
        source_name = os.path.basename(source)
    text, page_count = generate(table, source_name)
    with open(output, 'w', encoding='ascii', newline='\n') as f:
        f.write(text)
    print('%s: %d single bytes, %d pairs, %d units (%d mended) in %d pages' % (
        output, len(table.single), len(table.pairs), len(table.wide), len(MENDS), page_count))


if __name__ == '__main__':
    main(sys.argv)
