#!/usr/bin/python3
"""Packs the release archive: the 32-bit and 64-bit modules and the host's install
description, with fixed timestamps, order and attributes, so the same inputs always give
the same bytes.

    pack_release.py OUTPUT.zip Tabrinox.wfx Tabrinox.wfx64 pluginst.inf
"""
import os
import sys
import zipfile

# the earliest time a zip entry can carry
FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def entry(name, data):
    info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 0  # MS-DOS: no Unix owner or mode bits
    info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
    return info, data


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    output, module32, module64, inf = sys.argv[1:]
    with open(inf, "rb") as f:
        # the host reads the description as Windows text
        inf_text = f.read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    entries = [
        entry("pluginst.inf", inf_text),
        entry("Tabrinox.wfx", open(module32, "rb").read()),
        entry("Tabrinox.wfx64", open(module64, "rb").read()),
    ]
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    partial = output + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for info, data in entries:
            archive.writestr(info, data, compresslevel=9)
    os.replace(partial, output)


if __name__ == "__main__":
    main()
