#!/usr/bin/env python3
"""Plays a short scripted walk through Resolvo under Wine on a private Xvfb
display: the disclaimer, Continue, a fix for www.example.com answered with
Yes. It saves a screenshot of every window on the way, then prints their
paths, what the fix changed in the prefix's hosts file, and what the program
started. Everything happens in the prefix of $RESOLVO_WINE_STATE.

With a DPI, the prefix's display runs at that DPI for the walk (Wine's
LogPixels) and the screenshots' names end in it, such as disclaimer-144dpi.png.

usage: walkthrough.py EXE STUB RESOURCES SCREENSHOT_FOLDER [DPI]
"""

from __future__ import annotations

import difflib
import os
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]

from winedriver import (CONTINUE, ETC, FIX_IT, KEPT, MAIN_CLIENT, PROGRAM_FOLDER,  # noqa: E402
                     QUESTION, DISCLAIMER_CLIENT, TITLE, Session)

DEMO_HOSTS = (b"# The hosts file of a machine on which one site does not load.\r\n"
              b"#\r\n"
              b"127.0.0.1       localhost\r\n"
              b"::1             localhost\r\n"
              b"203.0.113.99    www.example.com    # a stale entry that breaks the site\r\n"
              b"203.0.113.99    example.com\r\n")


def walk(session: Session, shots: Path) -> list[Path]:
    taken = []
    suffix = f"-{session.dpi}dpi" if session.dpi != 96 else ""

    def shot(name, window):
        taken.append(session.screenshot(shots / f"{name}{suffix}.png", window))

    disclaimer = session.start_at_disclaimer()
    time.sleep(0.5)  # let the banner paint
    shot("disclaimer", disclaimer)

    session.click_twips(disclaimer, DISCLAIMER_CLIENT, CONTINUE)
    main = session.wait_window(TITLE, timeout=60)
    time.sleep(0.3)
    session.keys(main, "End")
    session.type(main, "www.example.com")
    shot("main-window", main)

    session.click_twips(main, MAIN_CLIENT, FIX_IT)
    session.wait_message(QUESTION, timeout=60)
    question = session.message_box((main.id,))
    shot("question", question)
    session.answer(question, "y")

    session.wait_message(KEPT, timeout=30)
    kept = session.message_box((main.id,))
    shot("correction-kept", kept)
    session.answer(kept, "Return")

    session.keys(main, "Escape")
    session.wait_exit(timeout=30)
    return taken


def main() -> int:
    exe, stub, resources, shots = (Path(arg).resolve() for arg in sys.argv[1:5])
    dpi = int(sys.argv[5]) if len(sys.argv) > 5 else 96
    state = Path(os.environ["RESOLVO_WINE_STATE"])
    fixture = REPO / "tools" / "wine-fixture.sh"
    subprocess.run([str(fixture), "start"], check=True)
    session = Session(state, exe, stub, resources, dpi=dpi)
    desktop = r"HKCU\Control Panel\Desktop"
    try:
        session.stop()
        session.wine("reg", "add", desktop, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f")
        session.stop()  # every program starts again at that DPI
        session.install()
        session.reset_name_files(DEMO_HOSTS)
        taken = walk(session, shots)
        after = session.read(ETC + r"\hosts") or b""
    finally:
        session.stop()
        session.wine("reg", "delete", desktop, "/v", "LogPixels", "/f")
        session.stop()
        subprocess.run([str(fixture), "stop"], check=False, capture_output=True)

    hosts, backups = session.path(ETC + r"\hosts"), [session.path(ETC + "\\" + n) for n in ("hosts.rv2", "lmhosts.rv2")]
    winsock = [session.path(PROGRAM_FOLDER + "\\" + n) for n in ("winsockbak.reg", "winsock2bak.reg")]
    print("\nScreenshots:")
    for path in taken:
        print(f"  {path}")
    print(f"\nChanges to the prefix's hosts file ({hosts}):")
    diff = difflib.unified_diff(DEMO_HOSTS.decode().splitlines(), after.decode().splitlines(),
                                "hosts (before)", "hosts (after)", lineterm="")
    print("\n".join(f"  {line}" for line in diff) or "  none")
    print("\nBackups of the name files:", *(f"\n  {path}" for path in backups if path.exists()))
    print("Backups of the Winsock keys:", *(f"\n  {path}" for path in winsock))
    print("\nThe browser was started as:")
    for line in session.stub_lines(session.browser):
        print(f"  {line}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
