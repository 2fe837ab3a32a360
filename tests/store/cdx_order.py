#!/usr/bin/python3
"""Index order of a table computed straight from its DBF bytes, for comparing with what an index
reader lists. Usage: cdx_order.py table.dbf 'KEY EXPRESSION' [table.dbf 'KEY' ...]
Prints one "key recno" line per record (deleted ones included), in key order, formatted as
Debian's index_dump prints them: text keys without trailing blanks, numbers with %.15g; a line
"--" ends the listing of each pair.
Handles field names, UPPER(f), STR(f,w[,d]), DTOS(f), DTOC(f) joined by '+', or one numeric field."""
import re
import struct
import sys
from decimal import Decimal, ROUND_HALF_UP


def read_table(path):
    data = open(path, 'rb').read()
    count, header_len, rec_len = struct.unpack_from('<IHH', data, 4)
    fields, off, pos = {}, 1, 32
    while data[pos] != 0x0D:
        name = data[pos:pos + 11].split(b'\0')[0].decode('ascii').upper()
        ftype, width, dec = chr(data[pos + 11]), data[pos + 16], data[pos + 17]
        if ftype == 'C':
            width, dec = width + 256 * dec, 0
        fields[name] = (ftype, off, width, dec)
        off += width
        pos += 32
    count = (len(data) - header_len) // rec_len
    rows = [data[header_len + i * rec_len: header_len + (i + 1) * rec_len] for i in range(count)]
    return fields, rows


def term_value(term, fields, row):
    m = re.fullmatch(r'(\w+)\((.*)\)', term)
    if m:
        fn, args = m.group(1).upper(), [a.strip() for a in m.group(2).split(',')]
        inner = fields[args[0].upper()]
        raw = row[inner[1]:inner[1] + inner[2]]
        if fn == 'UPPER':
            return raw.decode('cp1252').upper().encode('cp1252')
        if fn == 'DTOS':
            return raw
        if fn == 'DTOC':
            d = raw.decode('ascii')
            return ('%s/%s/%s' % (d[6:8], d[4:6], d[0:4]) if d.strip() else '  /  /    ').encode()
        if fn == 'STR':
            width = int(args[1]) if len(args) > 1 else inner[2]
            dec = int(args[2]) if len(args) > 2 else 0
            text = raw.decode('ascii').strip() or '0'
            v = Decimal(text).quantize(Decimal(1).scaleb(-dec), rounding=ROUND_HALF_UP)
            s = ('%.' + str(dec) + 'f') % v
            return (s.rjust(width) if len(s) <= width else '*' * width).encode('ascii')
        raise SystemExit('unsupported function ' + fn)
    f = fields[term.upper()]
    return row[f[1]:f[1] + f[2]]


def listing(path, expr, out):
    fields, rows = read_table(path)
    terms = [t.strip() for t in expr.split('+')]
    numeric = len(terms) == 1 and terms[0].upper() in fields and fields[terms[0].upper()][0] == 'N'
    keyed = []
    for i, row in enumerate(rows):
        if numeric:
            f = fields[terms[0].upper()]
            text = row[f[1]:f[1] + f[2]].decode('ascii').strip()
            keyed.append(((float(text) if text and '*' not in text else 0.0) + 0.0, i + 1))
        else:
            keyed.append((b''.join(term_value(t, fields, row) for t in terms), i + 1))
    keyed.sort()
    for key, recno in keyed:
        shown = (b'%.15g' % key) if numeric else key.rstrip(b' ')
        out.write(shown + b' ' + str(recno).encode() + b'\n')
    out.write(b'--\n')


for i in range(1, len(sys.argv) - 1, 2):
    listing(sys.argv[i], sys.argv[i + 1], sys.stdout.buffer)
