#!/usr/bin/env python3
"""Measures, in one run, the figures docs/figures.md quotes:

- the name-file repair against its floor (the benchmark's median ratio);
- the size of resolvo.exe;
- the time from start to the disclaimer on screen under Wine, against a
  minimal Win32 window program built the same way;
- the time from the Fix It click to the browser starting, with a hosts file
  of 10,000 lines.

usage: figures.py NATIVE_BUILD WINDOWS_BUILD   (run by tools/figures.sh)
Everything under Wine happens in the prefix of $RESOLVO_WINE_STATE.
"""

from __future__ import annotations

import os
import platform
import re
import statistics
import subprocess
import sys
import time
from datetime import date
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]

from winedriver import FIX_IT, MAIN_CLIENT, Session, wait_until  # noqa: E402

STARTS = 7
FIXES = 3


def benchmark_ratio(native: Path) -> tuple[str, str]:
    output = subprocess.run([str(native / "bench" / "repair_benchmark")], check=True,
                            capture_output=True, text=True).stdout
    times = re.search(r"median times: (.*)", output).group(1)
    memory = re.search(r"peak memory above baseline: (repair \d+ bytes \([^)]*\))", output).group(1)
    return times, memory


def seconds_to_window(session: Session, exe: str, name: str) -> float:
    """From the start of the process to its window being on screen."""
    session.stop()
    started = time.monotonic()
    session.start(exe)
    program = exe.rsplit("\\", 1)[-1]
    wait_until(lambda: any(w.name == name for w in session.windows(program)), 60, f'"{name}"', interval=0.01)
    return time.monotonic() - started


def fix_to_browser(session: Session) -> float:
    """From the Fix It click to the browser stub writing down its address."""
    session.stop()
    hosts = b"".join(b"10.0.%d.%d host%d.example.com\r\n" % (n // 256, n % 256, n) for n in range(10000))
    session.reset_name_files(hosts)
    session.remove(session.browser + ".log")
    main, _ = session.open_main_window()
    session.keys(main, "End")
    session.type(main, "host9999.example.com")
    clicked = time.time()
    session.click_twips(main, MAIN_CLIENT, FIX_IT)
    log = session.path(session.browser + ".log")
    wait_until(log.exists, 30, "the browser to start", interval=0.01)
    return log.stat().st_mtime - clicked


def main() -> int:
    native, windows = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
    exe = windows / "src" / "app" / "resolvo.exe"
    minimal = windows / "bench" / "minimal_window.exe"
    stub = windows / "tools" / "recording_stub.exe"
    state = Path(os.environ["RESOLVO_WINE_STATE"])

    times, memory = benchmark_ratio(native)

    fixture = REPO / "tools" / "wine-fixture.sh"
    subprocess.run([str(fixture), "start"], check=True, capture_output=True)
    session = Session(state, exe, stub, REPO / "resources")
    try:
        session.stop()
        session.install()
        session.path(r"C:\Resolvo\minimal_window.exe").write_bytes(minimal.read_bytes())
        # One start of each first, so that neither pays for a cold cache.
        seconds_to_window(session, r"C:\Resolvo\resolvo.exe", "")
        seconds_to_window(session, r"C:\Resolvo\minimal_window.exe", "Minimal")
        resolvo_starts, minimal_starts = [], []
        for _ in range(STARTS):
            resolvo_starts.append(seconds_to_window(session, r"C:\Resolvo\resolvo.exe", ""))
            minimal_starts.append(seconds_to_window(session, r"C:\Resolvo\minimal_window.exe", "Minimal"))
        fixes = [fix_to_browser(session) for _ in range(FIXES)]
        wine_version = session.wine("--version").stdout.decode().strip()
    finally:
        session.stop()
        subprocess.run([str(fixture), "stop"], check=False, capture_output=True)

    start = statistics.median(resolvo_starts)
    baseline = statistics.median(minimal_starts)
    cpu = next((line.split(":", 1)[1].strip() for line in Path("/proc/cpuinfo").read_text().splitlines()
                if line.startswith("model name")), platform.processor())
    print(f"Figures of {date.today().isoformat()}, on {os.cpu_count()} cores of {cpu}, "
          f"{platform.system()} {platform.release()}, {wine_version}")
    # Where the machine runs no 32-bit code, Wine runs the 64-bit build, and the figures are of it.
    build = "the 64-bit build" if windows.name == "windows64" else "the shipped 32-bit build"
    print(f"  Windows figures measured on {build}")
    print(f"  name-file repair, 10,000-line hosts: {times}; {memory}")
    print(f"  resolvo.exe: {exe.stat().st_size:,} bytes ({exe.stat().st_size / 1024:.0f} KiB; budget 300 KB)")
    print(f"  start to disclaimer on screen: {start * 1000:.0f} ms, minimal window program "
          f"{baseline * 1000:.0f} ms, ratio {start / baseline:.2f} (medians of {STARTS})")
    print(f"  Fix It click to browser start, 10,000-line hosts: "
          f"{statistics.median(fixes) * 1000:.0f} ms (median of {FIXES}: "
          f"{', '.join(f'{f * 1000:.0f}' for f in fixes)} ms)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
