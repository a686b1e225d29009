#!/usr/bin/env python3
"""Reads the example's MOVEBANK GPS files with pandas, taking the dtypes from
their .csvt sidecars: the key-bin checksums must stay the text of the file
(leading zeros kept), the other columns come out as the sidecar types them.
Exits 77 (skipped) when pandas is missing.

usage: read_with_column_types.py DECODER MAKE_EXAMPLE WORKDIR
"""
import csv
import os
import shutil
import subprocess
import sys

try:
    import pandas as pd
except ImportError:
    print("skipped: python3 with pandas (apt-get install python3-pandas) is not installed")
    sys.exit(77)

# .csvt type -> pandas dtype; integer columns may be empty (no fix): nullable.
DTYPES = {"String": str, "Integer": "Int64", "Real": "float64"}
KINDS = {"String": "O", "Integer": "i", "Real": "f", "DateTime": "M"}


def read_typed(path):
    """The file as pandas reads it with the sidecar's types, and those types."""
    sidecar = os.path.splitext(path)[0] + ".csvt"
    types = next(csv.reader(open(sidecar)))
    names = next(csv.reader(open(path)))
    if len(types) != len(names):
        raise SystemExit(f"{sidecar}: {len(types)} types for {len(names)} columns")
    frame = pd.read_csv(path, dtype={n: DTYPES[t] for n, t in zip(names, types) if t in DTYPES},
                        parse_dates=[n for n, t in zip(names, types) if t == "DateTime"])
    return frame, dict(zip(names, types))


def main():
    decoder, make_example, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    container = os.path.join(work, "logger.bin")
    subprocess.run([make_example, container], check=True)
    subprocess.run([decoder, "-c", "m", "-f", container, "-d", work], check=True,
                   stdout=subprocess.DEVNULL)
    zeros = 0
    for name in ("tag17_gps.txt", "tag1201_gps.txt"):
        path = os.path.join(work, name)
        frame, types = read_typed(path)
        keys = [row[0] for row in list(csv.reader(open(path)))[1:]]
        if list(frame["key-bin-checksum"]) != keys:
            raise SystemExit(f"{name}: checksums read as {list(frame['key-bin-checksum'])[:3]}")
        zeros += sum(k.startswith("0") for k in keys)
        for column, kind in types.items():
            if frame[column].dtype.kind != KINDS[kind]:
                raise SystemExit(f"{name}: {column} read as {frame[column].dtype}, typed {kind}")
        print(f"{name}: {len(frame)} rows, {len(types)} typed columns")
    if zeros == 0:
        raise SystemExit("no checksum with a leading zero in the example: nothing tested")
    return 0


if __name__ == "__main__":
    sys.exit(main())
