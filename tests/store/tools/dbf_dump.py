#!/usr/bin/python3
# Prints a DBF table as python3-dbfread reads it, in the plain text the storage tests compare:
# "H version count header_len record_len encoding", one "F name type length decimals" line per
# field, then "R|value|..." for every active record and "X|value|..." for every deleted one.
import sys

import dbfread


def text(field, value):
    if value is None:
        return ''
    if field.type in 'NF':
        return '%.*f' % (field.decimal_count, value) if field.decimal_count else str(int(value))
    if field.type == 'D':
        return value.strftime('%Y%m%d')
    if field.type == 'L':
        return 'T' if value else 'F'
    return value.rstrip(' ')


# A table without a code-page mark holds the offices' Windows-1252 text.
with open(sys.argv[1], 'rb') as f:
    unmarked = f.read(30)[29] == 0
table = dbfread.DBF(sys.argv[1], load=True, char_decode_errors='strict',
                    encoding='cp1252' if unmarked else None)
h = table.header
print('H', h.dbversion, h.numrecords, h.headerlen, h.recordlen, table.encoding)
for f in table.fields:
    print('F', f.name, f.type, f.length, f.decimal_count)
for kind, records in (('R', table.records), ('X', table.deleted)):
    for r in records:
        print(kind + '|' + '|'.join(text(f, r[f.name]) for f in table.fields))
