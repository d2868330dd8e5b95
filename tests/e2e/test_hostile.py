"""A whole run on a machine set against the program: programs planted where
a careless search would find them, addresses meant to open something else
than a web page, and a read-only, hidden and system hosts file. The same
suite runs in a 64-bit and in a 32-bit Wine prefix."""

import unittest

from base import OFFER, ResolvoTestCase
from winedriver import BROWSER, ETC, KEPT, PROGRAM_FOLDER, QUESTION


class HostileMachine(ResolvoTestCase):
    def test_planted_programs_never_run_and_protected_files_keep_their_bits(self):
        planted = [r"C:\Program.exe", PROGRAM_FOLDER + r"\regedit.exe", PROGRAM_FOLDER + r"\ipconfig.exe",
                   r"C:\Work\regedit.exe", r"C:\Work\ipconfig.exe"]
        for path in planted:
            self.session.plant(path)
        hosts = b"127.0.0.1 localhost\r\n10.1.1.1 www.example.com\r\n"
        self.session.reset_name_files(hosts)
        self.session.set_attributes(ETC + r"\hosts", {"R", "H", "S"})
        before = self.session.snapshot(ETC)
        # Internet Explorer is the one in the Program Files folder Windows names, not one at a fixed path.
        browser = self.session.browser
        if browser != BROWSER:
            planted.append(BROWSER)

        main, _ = self.session.open_main_window(cwd=r"C:\Work")
        # Addresses a browser would take for a file or another host are refused before anything changes.
        for address in ("file://www.example.com/share/x.hta", "www.example.com:80@evil.com"):
            self.assertEqual(self.session.fix(main, address, "Return")[0], ["Invalid web address."])
        # An IP address is no name: the name files stay byte for byte as they were, and no lmhosts or backup is made.
        self.assertEqual(self.session.fix(main, "http://127.0.0.1/", "y", "Return")[0], [QUESTION, KEPT])
        self.assertEqual(self.session.snapshot(ETC), before)
        self.assertEqual(self.session.fix(main, "http://www.example.com/", "n", "y")[0], [QUESTION, OFFER])
        self.assertEqual(self.session.wait_stub_lines(browser, 3), [
            f'"{browser}" "http://127.0.0.1/"', f'"{browser}" "http://www.example.com/"',
            f'"{browser}" "http://www.resolvo.example/freescan.html"'])
        self.session.keys(main, "Escape")
        self.assertEqual(self.session.wait_exit(), 0)

        self.assert_files(ETC, {"hosts": hosts.replace(b"10.1", b"#10.1"), "hosts.rv2": hosts, "lmhosts": b"",
                                "lmhosts.rv2": None})
        self.assertEqual(self.session.attributes(ETC + r"\hosts"), {"R", "H", "S"})
        for path in planted:
            self.assertEqual(self.session.stub_lines(path), [], path)


if __name__ == "__main__":
    unittest.main()
