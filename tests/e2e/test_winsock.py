"""The settings files that the Winsock reset imports, with Wine's own registry
editor."""

import unittest

from base import ResolvoTestCase
from winedriver import PROGRAM_FOLDER

WINSOCK = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Winsock"


class WinsockReset(ResolvoTestCase):
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
