"""The download: the zip that the build's package target makes, what it
holds, and the program unpacked from it, run end to end."""

from __future__ import annotations

import os
import shutil
import unittest
import zipfile
from pathlib import Path

from base import ResolvoTestCase
from harness import BROWSER, ETC, KEPT, PROGRAM_FOLDER, QUESTION
from test_fix import FIXED, HOSTS, QUOTED_BROWSER
from test_winsock import WINSOCK, exported

# The zip the build made (CTest's package fixture builds it first), named from
# the build's version.
PACKAGE = Path(os.environ["RESOLVO_PACKAGE"])
CONTENTS = ["README.txt", "resolvo.exe", "winsock.reg", "winsock2.reg"]
BACKUPS = ("hosts.rv2", "lmhosts.rv2", "winsockbak.reg", "winsock2bak.reg")


class Package(ResolvoTestCase):
    @classmethod
    def setUpClass(cls):
        cls.package = PACKAGE
        if not cls.package.is_file():
            raise AssertionError(f"no {PACKAGE}: build the package target first")

    def unpacked(self, name: str) -> bytes:
        with zipfile.ZipFile(self.package) as package:
            return package.read(name)

    def test_the_zip_holds_the_program_its_registry_files_and_the_guide(self):
        with zipfile.ZipFile(self.package) as package:
            self.assertIsNone(package.testzip())
            self.assertEqual(package.namelist(), CONTENTS)
            self.assertFalse(any(entry.is_dir() for entry in package.infolist()))
        self.assertEqual(self.unpacked("resolvo.exe"), self.session.exe.read_bytes())
        for name in ("winsock.reg", "winsock2.reg"):
            self.assertEqual(self.unpacked(name), (self.session.resources / name).read_bytes(), name)
        print(f"\n{PACKAGE.name}: {self.package.stat().st_size} bytes")

    def test_the_guide_has_windows_line_ends_and_names_every_backup(self):
        guide = self.unpacked("README.txt")
        self.assertTrue(guide.endswith(b"\r\n"))
        self.assertEqual(guide.count(b"\n"), guide.count(b"\r\n"))
        self.assertEqual(guide.count(b"\r"), guide.count(b"\r\n"))
        text = guide.decode("ascii")
        for name in BACKUPS + ("resolvo.exe", "winsock.reg", "winsock2.reg", "administrator",
                               r"C:\Windows\System32\drivers\etc", WINSOCK, WINSOCK + "2",
                               "ipconfig /renew", "ipconfig /flushdns", "regedit /s"):
            self.assertIn(name, text)

    def test_the_unpacked_program_fixes_a_site(self):
        folder = self.session.path(PROGRAM_FOLDER)
        shutil.rmtree(folder)
        folder.mkdir()
        with zipfile.ZipFile(self.package) as package:
            package.extractall(folder)
        self.assertEqual(sorted(path.name for path in folder.iterdir()), CONTENTS)

        self.session.reset_name_files(HOSTS)
        main, _ = self.session.open_main_window()
        self.assertEqual(self.session.fix(main, "www.example.com", "y", "Return")[0], [QUESTION, KEPT])
        self.session.keys(main, "Escape")
        self.assertEqual(self.session.wait_exit(), 0)

        self.assertEqual(self.session.read(ETC + r"\hosts"), FIXED)
        self.assertEqual(self.session.read(ETC + r"\hosts.rv2"), HOSTS)
        self.assertEqual(self.session.read(ETC + r"\lmhosts.rv2"), b"")
        self.assertEqual(self.session.stub_lines(BROWSER), [QUOTED_BROWSER + ' "www.example.com"'])
        self.assertEqual(sorted(path.name for path in folder.iterdir()),
                         sorted(CONTENTS + ["winsockbak.reg", "winsock2bak.reg"]))
        self.assertIn(f"[{WINSOCK}]", exported(self.session.read(PROGRAM_FOLDER + r"\winsockbak.reg")))
        self.assertIn(f"[{WINSOCK}2]", exported(self.session.read(PROGRAM_FOLDER + r"\winsock2bak.reg")))


if __name__ == "__main__":
    unittest.main()
