"""What every end-to-end test shares: a session per test, started from the
paths CTest passes in, and ended with every process it started."""

from __future__ import annotations

import os
import sys
import subprocess
import unittest
from dataclasses import dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))

from winedriver import TITLE, Session, Window  # noqa: E402

SETTLE_SECONDS = 5.0
OFFER = (f"Unfortunately {TITLE} is unable to solve your problem.\r\n\r\n"
         "Would you like to run a free all inclusive scan which may help you solve the problem?")
LEFT_UNCHANGED = ('Resolvo could not repair the file "hosts" in C:\\windows\\system32\\drivers\\etc\\: {}. '
                  "The file was left unchanged.\r\n\r\n{}")




@dataclass
class Control:
    """What tests/support/WindowProbe.cpp tells of a control (id 0: the window)."""
    id: int
    text: str
    name: str
    role: int
    focusable: bool
    rect: tuple[int, ...]  # a control's left, top, width, height; the window's centre and client size


def probe(session, *dpis: int) -> list[list[Control]]:
    """The program's visible dialog window and its controls as a screen reader
    sees them at the first DPI, and then after each change to the next."""
    output = subprocess.run(["wine", os.environ["RESOLVO_PROBE"], *map(str, dpis)], env=session.env,
                            capture_output=True, timeout=60, check=True).stdout.decode()
    return [[Control(int(id), text, name, int(role), focusable == "1", tuple(map(int, rect.split())))
             for id, text, name, role, focusable, rect in (line.split("\t") for line in block.splitlines())]
            for block in output.replace("\r", "").split("\n\n")]


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

    def shot(self, name: str, window: Window) -> Path:
        folder = Path(os.environ.get("RESOLVO_SCREENSHOTS", self.session.state / "screenshots"))
        return self.session.screenshot(folder / f"{name}.png", window)
