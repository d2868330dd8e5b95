"""Whole runs on a machine set against the program: programs planted where a
careless search would find them, protected and oversized name files, a
registry editor that never ends. The same suite runs in a 64-bit and in a
32-bit Wine prefix."""

import time
import unittest

from base import FIX_IT, SETTLE_SECONDS, WEB_ADDRESS, ResolvoTestCase
from harness import BROWSER, ETC, PROGRAM_FOLDER, TITLE

QUESTION = "Did the page load successfully?"
KEPT = ("The correction will remain within the system.\r\n\r\n"
        "You can now reactivate any web acceleration software that you use.")
OFFER = ("Unfortunately Resolvo 2.0 is unable to solve your problem.\r\n\r\n"
         "Would you like to run a free all inclusive scan which may help you solve the problem?")

EXPORT_LIMIT_SECONDS = 30
# A 32-bit program that starts the registry editor of the Windows folder
# gets the 32-bit one in syswow64 under Wine; both stand in for it.
REGEDITS = (r"C:\windows\regedit.exe", r"C:\windows\syswow64\regedit.exe")


class HostileMachine(ResolvoTestCase):
    def fix(self, main, address, *answers):
        """One press of Fix It for the address, answered in turn; returns the
        messages it showed."""
        shown = len(self.session.messages())
        self.press(main, WEB_ADDRESS)  # the focus is back on Fix It after a run
        self.session.keys(main, "End", "shift+Home", "BackSpace")
        self.session.type(main, address)
        self.press(main, FIX_IT)
        for answer in answers:
            box = self.session.message_box((main.id,), timeout=60)
            self.session.answer(box, answer)
        return self.session.messages()[shown:]

    def test_planted_programs_never_run_and_protected_files_keep_their_bits(self):
        planted = [r"C:\Program.exe",
                   PROGRAM_FOLDER + r"\regedit.exe", PROGRAM_FOLDER + r"\ipconfig.exe",
                   r"C:\Work\regedit.exe", r"C:\Work\ipconfig.exe"]
        for path in planted:
            self.session.plant(path)
        hosts = (b"127.0.0.1 localhost\r\n"
                 b"10.1.1.1 www.example.com\r\n"
                 b"10.1.1.2 shop.example.org\r\n")
        self.session.write(ETC + r"\hosts", hosts)
        self.session.set_attributes(ETC + r"\hosts", {"R", "H", "S"})
        for name in ("lmhosts", "hosts.rv2", "lmhosts.rv2"):
            self.session.remove(ETC + "\\" + name)

        self.session.start(cwd=r"C:\Work")
        splash = self.session.wait_window("", timeout=30)
        self.session.keys(splash, "Tab", "space")
        main = self.session.wait_window(TITLE, timeout=60)

        self.assertEqual(self.fix(main, "http://www.example.com/", "n", "y"), [QUESTION, OFFER])
        self.assertEqual(self.fix(main, "shop.example.org", "y", "Return"), [QUESTION, KEPT])
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
        self.session.write(ETC + r"\hosts", hosts)
        self.session.set_attributes(ETC + r"\hosts", {"R"})
        for name in ("lmhosts", "hosts.rv2", "lmhosts.rv2"):
            self.session.remove(ETC + "\\" + name)

        main, pressed = self.open_main_window(timeout=2 * EXPORT_LIMIT_SECONDS + 60)
        waited = time.monotonic() - pressed
        self.assertGreaterEqual(waited, 2 * EXPORT_LIMIT_SECONDS + SETTLE_SECONDS)
        self.assertLess(waited, 2 * EXPORT_LIMIT_SECONDS + SETTLE_SECONDS + 15)
        for editor in editors:
            self.assertEqual(self.session.stub_lines(editor), [])  # still asleep: never ended

        self.assertEqual(self.fix(main, "host7.example.com", "y", "Return"), [QUESTION, KEPT])
        self.assertEqual(self.session.read(ETC + r"\hosts"), hosts)
        self.assertEqual(self.session.attributes(ETC + r"\hosts"), {"R"})
        self.assertIsNone(self.session.read(ETC + r"\hosts.rv2"))
        self.assertIsNone(self.session.read(ETC + r"\lmhosts"))
        self.assertEqual(self.session.stub_lines(BROWSER), [f'"{BROWSER}" "host7.example.com"'])


if __name__ == "__main__":
    unittest.main()
