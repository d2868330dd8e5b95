#!/usr/bin/env python3
"""Makes the download zip so that the same files always give the same bytes:
the entries in the order given, each under its file name alone, with one
fixed time and no owner, permissions or extra fields from this machine.

usage: make_zip.py ZIP YYYY-MM-DD FILE...
"""

import os
import sys
import zipfile
from pathlib import Path


def main() -> int:
    output, date, *files = sys.argv[1:]
    year, month, day = (int(part) for part in date.split("-"))
    partial = Path(f"{output}.partial")
    with zipfile.ZipFile(partial, "w") as package:
        for file in map(Path, files):
            entry = zipfile.ZipInfo(file.name, date_time=(year, month, day, 0, 0, 0))
            # An MS-DOS entry with only the archive bit, as Windows' own zips
            # hold plain files (zipfile swaps a zero for Unix permissions).
            entry.create_system = 0
            entry.external_attr = 0x20
            entry.compress_type = zipfile.ZIP_DEFLATED
            package.writestr(entry, file.read_bytes(), compresslevel=9)
    # A failed run leaves no half-made zip under the real name.
    os.replace(partial, output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
