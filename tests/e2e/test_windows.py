"""The disclaimer and the main window, driven by keys and clicks, read by a
screen reader and laid out again at each DPI, the Winsock reset's backups
and settings read back, and a second copy of the program started while one runs."""

import os
import stat
import subprocess
import time
import unittest

from base import SETTLE_SECONDS, ResolvoTestCase, probe
from winedriver import (ADDRESS_BOX, ADDRESS_LABEL, BANNER, CANCEL, CONTINUE, DISCLAIMER_CLIENT, ETC,
                        EXIT, FIX_IT, FRAME, MAIN_CLIENT, PROGRAM_FOLDER, TITLE, to_pixels, wait_until, within)

CLIENT, GRAPHIC, TEXT = 10, 40, 42  # ROLE_SYSTEM_ values
DPIS = (96, 144, 120, 96)
WINSOCK = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Winsock"
# Each window and its controls in z-order: the id (0: the window), where it
# lies in twips and, unless they are its own text and "client", the name a
# screen reader hears and its role. Labels, buttons, frame and windows are
# Windows' own objects, which Wine calls "client" and focusable (Windows:
# static text, push button, grouping, dialog; labels take no focus).
DISCLAIMER = [(0, DISCLAIMER_CLIENT, f"{TITLE} disclaimer", CLIENT),
              (101, BANNER, f"{TITLE}, DNS error fix", GRAPHIC)] + [
    (id, within(FRAME, rect)) for id, rect in [
        (108, (2400, 1680, 3465, 240)), (109, (360, 2160, 7455, 255)), (110, (120, 2400, 7935, 255)),
        (105, (3600, 2640, 1095, 255)), (106, (360, 3000, 7455, 855)), (107, (360, 3960, 7455, 255)),
        (111, (1320, 4320, 5535, 495))]] + [(102, CONTINUE), (103, EXIT), (104, FRAME)]
MAIN = [(0, MAIN_CLIENT, TITLE, CLIENT), (202, ADDRESS_LABEL),
        (201, ADDRESS_BOX, "Type website to fix below", TEXT), (2, CANCEL), (204, FIX_IT)]
SIZED_TO_TEXT = 108  # keeps its top and centre
BACKUPS = (r"\winsockbak.reg", r"\winsock2bak.reg")


def pixels(twips, dpi):
    """A client size, or a rectangle converted by its edges."""
    if len(twips) == 2:
        return tuple(to_pixels(value, dpi) for value in twips)
    left, top, right, bottom = (to_pixels(value, dpi) for value in
                                (twips[0], twips[1], twips[0] + twips[2], twips[1] + twips[3]))
    return left, top, right - left, bottom - top


def as_laid_out(control, wanted, centre):
    """The control's rectangle, or the wanted one where it holds: a window keeps its centre (to a pixel, from
    one DPI to the next) and has the client size; a label sized to its text keeps its top and centre."""
    rect = control.rect
    holds = (rect[2:] == wanted and all(abs(a - b) <= 1 for a, b in zip(rect, centre)) if control.id == 0 else
             rect[1] == wanted[1] and abs(2 * rect[0] + rect[2] - 2 * wanted[0] - wanted[2]) <= 2
             if control.id == SIZED_TO_TEXT else rect == wanted)
    return wanted if holds else rect


class ReadAndLaidOut(ResolvoTestCase):
    def assert_read_and_laid_out(self, table):
        """What a screen reader hears of each control, and where each lies after every DPI change."""
        blocks = probe(self.session, *DPIS)
        self.assertEqual(len(blocks), len(DPIS))
        for dpi, block, before in zip(DPIS, blocks, [blocks[0], *blocks]):
            rows = [(*row, None, CLIENT)[:4] for row in table]
            self.assertEqual([(c.id, c.name, c.role, c.focusable) for c in block],
                             [(id, name or c.text, role, True) for c, (id, _, name, role) in zip(block, rows)],
                             f"at {dpi} DPI")
            self.assertEqual([as_laid_out(c, pixels(row[1], dpi), before[0].rect[:2])
                              for c, row in zip(block, rows)], [pixels(row[1], dpi) for row in rows], f"at {dpi} DPI")


class Disclaimer(ReadAndLaidOut):
    def test_esc_and_exit_end_the_program_and_change_nothing(self):
        before = self.session.snapshot(ETC, PROGRAM_FOLDER)
        disclaimer = self.session.start_at_disclaimer()
        self.shot("disclaimer", disclaimer)
        self.assert_read_and_laid_out(DISCLAIMER)
        # Enter and Space on the banner do nothing; Esc ends also with Continue focused.
        self.session.keys(disclaimer, "Return", "space", "Tab", "Escape")
        self.assertEqual(self.session.wait_exit(), 0)
        disclaimer = self.session.start_at_disclaimer()
        self.session.click_twips(disclaimer, DISCLAIMER_CLIENT, EXIT)
        self.assertEqual(self.session.wait_exit(), 0)
        self.assertEqual(self.session.snapshot(ETC, PROGRAM_FOLDER), before)
        self.assertEqual(self.session.messages(), [])


class MainWindow(ReadAndLaidOut):
    # Space on Continue resets Winsock, backing up both keys with Wine's own
    # registry editor, before the main window appears. The keys are set
    # against the program first, and links planted under the backups' names.
    def test_space_on_continue_opens_it_a_second_copy_changes_nothing_and_cancel_ends(self):
        for name, value in (("WinSock_Registry_Version", "1.0"), ("Current_Protocol_Catalog", "Protocol_Catalog5"),
                            ("Current_NameSpace_Catalog", "NameSpace_Catalog3")):
            self.assertEqual(self.session.wine("reg", "add", WINSOCK + "2\\Parameters", "/v", name, "/d", value,
                                               "/f").returncode, 0)
        self.session.wine("reg", "delete", WINSOCK + "\\Parameters", "/f")
        self.assertNotEqual(self.session.wine("reg", "query", WINSOCK + "\\Parameters").returncode, 0)
        linked = {}
        for backup, target, link in ((r"\winsockbak.reg", r"C:\windows\win.ini", os.symlink),
                                     (r"\winsock2bak.reg", r"C:\windows\system.ini", os.link)):
            if self.session.read(target) is None:
                self.session.write(target, b"[" + backup.encode() + b"]\r\n")
            linked[target] = self.session.read(target)
            link(self.session.path(target), self.session.path(PROGRAM_FOLDER + backup))
        disclaimer = self.session.start_at_disclaimer()
        self.session.keys(disclaimer, "Tab", "space")
        pressed = time.monotonic()
        main = self.session.wait_window(TITLE, timeout=60)
        self.assertGreaterEqual(time.monotonic() - pressed, SETTLE_SECONDS - 0.5)
        self.session.wait_no_window(disclaimer)
        self.shot("main-window", main)
        self.assert_read_and_laid_out(MAIN)
        self.assertEqual({target: self.session.read(target) for target in linked}, linked)
        # Each backup is a file of its own, in place of the link.
        statuses = [os.lstat(self.session.path(PROGRAM_FOLDER + name)) for name in BACKUPS]
        self.assertEqual([(stat.S_ISREG(s.st_mode), s.st_nlink) for s in statuses], [(True, 1), (True, 1)])
        winsock, winsock2 = (self.session.read(PROGRAM_FOLDER + name).decode("utf-16") for name in BACKUPS)
        self.assertIn(f"[{WINSOCK}]", winsock)
        self.assertNotIn(f"[{WINSOCK}2]", winsock)
        self.assertIn(f"[{WINSOCK}2]", winsock2)
        self.assertIn('"Current_Protocol_Catalog"="Protocol_Catalog5"', winsock2)
        # The program's own import, the only one, took effect, and it says nothing.
        values = self.session.wine("reg", "query", WINSOCK + "2\\Parameters").stdout.decode(errors="replace")
        for line in ("WinSock_Registry_Version    REG_SZ    2.0",
                     "Current_Protocol_Catalog    REG_SZ    Protocol_Catalog9",
                     "Current_NameSpace_Catalog    REG_SZ    NameSpace_Catalog5"):
            self.assertIn(line, values)
        self.assertEqual(self.session.wine("reg", "query", WINSOCK + "\\Parameters").returncode, 0)
        temp = self.session.path(r"C:\windows\temp")
        self.assertTrue(temp.is_dir())
        self.assertEqual(sorted(temp.glob("resolvo.*")), [])
        self.assertEqual(self.session.messages(), [])
        # The running copy comes back to the front when a second starts.
        root = subprocess.run(["xwininfo", "-root"], env=self.session.env, capture_output=True, text=True,
                              timeout=20).stdout
        self.session.xdotool("windowfocus", str(int(root.split("Window id: ")[1].split()[0], 16)))
        before = self.session.snapshot(ETC, PROGRAM_FOLDER)
        second = self.session.launch(PROGRAM_FOLDER + r"\resolvo.exe")
        wait_until(lambda: second.poll() is not None, 15, "the second copy to end")
        wait_until(lambda: self.session.xdotool("getwindowfocus").strip() == main.id, 15,
                   "the main window to come to the front")
        self.assertEqual(second.returncode, 0)
        self.assertEqual([w.name for w in self.session.windows()], [TITLE])
        # Where the running copy's windows cannot be found, a second copy says so.
        with self.session.log_path.open("ab") as log:
            self.session.launch("explorer", "/desktop=other,320x200", PROGRAM_FOLDER + r"\resolvo.exe", stderr=log)
        self.session.wait_message("Resolvo is already running.")
        self.assertEqual(self.session.snapshot(ETC, PROGRAM_FOLDER), before)
        self.assertEqual(self.session.stub_lines(self.session.browser), [])
        self.session.click_twips(main, MAIN_CLIENT, CANCEL)
        self.assertEqual(self.session.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
