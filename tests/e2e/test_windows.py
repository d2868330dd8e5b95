"""The disclaimer and the main window, driven by keys and clicks."""

import unittest

from base import ResolvoTestCase
from harness import CANCEL, EXIT, MAIN_CLIENT, DISCLAIMER_CLIENT, TITLE


class Disclaimer(ResolvoTestCase):
    def test_esc_ends_the_program_and_changes_nothing(self):
        before = self.etc_and_program_files()
        disclaimer = self.start_at_disclaimer()
        self.shot("disclaimer", disclaimer)
        self.session.keys(disclaimer, "Escape")
        self.assertEqual(self.session.wait_exit(), 0)
        self.assertEqual(self.etc_and_program_files(), before)

    def test_exit_ends_the_program_and_changes_nothing(self):
        before = self.etc_and_program_files()
        disclaimer = self.start_at_disclaimer()
        self.session.click_twips(disclaimer, DISCLAIMER_CLIENT, EXIT)
        self.assertEqual(self.session.wait_exit(), 0)
        self.assertEqual(self.etc_and_program_files(), before)

    def test_esc_ends_the_program_while_continue_has_the_focus(self):
        disclaimer = self.start_at_disclaimer()
        self.session.keys(disclaimer, "Tab", "Escape")  # the banner has the focus first
        self.assertEqual(self.session.wait_exit(), 0)
        self.assertEqual(self.session.messages(), [])

    def test_other_keys_reach_the_focused_control(self):
        # Space presses Continue once it has the focus; Enter on the banner does nothing.
        disclaimer = self.start_at_disclaimer()
        self.session.keys(disclaimer, "Return", "space")
        self.assertEqual([w.name for w in self.session.windows()], [""])
        self.session.keys(disclaimer, "Tab", "space")
        self.session.wait_window(TITLE, timeout=60)
        self.session.wait_no_window(disclaimer)


class MainWindow(ResolvoTestCase):
    def test_continue_replaces_the_disclaimer_and_esc_ends(self):
        main, _ = self.session.open_main_window()
        self.assertEqual([w.name for w in self.session.windows()], [TITLE])
        self.shot("main-window", main)
        self.session.keys(main, "Escape")
        self.assertEqual(self.session.wait_exit(), 0)

    def test_cancel_ends_the_program(self):
        main, _ = self.session.open_main_window()
        self.session.click_twips(main, MAIN_CLIENT, CANCEL)
        self.assertEqual(self.session.wait_exit(), 0)
        self.assertEqual(self.session.messages(), [])


if __name__ == "__main__":
    unittest.main()
