"""Whole runs on a machine set against the program: programs planted where a
careless search would find them, protected and oversized name files, a
registry editor that never ends. The same suite runs in a 64-bit and in a
32-bit Wine prefix."""

import time
import unittest

from base import SETTLE_SECONDS, ResolvoTestCase
from harness import BROWSER, ETC, KEPT, OFFER, PROGRAM_FOLDER, QUESTION

EXPORT_LIMIT_SECONDS = 30
# A 32-bit program that starts the registry editor of the Windows folder
# gets the 32-bit one in syswow64 under Wine; both stand in for it.
REGEDITS = (r"C:\windows\regedit.exe", r"C:\windows\syswow64\regedit.exe")


class HostileMachine(ResolvoTestCase):
    def test_planted_programs_never_run_and_protected_files_keep_their_bits(self):
        planted = [r"C:\Program.exe",
                   PROGRAM_FOLDER + r"\regedit.exe", PROGRAM_FOLDER + r"\ipconfig.exe",
                   r"C:\Work\regedit.exe", r"C:\Work\ipconfig.exe"]
        for path in planted:
            self.session.plant(path)
        hosts = (b"127.0.0.1 localhost\r\n"
                 b"10.1.1.1 www.example.com\r\n"
                 b"10.1.1.2 shop.example.org\r\n")
        self.session.reset_name_files(hosts)
        self.session.set_attributes(ETC + r"\hosts", {"R", "H", "S"})

        main, _ = self.session.open_main_window(cwd=r"C:\Work")
        self.assertEqual(self.session.fix(main, "http://www.example.com/", "n", "y")[0], [QUESTION, OFFER])
        self.assertEqual(self.session.fix(main, "shop.example.org", "y", "Return")[0], [QUESTION, KEPT])
        self.session.keys(main, "Escape")
        self.assertEqual(self.session.wait_exit(), 0)

        self.assertEqual(self.session.read(ETC + r"\hosts"),
                         b"127.0.0.1 localhost\r\n"
                         b"#10.1.1.1 www.example.com\r\n"
                         b"#10.1.1.2 shop.example.org\r\n")
        self.assertEqual(self.session.attributes(ETC + r"\hosts"), {"R", "H", "S"})
        self.assertEqual(self.session.read(ETC + r"\hosts.rv2"), hosts)
        self.assertEqual(self.session.read(ETC + r"\lmhosts"), b"")
        self.assertEqual(self.session.read(ETC + r"\lmhosts.rv2"), b"")
        self.assertEqual(self.session.stub_lines(BROWSER), [
            f'"{BROWSER}" "http://www.example.com/"',
            f'"{BROWSER}" "http://www.resolvo.example/freescan.html"',
            f'"{BROWSER}" "shop.example.org"',
        ])
        for path in planted:
            self.assertEqual(self.session.stub_lines(path), [], path)

    def test_a_hung_registry_editor_and_an_oversized_hosts_file_change_nothing_for_good(self):
        editors = [path for path in REGEDITS if self.session.read(path) is not None]
        for editor in editors:
            self.addCleanup(self.session.write, editor, self.session.read(editor))
            self.session.plant(editor)
            self.session.write(editor + ".sleep", b"600000")
            self.addCleanup(self.session.remove, editor + ".sleep")

        hosts = b"".join(b"10.0.%d.%d host%d.example.com\r\n" % (n // 256, n % 256, n) for n in range(10001))
        self.session.reset_name_files(hosts)
        self.session.set_attributes(ETC + r"\hosts", {"R"})

        main, pressed = self.session.open_main_window(timeout=2 * EXPORT_LIMIT_SECONDS + 60)
        waited = time.monotonic() - pressed
        self.assertGreaterEqual(waited, 2 * EXPORT_LIMIT_SECONDS + SETTLE_SECONDS)
        self.assertLess(waited, 2 * EXPORT_LIMIT_SECONDS + SETTLE_SECONDS + 15)
        for editor in editors:
            self.assertEqual(self.session.stub_lines(editor), [])  # still asleep: never ended

        self.assertEqual(self.session.fix(main, "host7.example.com", "y", "Return")[0], [QUESTION, KEPT])
        self.assertEqual(self.session.read(ETC + r"\hosts"), hosts)
        self.assertEqual(self.session.attributes(ETC + r"\hosts"), {"R"})
        self.assertIsNone(self.session.read(ETC + r"\hosts.rv2"))
        self.assertIsNone(self.session.read(ETC + r"\lmhosts"))
        self.assertEqual(self.session.stub_lines(BROWSER), [f'"{BROWSER}" "host7.example.com"'])


if __name__ == "__main__":
    unittest.main()
