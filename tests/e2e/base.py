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
from collections import namedtuple
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))

from winedriver import (ADDRESS_BOX, ETC, FIX_IT, MAIN_CLIENT, TITLE, TOOLS, Session,  # noqa: E402
                        Window, wait_until, wine_environment)

SETTLE_SECONDS = 5.0
OFFER = (f"Unfortunately {TITLE} is unable to solve your problem.\r\n\r\n"
         "Would you like to run a free all inclusive scan which may help you solve the problem?")
LEFT_UNCHANGED = ('Resolvo could not repair the file "hosts" in C:\\windows\\system32\\drivers\\etc\\: {}. '
                  "The file was left unchanged.\r\n\r\n{}")
# How long a fresh session's desktop shell may take to answer (at most 2 s on two loaded cores), and how many
# sessions are tried: one that missed the service manager never gets the shell (ShellProbe.cpp).
SHELL_SECONDS = 15
SHELL_SESSIONS = 4


class TestSession(Session):
    """The driver, with what only the tests ask of it: files held by another program, held keys, whole fixes."""

    def __init__(self, *args, holder: Path, shell_probe: Path, **kwargs):
        super().__init__(*args, **kwargs)
        self.holder = holder
        self.shell_probe = shell_probe
        self.helpers: list[subprocess.Popen] = []

    def start_desktop(self) -> None:
        """Starts a session whose desktop shell answers, as Windows has Explorer up before a user starts anything:
        the program, elevated under Wine, starts the browser only through the shell."""
        said = []
        output = self.state / "shell-probe.log"
        for _ in range(SHELL_SESSIONS):
            # The probe stays, holding the session's desktop open, once the shell answers.
            with output.open("wb") as log:
                answered, shell = self.start_helper(self.shell_probe, str(SHELL_SECONDS * 1000),
                                                    marker="shell-answered", stdout=log, timeout=SHELL_SECONDS + 30)
            if answered:
                return
            said.append(output.read_bytes().decode(errors="replace").strip() or f"it ended with {shell.poll()}")
            print(f"shell probe: {said[-1]}; starting a fresh Wine session", file=sys.stderr, flush=True)
            self.stop()
            # The display too, if it has gone, under its new number.
            subprocess.run(["bash", "-c", f'source "{TOOLS}/wine-env.sh" && wine_start_display'], env=self.env,
                           check=True, capture_output=True, timeout=60)
            self.env["DISPLAY"] = wine_environment(self.state)["DISPLAY"]
        raise AssertionError(f"the desktop shell did not answer in {SHELL_SESSIONS} fresh Wine sessions: "
                             + "; ".join(said))

    def launch(self, *command: str, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) -> subprocess.Popen:
        """Starts a Windows program beside the one under test, in a process group of its own, which stop() ends."""
        helper = subprocess.Popen(["wine", *command], env=self.env, cwd=self.state, stdin=subprocess.DEVNULL,
                                  stdout=stdout, stderr=stderr, start_new_session=True)
        self.helpers.append(helper)
        return helper

    def start_helper(self, program: Path, *args: str, marker: str, timeout: float,
                     stdout=subprocess.DEVNULL) -> tuple[bool, subprocess.Popen]:
        """Starts a helper that makes the marker file named last on its command line once ready; tells if it did."""
        path = self.state / marker
        path.unlink(missing_ok=True)
        helper = self.launch(str(program), *args, "Z:" + str(path).replace("/", "\\"), stdout=stdout)
        wait_until(lambda: path.exists() or helper.poll() is not None, timeout, f"{program.name} to be ready or end")
        return path.exists(), helper

    def stop(self) -> None:
        super().stop()
        for helper in self.helpers:
            with contextlib.suppress(ProcessLookupError):
                os.killpg(helper.pid, signal.SIGKILL)
            helper.wait(timeout=10)
        self.helpers = []

    def wait_stub_lines(self, windows_path: str, count: int, timeout: float = 15) -> list[str]:
        return wait_until(lambda: len(self.stub_lines(windows_path)) >= count and self.stub_lines(windows_path),
                          timeout, f"{count} command lines from {windows_path}")

    def snapshot(self, *folders: str) -> dict[str, bytes]:
        """Every file below the folders, by path, with its bytes."""
        return {str(path.relative_to(self.prefix)): path.read_bytes()
                for folder in folders for path in sorted(self.path(folder).rglob("*")) if path.is_file()}

    @contextlib.contextmanager
    def key_held(self, key: str, seconds: float):
        """Holds a key down for at least the given time, so that the X server repeats it as Windows would."""
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

    def fix(self, main: Window, address: str, *answers: str, hosts_held_ms: int = 0) -> tuple[list[str], float]:
        """Enters the address, clicks Fix It (the hosts file held open, sharing nothing, from just before, if asked)
        and gives the answers to the message boxes in turn. Returns the messages shown and the time of the click."""
        shown = len(self.messages())
        self.enter_address(main, address)
        if hosts_held_ms:
            held, _ = self.start_helper(self.holder, ETC + r"\hosts", str(hosts_held_ms), marker="held", timeout=30)
            assert held, "the file holder could not open the hosts file"
        clicked = time.monotonic()
        self.click_twips(main, MAIN_CLIENT, FIX_IT)
        for answer in answers:
            self.answer(self.message_box((main.id,), timeout=60), answer)
        return self.messages()[shown:], clicked


# What tests/support/WindowProbe.cpp tells of a control (id 0: the window); rect: left, top, width, height.
Control = namedtuple("Control", "id text name role focusable rect")


def probe(session, *dpis: int) -> list[list[Control]]:
    """The program's dialog and its controls as a screen reader sees them at each DPI in turn."""
    output = subprocess.run(["wine", os.environ["RESOLVO_PROBE"], *map(str, dpis)], env=session.env,
                            capture_output=True, timeout=60, check=True).stdout.decode()
    return [[Control(int(id), text, name, int(role), focusable == "1", tuple(map(int, rect.split())))
             for id, text, name, role, focusable, rect in (line.split("\t") for line in block.splitlines())]
            for block in output.replace("\r", "").split("\n\n")]


class ResolvoTestCase(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        paths = {name: Path(os.environ["RESOLVO_" + name.upper()]) for name in
                 ("exe", "stub", "resources", "holder", "shell_probe")}
        self.session = TestSession(state=Path(os.environ["RESOLVO_WINE_STATE"]), **paths)
        self.session.stop()  # nothing left over from an earlier test
        self.session.install()
        self.addCleanup(self.session.stop)
        self.session.start_desktop()

    def assert_files(self, folder: str, expected: dict[str, bytes | None]) -> None:
        """The folder's named files hold these bytes; None: the file is not there."""
        self.assertEqual({name: self.session.read(folder + "\\" + name) for name in expected}, expected)

    def shot(self, name: str, window: Window) -> Path:
        folder = Path(os.environ.get("RESOLVO_SCREENSHOTS", self.session.state / "screenshots"))
        return self.session.screenshot(folder / f"{name}.png", window)
