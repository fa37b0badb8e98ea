#!/usr/bin/env python3
"""The same jobs as workbook_bench_tool with python3-openpyxl, timed inside the interpreter.
   openpyxl_peer.py read FILE N | write FILE N   -> "<best ms> ms"
"""
import sys
import time

from openpyxl import Workbook, load_workbook
from openpyxl.styles import Alignment


def read(path):
    ws = load_workbook(path).worksheets[0]
    total = 0
    for row in ws.iter_rows(values_only=True):
        for v in row:
            total += len(str(v)) if v is not None else 0
    return total


def write(path):
    book = Workbook()
    ws = book.active
    headers = [("序号", 50), ("参数", 100), ("数值", 120), ("备注", 140)]
    for i, (text, pixels) in enumerate(headers):
        cell = ws.cell(row=1, column=i + 1, value=text)
        cell.alignment = Alignment(vertical="center")
        ws.column_dimensions[cell.column_letter].width = pixels // 6
    ws.row_dimensions[1].height = 50
    for i in range(1, 54):
        for c, v in enumerate([str(i), "ST_A", "0.00012" + str(i), "温度系数A"]):
            ws.cell(row=i + 1, column=c + 1, value=v)
    book.save(path)
    return 0


def main():
    mode, path, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
    job = read if mode == "read" else write
    best = float("inf")
    for _ in range(max(1, n)):
        t0 = time.perf_counter()
        job(path)
        best = min(best, (time.perf_counter() - t0) * 1000)
    print(f"{best:.2f} ms")


if __name__ == "__main__":
    main()
