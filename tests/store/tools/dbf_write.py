#!/usr/bin/python3
# Writes a DBF table with python3-dbf from the plain text of dbf_dump.py ("F" lines, then "R|..."
# and "X|..." records, read from standard input): a table made by another xBase program.
import datetime
import decimal
import sys

import dbf

fields, rows = [], []
for line in sys.stdin.read().splitlines():
    if line.startswith('F '):
        _, name, kind, length, dec = line.split(' ')
        fields.append((name, kind, int(length), int(dec)))
    elif line[:2] in ('R|', 'X|'):
        rows.append((line[0] == 'X', line[2:].split('|')))


def spec(name, kind, length, dec):
    if kind == 'C':
        return '%s C(%d)' % (name, length)
    if kind == 'N':
        return '%s N(%d,%d)' % (name, length, dec)
    return '%s %s' % (name, kind)


def value(kind, text):
    if text == '':
        return None
    if kind == 'N':
        return decimal.Decimal(text)
    if kind == 'D':
        return datetime.date(int(text[:4]), int(text[4:6]), int(text[6:]))
    if kind == 'L':
        return text == 'T'
    return text


table = dbf.Table(sys.argv[1], '; '.join(spec(*f) for f in fields), dbf_type='db3',
                  codepage='cp1252')
table.open(dbf.READ_WRITE)
for deleted, values in rows:
    table.append({f[0].lower(): value(f[1], v) for f, v in zip(fields, values)})
    if deleted:
        dbf.delete(table[-1])
table.close()
