# SPDX-License-Identifier: MIT
"""Reads an exported table back with an independent reader and prints what
the export test compares, as JSON: sheet names, header row, row count, the
first and the last data row. With --all it prints instead every sheet's
header ("headers") and every data row of all sheets in order ("data")."""
import csv
import json
import sys

path = sys.argv[1]
if "--all" in sys.argv[2:]:
    headers, data = [], []
    if path.lower().endswith(".csv"):
        with open(path, newline="", encoding="utf-8") as f:
            sheets = [list(csv.reader(f))]
        sheets = [[s[0]] + [[r[0], r[1]] + [float(v) for v in r[2:]] for r in s[1:]] for s in sheets]
        names = []
    else:
        import openpyxl
        book = openpyxl.load_workbook(path, read_only=True)
        names = book.sheetnames
        sheets = [[list(r) for r in book[n].iter_rows(values_only=True)] for n in names]
    for rows in sheets:
        headers.append(rows[0])
        data.extend(rows[1:])
    print(json.dumps({"sheets": names, "headers": headers, "data": data}))
    sys.exit(0)
if path.lower().endswith(".csv"):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    sheets = []
    header, data = rows[0], rows[1:]
    data = [[r[0], r[1]] + [float(v) for v in r[2:]] for r in data]
    count = len(data)
    first = data[0] if data else None
    last = data[-1] if data else None
else:
    import openpyxl
    book = openpyxl.load_workbook(path, read_only=True)
    sheets = book.sheetnames
    sheet = book["Table1"]
    header, first, last, count = None, None, None, 0
    for row in sheet.iter_rows(values_only=True):
        if header is None:
            header = list(row)
            continue
        count += 1
        if first is None:
            first = list(row)
        last = row
    last = list(last) if last is not None else None
print(json.dumps({"sheets": sheets, "header": header, "rows": count, "first": first, "last": last}))
