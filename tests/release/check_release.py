#!/usr/bin/python3
"""Checks a release archive: what it holds, the install description the host reads, the
modules' widths, and fixed timestamps.

    check_release.py ARCHIVE.zip BUILD_DIR [unittest arguments]

BUILD_DIR holds win32/ and win64/, the builds the archive was packed from.
"""
import configparser
import os
import sys
import unittest
import zipfile

import pefile

ARCHIVE = None
BUILD = None


class ReleaseArchiveTest(unittest.TestCase):
    def setUp(self):
        self.archive = zipfile.ZipFile(ARCHIVE)

    def tearDown(self):
        self.archive.close()

    def test_entries(self):
        names = self.archive.namelist()
        self.assertEqual(names, ["pluginst.inf", "Tabrinox.wfx", "Tabrinox.wfx64"], "entries")
        for info in self.archive.infolist():
            self.assertEqual(info.date_time, (1980, 1, 1, 0, 0, 0), f"{info.filename}: time")
            self.assertEqual(info.external_attr >> 16, 0, f"{info.filename}: Unix mode bits")
        self.assertIsNone(self.archive.testzip(), "an entry fails its CRC")

    def test_install_description(self):
        raw = self.archive.read("pluginst.inf")
        self.assertNotIn(b"\n", raw.replace(b"\r\n", b""), "a line not ended by CR LF")
        parser = configparser.ConfigParser()
        parser.read_string(raw.decode("ascii"))
        self.assertEqual(parser.sections(), ["plugininstall"], "sections")
        section = parser["plugininstall"]
        self.assertEqual(section.get("type"), "wfx", "type")
        self.assertEqual(section.get("file"), "Tabrinox.wfx", "file")
        self.assertEqual(section.get("defaultdir"), "Tabrinox", "defaultdir")
        self.assertTrue(section.get("description", "").strip(), "description")

    def test_modules_are_the_builds_with_their_widths(self):
        for name, preset, machine in (
            ("Tabrinox.wfx", "win32", 0x14C),
            ("Tabrinox.wfx64", "win64", 0x8664),
        ):
            data = self.archive.read(name)
            with open(os.path.join(BUILD, preset, "module", name), "rb") as f:
                self.assertTrue(data == f.read(), f"{name} differs from the {preset} build")
            pe = pefile.PE(data=data)
            self.assertEqual(pe.FILE_HEADER.Machine, machine, f"{name}: machine")
            self.assertEqual(pe.DIRECTORY_ENTRY_EXPORT.name, name.encode(), f"{name}: export name")


def main():
    global ARCHIVE, BUILD
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    ARCHIVE, BUILD = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)


if __name__ == "__main__":
    main()
