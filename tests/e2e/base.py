"""What every end-to-end test shares: a session per test, started from the
paths CTest passes in, and ended with every process it started."""

from __future__ import annotations

import os
import unittest
from pathlib import Path

from harness import ETC, PROGRAM_FOLDER, Session, Window

SETTLE_SECONDS = 5.0


class ResolvoTestCase(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.session = Session(
            state=Path(os.environ["RESOLVO_WINE_STATE"]),
            exe=Path(os.environ["RESOLVO_EXE"]),
            stub=Path(os.environ["RESOLVO_STUB"]),
            resources=Path(os.environ["RESOLVO_RESOURCES"]),
            holder=Path(os.environ["RESOLVO_HOLDER"]),
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

    def etc_and_program_files(self) -> dict[str, bytes]:
        return self.session.snapshot(ETC, PROGRAM_FOLDER)
