"""The Winsock reset that runs while the main window loads, with Wine's own
registry editor."""

import time
import unittest

from base import SETTLE_SECONDS, ResolvoTestCase
from winedriver import PROGRAM_FOLDER, TITLE

WINSOCK = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Winsock"


def exported(content: bytes) -> str:
    """A registry export as text (the editor writes UTF-16 with a BOM)."""
    return content.decode("utf-16") if content.startswith(b"\xff\xfe") else content.decode("latin-1")


class WinsockReset(ResolvoTestCase):
    def test_both_keys_are_backed_up_before_the_main_window_appears(self):
        planted = [self.session.plant(PROGRAM_FOLDER + r"\regedit.exe"),
                   self.session.plant(r"C:\Work\regedit.exe"),
                   self.session.plant(PROGRAM_FOLDER + r"\ipconfig.exe")]
        main, pressed = self.session.open_main_window(cwd=r"C:\Work")
        self.assertGreaterEqual(time.monotonic() - pressed, SETTLE_SECONDS)
        self.assertEqual([w.name for w in self.session.windows()], [TITLE])

        winsock = exported(self.session.read(PROGRAM_FOLDER + r"\winsockbak.reg"))
        winsock2 = exported(self.session.read(PROGRAM_FOLDER + r"\winsock2bak.reg"))
        self.assertIn(f"[{WINSOCK}]", winsock)
        self.assertNotIn(f"[{WINSOCK}2]", winsock)
        self.assertIn(f"[{WINSOCK}2]", winsock2)
        for log in planted:
            self.assertIsNone(self.session.read(log), log)
        self.session.keys(main, "Escape")
        self.session.wait_exit()

    def test_the_shipped_registry_files_import(self):
        # Wine's editor rejects /i, so the program's own imports do nothing
        # here; imported without it, the files show that they are valid.
        for name in ("winsock.reg", "winsock2.reg"):
            result = self.session.wine("regedit", "/s", PROGRAM_FOLDER + "\\" + name)
            self.assertEqual(result.returncode, 0, result.stderr)
        query = self.session.wine("reg", "query", WINSOCK + "2\\Parameters")
        values = query.stdout.decode(errors="replace")
        for line in ("WinSock_Registry_Version    REG_SZ    2.0",
                     "Current_Protocol_Catalog    REG_SZ    Protocol_Catalog9",
                     "Current_NameSpace_Catalog    REG_SZ    NameSpace_Catalog5"):
            self.assertIn(line, values)
        self.assertEqual(self.session.wine("reg", "query", WINSOCK + "\\Parameters").returncode, 0)


if __name__ == "__main__":
    unittest.main()
