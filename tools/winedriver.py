"""Runs resolvo.exe for real under Wine on an Xvfb display and drives it the
way a person would: it finds windows, presses keys and buttons, reads the
files the program changed and takes screenshots. The run command's scripted
walk, the figures and the end-to-end tests all drive the program with it.

Everything happens inside one private Wine prefix (named by the state folder
that tools/wine-env.sh manages); nothing outside it is touched. Every wait has
a time limit, and stop() ends every process the session started.
"""

from __future__ import annotations

import os
import re
import shutil
import signal
import subprocess
import time
from dataclasses import dataclass
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
TOOLS = REPO / "tools"

PROGRAM_FOLDER = r"C:\Resolvo"
# Internet Explorer in each Program Files folder. The program looks for it in
# the one Windows names for a program of its kind: a 32-bit program in a
# 64-bit prefix, as on 64-bit Windows, gets "Program Files (x86)".
BROWSER = r"C:\Program Files\Internet Explorer\iexplore.exe"
BROWSER_X86 = r"C:\Program Files (x86)\Internet Explorer\iexplore.exe"
ETC = r"C:\windows\system32\drivers\etc"


def product_name() -> str:
    """The name the build gives the program, which its captions show: CTest
    passes it in; otherwise it is read from a Windows preset's generated
    header (the 64-bit build's where only it was made)."""
    if "RESOLVO_PRODUCT_NAME" in os.environ:
        return os.environ["RESOLVO_PRODUCT_NAME"]
    headers = [REPO / "build" / preset / "generated" / "ResolvoVersion.h" for preset in ("windows", "windows64")]
    header = next((path for path in headers if path.exists()), headers[0]).read_text()
    return re.search(r'#define RESOLVO_PRODUCT_NAME "(.*)"', header).group(1)


TITLE = product_name()

LAYOUT_HEADER = REPO / "src" / "ui" / "Layout.h"


def layout(header: Path = LAYOUT_HEADER) -> dict[str, tuple[int, ...]]:
    """The windows' places in twips as the program lays them out, read from
    its header: each constant a line, "constexpr TwipsRect Name{l, t, w, h};" or
    "constexpr TwipsSize Name{w, h};"."""
    pattern = re.compile(r"^constexpr Twips(Rect|Size) (\w+)\{(-?\d+(?:, -?\d+)*)\};$", re.MULTILINE)
    found = {}
    for kind, name, values in pattern.findall(header.read_text()):
        numbers = tuple(int(value) for value in values.split(", "))
        if len(numbers) != (4 if kind == "Rect" else 2):
            raise RuntimeError(f"{header}: {name} has {len(numbers)} values, which a Twips{kind} has not")
        found[name] = numbers
    return found


def layout_values(*names: str) -> list[tuple[int, ...]]:
    """The named places; fails, naming what it misses, rather than guess."""
    found = layout()
    missing = [name for name in names if name not in found]
    if missing:
        raise RuntimeError(f"{LAYOUT_HEADER} no longer defines {', '.join(missing)} on a line of its own")
    return [found[name] for name in names]


def within(container: tuple[int, ...], rect: tuple[int, int, int, int]) -> tuple[int, int, int, int]:
    return (container[0] + rect[0], container[1] + rect[1], rect[2], rect[3])


# The client areas, and each control's left, top, width and height in its
# window's client area.
(DISCLAIMER_CLIENT, FRAME, _BANNER_IN_FRAME, _CONTINUE_IN_FRAME, EXIT, MAIN_CLIENT, ADDRESS_LABEL, ADDRESS_BOX,
 CANCEL, FIX_IT) = layout_values(
    "DisclaimerClient", "DisclaimerFrame", "DisclaimerBanner", "DisclaimerContinue", "DisclaimerExit",
    "MainClient", "MainAddressLabel", "MainAddressBox", "MainCancel", "MainFixIt")
BANNER = within(FRAME, _BANNER_IN_FRAME)
CONTINUE = within(FRAME, _CONTINUE_IN_FRAME)


def to_pixels(twips: int, dpi: int = 96) -> int:
    """Twips at a DPI, halves rounded away from zero as Windows' MulDiv does
    (15 twips a pixel at 96 DPI)."""
    scaled = abs(twips) * dpi
    pixels = (scaled + 720) // 1440
    return pixels if twips >= 0 else -pixels


# What it says.
QUESTION = "Did the page load successfully?"
KEPT = ("The correction will remain within the system.\r\n\r\n"
        "You can now reactivate any web acceleration software that you use.")
# ImageMagick's own convert, not a stand-in that may come first on the path.
CONVERT = "/usr/bin/convert" if Path("/usr/bin/convert").exists() else "convert"


class TimedOut(AssertionError):
    pass


def wait_until(predicate, timeout: float, what: str, interval: float = 0.1):
    """Polls until predicate() returns something truthy, and returns it."""
    deadline = time.monotonic() + timeout
    while True:
        result = predicate()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise TimedOut(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def wine_environment(state: Path) -> dict[str, str]:
    """The environment tools/wine-env.sh sets up, for this state folder."""
    script = f'source "{TOOLS}/wine-env.sh" && wine_use_display && env -0'
    output = subprocess.run(
        ["bash", "-c", script],
        env={**os.environ, "RESOLVO_WINE_STATE": str(state)},
        check=True,
        capture_output=True,
    ).stdout
    pairs = (item.split(b"=", 1) for item in output.split(b"\0") if b"=" in item)
    return {key.decode(): value.decode(errors="replace") for key, value in pairs}


@dataclass
class Window:
    id: str
    name: str
    x: int
    y: int
    width: int
    height: int


class Session:
    """One Wine prefix with Resolvo installed in it, ready to be started."""

    def __init__(self, state: Path, exe: Path, stub: Path, resources: Path, dpi: int = 96):
        self.state = state
        self.dpi = dpi
        self.exe = exe
        self.stub = stub
        self.resources = resources
        self.env = wine_environment(state)
        self.env["WINEDEBUG"] = "-all,trace+msgbox"
        self.prefix = Path(self.env["WINEPREFIX"])
        self.process: subprocess.Popen | None = None
        self.log_path = state / "resolvo-stderr.log"
        self.started_at = 0.0

    # --- the prefix's files -------------------------------------------------

    def path(self, windows_path: str) -> Path:
        """The file on this machine behind a path of the prefix's C: drive."""
        assert windows_path[:3].upper() == "C:\\", windows_path
        return self.prefix / "drive_c" / windows_path[3:].replace("\\", "/")

    def read(self, windows_path: str) -> bytes | None:
        path = self.path(windows_path)
        return path.read_bytes() if path.exists() else None

    def write(self, windows_path: str, content: bytes) -> None:
        path = self.path(windows_path)
        path.parent.mkdir(parents=True, exist_ok=True)
        if path.exists():
            self.set_attributes(windows_path, set())
        path.write_bytes(content)

    def remove(self, windows_path: str) -> None:
        path = self.path(windows_path)
        if path.exists():
            self.set_attributes(windows_path, set())
            path.unlink()

    def wine(self, *args: str, timeout: float = 60) -> subprocess.CompletedProcess:
        return subprocess.run(
            ["wine", *args],
            env={**self.env, "WINEDEBUG": "-all"},
            capture_output=True,
            timeout=timeout,
            stdin=subprocess.DEVNULL,
        )

    def set_attributes(self, windows_path: str, flags: set[str]) -> None:
        """Gives a file exactly the attributes among "R", "H" and "S".

        Set the way Wine keeps them, for speed: read-only as the file's write
        permission, hidden and system in its DOS attribute. attributes() reads
        them back through Wine itself."""
        path = self.path(windows_path)
        mode = path.stat().st_mode
        path.chmod(mode & ~0o222 if "R" in flags else mode | 0o200)
        dos = (0x2 if "H" in flags else 0) | (0x4 if "S" in flags else 0)
        if dos:
            os.setxattr(path, "user.DOSATTRIB", f"0x{dos:x}".encode())
        elif "user.DOSATTRIB" in os.listxattr(path):
            os.removexattr(path, "user.DOSATTRIB")

    def attributes(self, windows_path: str) -> set[str]:
        """The attributes Windows programs see, among "R", "H" and "S"."""
        assert " " not in windows_path, f"Wine's attrib takes no quotes: {windows_path}"
        output = self.wine("attrib", windows_path).stdout.decode(errors="replace")
        line = output.strip().splitlines()[0] if output.strip() else ""
        flags = line.split(":", 1)[0][:-1] if ":" in line else ""
        return {letter for letter in flags if letter in "RHS"}

    @property
    def browser(self) -> str:
        """The Internet Explorer the program starts: the one in the Program
        Files folder of a program of its kind (a PE32 file's machine is
        0x14c) in this prefix."""
        with self.exe.open("rb") as exe:
            header = exe.read(4096)
        machine = int.from_bytes(header[int.from_bytes(header[0x3C:0x40], "little") + 4:][:2], "little")
        wow64 = self.path(r"C:\windows\syswow64").is_dir()
        return BROWSER_X86 if machine == 0x14C and wow64 else BROWSER

    def plant(self, windows_path: str) -> str:
        """Puts a recording stub at the path; returns the path of its log."""
        target = self.path(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(self.stub, target)
        for suffix in (".log", ".sleep"):
            self.remove(windows_path + suffix)
        return windows_path + ".log"

    def stub_lines(self, windows_path: str) -> list[str]:
        """The command lines a planted stub has recorded."""
        content = self.read(windows_path + ".log")
        return content.decode("utf-8").splitlines() if content else []

    def install(self) -> None:
        """A fresh program folder with the program and its registry files, and
        the recording browser in place of Internet Explorer, in every
        Program Files folder of the prefix."""
        folder = self.path(PROGRAM_FOLDER)
        if folder.exists():
            shutil.rmtree(folder)
        folder.mkdir(parents=True)
        shutil.copyfile(self.exe, folder / "resolvo.exe")
        for name in ("winsock.reg", "winsock2.reg"):
            shutil.copyfile(self.resources / name, folder / name)
        for browser in {BROWSER, self.browser}:
            self.plant(browser)

    # --- the running program ------------------------------------------------

    def start(self, exe: str = PROGRAM_FOLDER + r"\resolvo.exe", cwd: str | None = None) -> None:
        with self.log_path.open("wb") as log:
            self.process = subprocess.Popen(
                ["wine", exe],
                env=self.env,
                cwd=self.path(cwd) if cwd else self.state,
                stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL,
                stderr=log,
                start_new_session=True,
            )
        self.started_at = time.monotonic()

    def exited(self) -> bool:
        return self.process is not None and self.process.poll() is not None

    def wait_exit(self, timeout: float = 15) -> int:
        wait_until(self.exited, timeout, "the program to end")
        return self.process.returncode

    def stop(self) -> None:
        """Ends the program and every Wine process of the prefix."""
        if self.process is not None and self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=30)
        # A program started while the old server is still going down would fail.
        subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True, timeout=30)
        if self.process is not None:
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        self.process = None

    def xdotool(self, *args: str) -> str:
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, timeout=20)
        return result.stdout.decode(errors="replace")

    def windows(self, program: str = "resolvo.exe") -> list[Window]:
        """The visible top-level windows of the program, by its file name."""
        found = []
        for window_id in self.xdotool("search", "--onlyvisible", "--class", program).split():
            name = self.xdotool("getwindowname", window_id).rstrip("\n")
            geometry = self.xdotool("getwindowgeometry", "--shell", window_id)
            values = dict(line.split("=", 1) for line in geometry.split() if "=" in line)
            if "WIDTH" not in values:
                continue  # gone meanwhile
            found.append(Window(window_id, name, int(values["X"]), int(values["Y"]),
                                int(values["WIDTH"]), int(values["HEIGHT"])))
        return found

    def wait_window(self, name: str, timeout: float = 20, exclude: tuple[str, ...] = ()) -> Window:
        def find():
            return next((w for w in self.windows() if w.name == name and w.id not in exclude), None)

        return wait_until(find, timeout, f'a window named "{name}"')

    def wait_no_window(self, window: Window, timeout: float = 15) -> None:
        wait_until(lambda: all(w.id != window.id for w in self.windows()), timeout,
                   f'window {window.id} "{window.name}" to close')

    def focus(self, window: Window) -> None:
        self.xdotool("windowfocus", "--sync", window.id)

    def keys(self, window: Window, *keys: str) -> None:
        self.focus(window)
        for key in keys:
            self.xdotool("key", "--clearmodifiers", key)
            time.sleep(0.15)

    def type(self, window: Window, text: str) -> None:
        self.focus(window)
        self.xdotool("type", "--delay", "30", text)

    def click(self, window: Window, x: int, y: int) -> None:
        """Clicks at a point of the window's client area, in pixels."""
        self.xdotool("mousemove", "--window", window.id, str(x), str(y), "click", "1")

    def client_origin(self, window: Window, client_width: int, client_height: int) -> tuple[int, int]:
        """Where the client area starts inside the window's frame."""
        border = (window.width - client_width) // 2
        return border, window.height - client_height - border

    def click_twips(self, window: Window, client_twips: tuple[int, int], rect: tuple[int, int, int, int]) -> None:
        """Clicks the middle of a control laid out in twips, at the session's DPI."""
        left, top = self.client_origin(window, to_pixels(client_twips[0], self.dpi),
                                       to_pixels(client_twips[1], self.dpi))
        x = left + to_pixels(rect[0] + rect[2] // 2, self.dpi)
        y = top + to_pixels(rect[1] + rect[3] // 2, self.dpi)
        self.click(window, x, y)

    def reset_name_files(self, hosts: bytes) -> None:
        """A hosts file with the given lines, and no lmhosts and no backups."""
        self.write(ETC + r"\hosts", hosts)
        for name in ("lmhosts", "hosts.rv2", "lmhosts.rv2"):
            self.remove(ETC + "\\" + name)

    # --- the program's own flows --------------------------------------------

    def start_at_disclaimer(self, cwd: str | None = None) -> Window:
        self.start(cwd=cwd)
        return self.wait_window("", timeout=60)

    def open_main_window(self, timeout: float = 60, cwd: str | None = None) -> tuple[Window, float]:
        """Starts the program and clicks Continue; returns the main window and
        the time of the click, taken before it so that waits are never
        overstated."""
        disclaimer = self.start_at_disclaimer(cwd)
        pressed = time.monotonic()
        self.click_twips(disclaimer, DISCLAIMER_CLIENT, CONTINUE)
        return self.wait_window(TITLE, timeout=timeout), pressed

    # --- message boxes ------------------------------------------------------

    def messages(self) -> list[str]:
        """The texts of the message boxes shown so far, in order."""
        text = self.log_path.read_bytes().decode("utf-8", errors="replace")
        found = []
        for escaped in re.findall(r'MSGBOX_OnInit L"((?:[^"\\]|\\.)*)"', text):
            found.append(escaped.encode("latin-1", errors="backslashreplace").decode("unicode_escape"))
        return found

    def wait_message(self, text: str, count: int = 1, timeout: float = 20) -> float:
        """Waits until the message has appeared count times; returns when."""
        try:
            wait_until(lambda: self.messages().count(text) >= count, timeout, f"the message {text!r}")
        except TimedOut as timed_out:
            # What the program said instead tells why, such as a browser it did not start.
            raise TimedOut(f"{timed_out}; the messages shown: {self.messages()!r}") from None
        return time.monotonic()

    def message_box(self, known: tuple[str, ...], timeout: float = 10) -> Window:
        """The message box window that is not one of the known windows."""
        def find():
            return next((w for w in self.windows() if w.name == TITLE and w.id not in known), None)

        return wait_until(find, timeout, "a message box")

    def answer(self, box: Window, key: str) -> None:
        """Answers a message box: "y", "n" or "Return"."""
        self.keys(box, key)
        self.wait_no_window(box)

    def screenshot(self, path: Path, window: Window | None = None, margin: int = 12) -> Path:
        path.parent.mkdir(parents=True, exist_ok=True)
        whole = path.with_suffix(".full.png")
        subprocess.run(["import", "-window", "root", str(whole)], env=self.env, check=True, timeout=30)
        if window is None:
            whole.replace(path)
        else:
            crop = f"{window.width + 2 * margin}x{window.height + 2 * margin}+" \
                   f"{max(window.x - margin, 0)}+{max(window.y - margin, 0)}"
            subprocess.run([CONVERT, str(whole), "-crop", crop, "+repage", str(path)], check=True, timeout=30)
            whole.unlink()
        return path
