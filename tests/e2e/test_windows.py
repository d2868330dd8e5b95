"""The disclaimer and the main window, driven by keys and clicks, and a
second copy of the program started while one runs."""

import time
import unittest

from base import ResolvoTestCase
from winedriver import (BROWSER, CANCEL, DISCLAIMER_CLIENT, ETC, EXIT, MAIN_CLIENT, PROGRAM_FOLDER, TITLE,
                        wait_until)


class Disclaimer(ResolvoTestCase):
    def test_esc_and_exit_end_the_program_and_change_nothing(self):
        before = self.session.snapshot(ETC, PROGRAM_FOLDER)
        disclaimer = self.session.start_at_disclaimer()
        self.shot("disclaimer", disclaimer)
        # Enter and Space on the banner do nothing; Esc ends also with Continue focused.
        self.session.keys(disclaimer, "Return", "space", "Tab", "Escape")
        self.assertEqual(self.session.wait_exit(), 0)
        disclaimer = self.session.start_at_disclaimer()
        self.session.click_twips(disclaimer, DISCLAIMER_CLIENT, EXIT)
        self.assertEqual(self.session.wait_exit(), 0)
        self.assertEqual(self.session.snapshot(ETC, PROGRAM_FOLDER), before)
        self.assertEqual(self.session.messages(), [])


class MainWindow(ResolvoTestCase):
    def test_space_on_continue_opens_the_main_window_and_cancel_ends(self):
        disclaimer = self.session.start_at_disclaimer()
        self.session.keys(disclaimer, "Tab", "space")
        main = self.session.wait_window(TITLE, timeout=60)
        self.session.wait_no_window(disclaimer)
        self.assertEqual([w.name for w in self.session.windows()], [TITLE])
        self.shot("main-window", main)
        self.session.click_twips(main, MAIN_CLIENT, CANCEL)
        self.assertEqual(self.session.wait_exit(), 0)

    def test_a_second_copy_ends_at_once_and_changes_nothing(self):
        main, _ = self.session.open_main_window()
        before = self.session.snapshot(ETC, PROGRAM_FOLDER)
        started = time.monotonic()
        second = self.session.start_again()
        wait_until(lambda: second.poll() is not None, 15, "the second copy to end")
        self.assertEqual(second.returncode, 0)
        self.assertLess(time.monotonic() - started, 10)
        self.assertEqual(self.session.snapshot(ETC, PROGRAM_FOLDER), before)
        self.assertEqual(self.session.stub_lines(BROWSER), [])
        self.assertEqual([w.name for w in self.session.windows()], [TITLE])
        self.session.keys(main, "Escape")
        self.assertEqual(self.session.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
