#!/usr/bin/python3
# Prints an XLSX workbook as openpyxl reads it: the sheet's title, its frozen
# cell, then a line per row with each cell as n:NUMBER (Python's repr),
# s:TEXT or nothing when empty, separated by tabs.
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
sheet = book.active
print("sheet", sheet.title)
print("frozen", sheet.freeze_panes)


def cell_text(value):
    if value is None:
        return ""
    if isinstance(value, (int, float)):
        return "n:" + repr(value)
    return "s:" + str(value)


for row in sheet.iter_rows(values_only=True):
    print("\t".join(cell_text(value) for value in row))
