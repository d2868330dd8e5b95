"""What every end-to-end test shares: a session per test, started from the
paths CTest passes in, and ended with every process it started."""

from __future__ import annotations

import contextlib
import os
import signal
import subprocess
import sys
import time
import unittest
from dataclasses import dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))

from winedriver import (ADDRESS_BOX, FIX_IT, MAIN_CLIENT, PROGRAM_FOLDER, TITLE, Session,  # noqa: E402
                        Window, wait_until)

SETTLE_SECONDS = 5.0
OFFER = (f"Unfortunately {TITLE} is unable to solve your problem.\r\n\r\n"
         "Would you like to run a free all inclusive scan which may help you solve the problem?")
LEFT_UNCHANGED = ('Resolvo could not repair the file "hosts" in C:\\windows\\system32\\drivers\\etc\\: {}. '
                  "The file was left unchanged.\r\n\r\n{}")

# Said where the browser could be started only with the program's own rights.
NOT_STARTED = "Resolvo did not start your web browser, because it would have run with administrator rights."


class _Held(list):
    """What a test run reports, held to be passed on or dropped."""
    def __getattr__(self, name):
        return lambda *args: self.append((name, args))


class TestSession(Session):
    """The driver, with what only the tests ask of it: files held by another
    program, a second copy, held keys, the focus, and whole fixes."""

    def __init__(self, *args, holder: Path, **kwargs):
        super().__init__(*args, **kwargs)
        self.holder = holder

    def wait_stub_lines(self, windows_path: str, count: int, timeout: float = 15) -> list[str]:
        return wait_until(lambda: len(self.stub_lines(windows_path)) >= count and self.stub_lines(windows_path),
                          timeout, f"{count} command lines from {windows_path}")

    def snapshot(self, *folders: str) -> dict[str, bytes]:
        """Every file below the folders, by path, with its bytes."""
        files = {}
        for folder in folders:
            root = self.path(folder)
            for path in sorted(root.rglob("*")):
                if path.is_file():
                    files[str(path.relative_to(self.prefix))] = path.read_bytes()
        return files

    def start_again(self) -> subprocess.Popen:
        """A second copy of the installed program, while the first runs."""
        return subprocess.Popen(["wine", PROGRAM_FOLDER + r"\resolvo.exe"], env=self.env, cwd=self.state,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True)

    def hold(self, windows_path: str, milliseconds: int) -> None:
        """Has another program hold the file open, sharing nothing, for a
        while; returns once it holds it. stop() ends it if it still runs."""
        marker = self.state / "held"
        marker.unlink(missing_ok=True)
        subprocess.Popen(["wine", str(self.holder), windows_path, str(milliseconds),
                          "Z:" + str(marker).replace("/", "\\")], env=self.env, stdin=subprocess.DEVNULL,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        wait_until(marker.exists, 30, f"{windows_path} to be held")

    def focused(self) -> str:
        """The X window with the keyboard focus."""
        return self.xdotool("getwindowfocus").strip()

    def focus_elsewhere(self) -> None:
        """Takes the focus away from every window of the program."""
        info = subprocess.run(["xwininfo", "-root"], env=self.env, capture_output=True, text=True, timeout=20)
        self.xdotool("windowfocus", str(int(info.stdout.split("Window id: ")[1].split()[0], 16)))

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

    def run(self, result=None):
        """Wine's token is always elevated, and Wine's desktop shell now and then
        loses the windows through which the program then starts the browser: a
        test that fails so runs again, in a fresh session, up to three times."""
        for _ in range(2):
            held = _Held()
            super().run(held)
            shown = self.session.messages() if hasattr(self, "session") else []
            if ("addSuccess", (self,)) in held or not any(text.startswith(NOT_STARTED) for text in shown):
                result = result if result is not None else self.defaultTestResult()
                for name, args in held:
                    getattr(result, name)(*args)
                return result
        return super().run(result)

    def setUp(self):
        self.session = TestSession(
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

    @contextlib.contextmanager
    def copy_on_own_desktop(self):
        """Another copy on a Wine desktop of its own, where it cannot find the
        running copy's windows; it shows to the session's log, and ends after."""
        with self.session.log_path.open("ab") as log:
            process = subprocess.Popen(
                ["wine", "explorer", "/desktop=other,320x200", PROGRAM_FOLDER + r"\resolvo.exe"],
                env=self.session.env, cwd=self.session.state, stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=log, start_new_session=True)
        try:
            yield process
        finally:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait(timeout=10)
