"""Fix It, end to end: the name files, the browser, the questions."""

import unittest

from base import SETTLE_SECONDS, ResolvoTestCase
from harness import BROWSER, ETC, INVALID, KEPT, MAIN_CLIENT, FIX_IT, OFFER, QUESTION, TITLE

QUOTED_BROWSER = f'"{BROWSER}"'
HOSTS = (b"# hosts of a test machine\r\n"
         b"127.0.0.1 localhost\r\n"
         b"10.0.0.7 www.Example.com\r\n"
         b"10.0.0.8 mail.example.org\r\n")
FIXED = (b"# hosts of a test machine\r\n"
         b"127.0.0.1 localhost\r\n"
         b"#10.0.0.7 www.Example.com\r\n"
         b"10.0.0.8 mail.example.org\r\n")


class FixIt(ResolvoTestCase):
    def setUp(self):
        super().setUp()
        self.session.reset_name_files(HOSTS)
        self.session.plant(r"C:\Program.exe")

    def test_fix_repairs_the_files_opens_the_site_and_offers_the_scan(self):
        main, _ = self.session.open_main_window()
        _, clicked = self.session.fix(main, "http://www.example.com/news")

        asked = self.session.wait_message(QUESTION)
        self.assertGreaterEqual(asked - clicked, SETTLE_SECONDS - 0.5)
        question = self.session.message_box((main.id,))
        self.shot("question", question)

        self.assertEqual(self.session.read(ETC + r"\hosts"), FIXED)
        self.assertEqual(self.session.read(ETC + r"\hosts.rv2"), HOSTS)
        self.assertEqual(self.session.read(ETC + r"\lmhosts"), b"")
        self.assertEqual(self.session.read(ETC + r"\lmhosts.rv2"), b"")
        self.assertEqual(self.session.stub_lines(BROWSER),
                         [QUOTED_BROWSER + ' "http://www.example.com/news"'])

        self.session.answer(question, "n")
        self.session.wait_message(OFFER)
        self.session.answer(self.session.message_box((main.id,)), "y")
        self.session.wait_stub_lines(BROWSER, 2)
        self.assertEqual(self.session.stub_lines(BROWSER),
                         [QUOTED_BROWSER + ' "http://www.example.com/news"',
                          QUOTED_BROWSER + ' "http://www.resolvo.example/freescan.html"'])
        self.assertEqual(self.session.stub_lines(r"C:\Program.exe"), [])
        self.assertEqual(self.session.messages(), [QUESTION, OFFER])

        # The run goes on: Esc still ends the program, and the repair stays.
        self.session.keys(main, "Escape")
        self.assertEqual(self.session.wait_exit(), 0)
        self.assertEqual(self.session.read(ETC + r"\hosts"), FIXED)

    def test_yes_confirms_and_a_second_fix_keeps_the_first_backup(self):
        main, _ = self.session.open_main_window()
        for _ in range(2):
            shown, _ = self.session.fix(main, "example.com", "y", "Return")
            self.assertEqual(shown, [QUESTION, KEPT])
        self.assertIn(b"##10.0.0.7 www.Example.com\r\n", self.session.read(ETC + r"\hosts"))
        self.assertEqual(self.session.read(ETC + r"\hosts.rv2"), HOSTS)
        self.assertEqual(len(self.session.stub_lines(BROWSER)), 2)

    def test_the_untouched_default_address_is_refused(self):
        main, _ = self.session.open_main_window()
        self.session.click_twips(main, MAIN_CLIENT, FIX_IT)
        self.session.wait_message(INVALID)
        box = self.session.message_box((main.id,))
        self.shot("invalid-address", box)
        self.session.answer(box, "Return")
        self.assertEqual(self.session.read(ETC + r"\hosts"), HOSTS)
        self.assertIsNone(self.session.read(ETC + r"\hosts.rv2"))
        self.assertEqual(self.session.stub_lines(BROWSER), [])
        self.assertEqual([w.name for w in self.session.windows()], [TITLE])


if __name__ == "__main__":
    unittest.main()
