"""What every end-to-end test shares: a session per test, started from the
paths CTest passes in, and ended with every process it started."""

from __future__ import annotations

import os
import time
import unittest
from pathlib import Path

from harness import ETC, PROGRAM_FOLDER, TITLE, Session, Window

# Layout of the two windows, in twips (15 a pixel at Wine's 96 DPI).
SPLASH_CLIENT = (8490, 5610)
CONTINUE = (2520, 4920, 1335, 375)
EXIT = (4560, 4920, 1335, 375)
MAIN_CLIENT = (4095, 1575)
WEB_ADDRESS = (360, 480, 3375, 285)
CANCEL = (360, 960, 1575, 495)
FIX_IT = (2160, 960, 1575, 495)

SETTLE_SECONDS = 5.0


class ResolvoTestCase(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.session = Session(
            state=Path(os.environ["RESOLVO_WINE_STATE"]),
            exe=Path(os.environ["RESOLVO_EXE"]),
            stub=Path(os.environ["RESOLVO_STUB"]),
            resources=Path(os.environ["RESOLVO_RESOURCES"]),
        )
        self.session.stop()  # nothing left over from an earlier test
        self.session.install()
        self.addCleanup(self.session.stop)

    def shot(self, name: str, window: Window | None = None) -> Path:
        folder = Path(os.environ.get("RESOLVO_SCREENSHOTS", self.session.state / "screenshots"))
        return self.session.screenshot(folder / f"{name}.png", window)

    def start_at_disclaimer(self) -> Window:
        self.session.start()
        return self.session.wait_window("", timeout=30)

    def open_main_window(self, timeout: float = 60) -> tuple[Window, float]:
        """Starts the program and presses Continue; returns the main window and
        the time Continue was pressed."""
        splash = self.start_at_disclaimer()
        pressed = time.monotonic()  # taken before the click, so waits are never overstated
        self.session.click_twips(splash, SPLASH_CLIENT, CONTINUE)
        main = self.session.wait_window(TITLE, timeout=timeout)
        return main, pressed

    def press(self, window: Window, button: tuple[int, int, int, int]) -> None:
        self.session.click_twips(window, MAIN_CLIENT, button)

    def etc_and_program_files(self) -> dict[str, bytes]:
        return self.session.snapshot(ETC, PROGRAM_FOLDER)
