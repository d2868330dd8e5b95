"""The disclaimer and the main window, driven by keys and clicks."""

import unittest

from base import ResolvoTestCase
from harness import CANCEL, EXIT, MAIN_CLIENT, SPLASH_CLIENT, TITLE


class Disclaimer(ResolvoTestCase):
    def test_esc_ends_the_program_and_changes_nothing(self):
        before = self.etc_and_program_files()
        splash = self.start_at_disclaimer()
        self.shot("disclaimer", splash)
        self.session.keys(splash, "Escape")
        self.assertEqual(self.session.wait_exit(), 0)
        self.assertEqual(self.etc_and_program_files(), before)

    def test_exit_ends_the_program_and_changes_nothing(self):
        before = self.etc_and_program_files()
        splash = self.start_at_disclaimer()
        self.session.click_twips(splash, SPLASH_CLIENT, EXIT)
        self.assertEqual(self.session.wait_exit(), 0)
        self.assertEqual(self.etc_and_program_files(), before)

    def test_esc_ends_the_program_while_continue_has_the_focus(self):
        splash = self.start_at_disclaimer()
        self.session.keys(splash, "Tab", "Escape")  # the picture has the focus first
        self.assertEqual(self.session.wait_exit(), 0)
        self.assertEqual(self.session.messages(), [])

    def test_other_keys_reach_the_focused_control(self):
        # Space presses Continue once it has the focus; Enter on the picture does nothing.
        splash = self.start_at_disclaimer()
        self.session.keys(splash, "Return", "space")
        self.assertEqual([w.name for w in self.session.windows()], [""])
        self.session.keys(splash, "Tab", "space")
        self.session.wait_window(TITLE, timeout=60)
        self.session.wait_no_window(splash)


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
