# SPDX-License-Identifier: MIT
"""Peer for the export benchmark: openpyxl's write-only mode writing the same
table (sheet "Table1", 55 header texts, per row two texts and 53 numbers).
Prints the seconds spent writing."""
import sys
import time

import openpyxl

path, rows = sys.argv[1], int(sys.argv[2])
header = ["Data", "Czas"] + ["Kolumna %d, A" % k for k in range(53)]
start = time.perf_counter()
book = openpyxl.Workbook(write_only=True)
sheet = book.create_sheet("Table1")
sheet.append(header)
for i in range(rows):
    t = i % 86400
    values = [((k * 37 + t) % 1000) / 10.0 for k in range(53)]
    sheet.append(["08.12.2025", "%02d:%02d:%02d" % (t // 3600, t // 60 % 60, t % 60)] + values)
book.save(path)
print("%.3f" % (time.perf_counter() - start))
