"""The download: the zip the build's package target makes holds the program,
its registry files and a guide for Windows users, all at the top level."""

import os
import unittest
import zipfile
from pathlib import Path

from test_winsock import WINSOCK

CONTENTS = ["README.txt", "resolvo.exe", "winsock.reg", "winsock2.reg"]
GUIDE_NAMES = ("hosts.rv2", "lmhosts.rv2", "winsockbak.reg", "winsock2bak.reg", "resolvo.exe", "winsock.reg",
               "administrator", r"C:\Windows\System32\drivers\etc", WINSOCK + "2", "ipconfig /renew",
               "ipconfig /flushdns", "regedit /s")


class Package(unittest.TestCase):
    def test_the_zip_holds_the_built_files_and_a_guide_notepad_can_read(self):
        built = {"resolvo.exe": Path(os.environ["RESOLVO_EXE"])}
        for name in ("winsock.reg", "winsock2.reg"):
            built[name] = Path(os.environ["RESOLVO_RESOURCES"]) / name
        with zipfile.ZipFile(os.environ["RESOLVO_PACKAGE"]) as package:
            self.assertIsNone(package.testzip())
            self.assertEqual(package.namelist(), CONTENTS)
            for name, path in built.items():
                self.assertEqual(package.read(name), path.read_bytes(), name)
            guide = package.read("README.txt")
        # Notepad before Windows 10 knows only CR LF line ends.
        self.assertEqual(guide.count(b"\n"), guide.count(b"\r\n"))
        self.assertEqual(guide.count(b"\r"), guide.count(b"\r\n"))
        for name in GUIDE_NAMES:
            self.assertIn(name, guide.decode("ascii"))


if __name__ == "__main__":
    unittest.main()
