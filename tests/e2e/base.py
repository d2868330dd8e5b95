"""What every end-to-end test shares: a session per test, started from the
paths CTest passes in, and ended with every process it started."""

from __future__ import annotations

import contextlib
import os
import subprocess
import sys
import time
import unittest
from collections import namedtuple
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))

from winedriver import (ADDRESS_BOX, FIX_IT, MAIN_CLIENT, TITLE, Session,  # noqa: E402
                        Window, wait_until)

SETTLE_SECONDS = 5.0
OFFER = (f"Unfortunately {TITLE} is unable to solve your problem.\r\n\r\n"
         "Would you like to run a free all inclusive scan which may help you solve the problem?")
LEFT_UNCHANGED = ('Resolvo could not repair the file "hosts" in C:\\windows\\system32\\drivers\\etc\\: {}. '
                  "The file was left unchanged.\r\n\r\n{}")

# Said where the browser could be started only with the program's own rights.
NOT_STARTED = "Resolvo did not start your web browser, because it would have run with administrator rights."


class _Held(list):
    """A run's outcome, held back to be passed on or dropped."""
    def __getattr__(self, name):
        return lambda *args: self.append((name, args))

    def pass_on(self, result):
        for name, args in self:
            getattr(result, name)(*args)
        return result


class TestSession(Session):
    """The driver, with what only the tests ask of it: files held by another
    program, held keys, and whole fixes."""

    def __init__(self, *args, holder: Path, **kwargs):
        super().__init__(*args, **kwargs)
        self.holder = holder

    def wait_stub_lines(self, windows_path: str, count: int, timeout: float = 15) -> list[str]:
        return wait_until(lambda: len(self.stub_lines(windows_path)) >= count and self.stub_lines(windows_path),
                          timeout, f"{count} command lines from {windows_path}")

    def snapshot(self, *folders: str) -> dict[str, bytes]:
        """Every file below the folders, by path, with its bytes."""
        return {str(path.relative_to(self.prefix)): path.read_bytes()
                for folder in folders for path in sorted(self.path(folder).rglob("*")) if path.is_file()}

    def hold(self, windows_path: str, milliseconds: int) -> None:
        """Has another program hold the file open, sharing nothing, for a
        while; returns once it holds it. stop() ends it if it still runs."""
        marker = self.state / "held"
        marker.unlink(missing_ok=True)
        subprocess.Popen(["wine", str(self.holder), windows_path, str(milliseconds),
                          "Z:" + str(marker).replace("/", "\\")], env=self.env, stdin=subprocess.DEVNULL,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        wait_until(marker.exists, 30, f"{windows_path} to be held")

    @contextlib.contextmanager
    def key_held(self, key: str, seconds: float):
        """Holds a key down, so that the X server repeats it as a held key
        repeats on Windows, for at least the given time."""
        self.xdotool("keydown", key)
        down = time.monotonic()
        try:
            yield
            time.sleep(max(0.0, seconds - (time.monotonic() - down)))
        finally:
            self.xdotool("keyup", key)

    def enter_address(self, main: Window, address: str) -> None:
        """Types the address in place of the box's text."""
        self.click_twips(main, MAIN_CLIENT, ADDRESS_BOX)  # after a fix the focus is on Fix It
        self.keys(main, "End", "shift+Home", "BackSpace")
        self.type(main, address)

    def fix(self, main: Window, address: str, *answers: str) -> tuple[list[str], float]:
        """Enters the address, clicks Fix It and gives the answers to the
        message boxes in turn. Returns the messages shown meanwhile and the
        time of the click."""
        shown = len(self.messages())
        self.enter_address(main, address)
        clicked = time.monotonic()
        self.click_twips(main, MAIN_CLIENT, FIX_IT)
        for answer in answers:
            self.answer(self.message_box((main.id,), timeout=60), answer)
        return self.messages()[shown:], clicked


# What tests/support/WindowProbe.cpp tells of a control (id 0: the window); rect: a control's left, top,
# width, height; the window's centre and client size.
Control = namedtuple("Control", "id text name role focusable rect")


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

    def run(self, result=None):
        """Wine's desktop shell now and then loses, for a whole session, the windows through which the
        program (always elevated under Wine) starts the browser; the program then says so. A test that
        fails that way runs again, in a fresh session, up to three times."""
        for _ in range(2):
            held = _Held()
            super().run(held)
            shown = self.session.messages() if hasattr(self, "session") else []
            if ("addSuccess", (self,)) in held or NOT_STARTED not in "".join(shown):
                return held.pass_on(result if result is not None else self.defaultTestResult())
        return super().run(result)

    def setUp(self):
        paths = {name: Path(os.environ["RESOLVO_" + name.upper()]) for name in
                 ("exe", "stub", "resources", "holder")}
        self.session = TestSession(state=Path(os.environ["RESOLVO_WINE_STATE"]), **paths)
        self.session.stop()  # nothing left over from an earlier test
        self.session.install()
        self.addCleanup(self.session.stop)

    def shot(self, name: str, window: Window) -> Path:
        folder = Path(os.environ.get("RESOLVO_SCREENSHOTS", self.session.state / "screenshots"))
        return self.session.screenshot(folder / f"{name}.png", window)
