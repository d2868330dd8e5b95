"""The disclaimer and the main window, driven by keys and clicks, and a
second copy of the program started while one runs."""

import time
import unittest

from base import SETTLE_SECONDS, ResolvoTestCase
from test_winsock import WINSOCK
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
    # Space on Continue resets Winsock, backing up both keys with Wine's own
    # registry editor, before the main window appears.
    def test_space_on_continue_opens_it_a_second_copy_changes_nothing_and_cancel_ends(self):
        disclaimer = self.session.start_at_disclaimer()
        self.session.keys(disclaimer, "Tab", "space")
        pressed = time.monotonic()
        main = self.session.wait_window(TITLE, timeout=60)
        self.assertGreaterEqual(time.monotonic() - pressed, SETTLE_SECONDS - 0.5)
        self.session.wait_no_window(disclaimer)
        self.shot("main-window", main)
        winsock, winsock2 = (self.session.read(PROGRAM_FOLDER + name).decode("utf-16")
                             for name in (r"\winsockbak.reg", r"\winsock2bak.reg"))
        self.assertTrue(f"[{WINSOCK}]" in winsock and f"[{WINSOCK}2]" not in winsock and f"[{WINSOCK}2]" in winsock2)
        # The running copy comes back to the front when a second starts.
        self.session.focus_elsewhere()
        before = self.session.snapshot(ETC, PROGRAM_FOLDER)
        started = time.monotonic()
        second = self.session.start_again()
        wait_until(lambda: second.poll() is not None, 15, "the second copy to end")
        wait_until(lambda: self.session.focused() == main.id, 15, "the main window to come to the front")
        self.assertEqual(second.returncode, 0)
        self.assertLess(time.monotonic() - started, 10)
        self.assertEqual([w.name for w in self.session.windows()], [TITLE])
        # Where the running copy's windows cannot be found, a second copy says so.
        with self.copy_on_own_desktop():
            self.session.wait_message("Resolvo is already running.")
        self.assertEqual(self.session.snapshot(ETC, PROGRAM_FOLDER), before)
        self.assertEqual(self.session.stub_lines(BROWSER), [])
        self.session.click_twips(main, MAIN_CLIENT, CANCEL)
        self.assertEqual(self.session.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
