"""Fix It, end to end: the name files, the browser, the questions, and the
name files on a machine where other programs hold them or they are Unicode."""

import os
import shutil
import unittest

from base import LEFT_UNCHANGED, OFFER, SETTLE_SECONDS, ResolvoTestCase
from winedriver import ETC, KEPT, QUESTION

HOSTS = b"# hosts of a test machine\r\n127.0.0.1 localhost\r\n10.0.0.7 www.Example.com\r\n10.0.0.8 mail.example.org\r\n"
FIXED = HOSTS.replace(b"10.0.0.7", b"#10.0.0.7")
LMHOSTS = b"10.0.0.9 fileserver #PRE\r10.0.0.10 printer"
LMHOSTS_TIME = 1_500_000_000
BUSY = LEFT_UNCHANGED.format("another program is using it",
                             "Close other programs, such as your virus checker, and press Fix It again.")
UNICODE = LEFT_UNCHANGED.format(
    "it is saved as Unicode text, which Resolvo does not change",
    "You can edit it in Notepad, run as administrator, or save it there as ANSI text and press Fix It again.")

ELSEWHERE = ("Resolvo made its fix in the hosts and lmhosts files in {}, the folder Windows reads them from. "
             "It is not the usual folder, drivers\\etc in the system folder: a program may have changed that to "
             "take over web addresses, and your virus checker can look for it.")



def blocklist() -> tuple[bytes, bytes]:
    """A hosts file as ad blockers install it, a few hundred lines of other domains that hold the letters
    of ads.com, with the site's own entries among them; and the same file once ads.com is fixed."""
    others = [b"# Blocked: ad and tracking servers. ads.com is listed below.", b"127.0.0.1 localhost",
              b"::1 localhost"]
    for i in range(100):
        others += [b"0.0.0.0 %dads.com" % (i + 150), b"0.0.0.0 a-ads.com", b"0.0.0.0 ads.com.t%d.test  # ads.com" % i]
    # Each line as it is and once fixed.
    site = [(b"0.0.0.0 ads.com", b"#0.0.0.0 ads.com"), (b"0.0.0.0\tcdn.ADS.com.", b"#0.0.0.0\tcdn.ADS.com."),
            (b"# 0.0.0.0 ads.com", b"# 0.0.0.0 ads.com"),
            (b"\t0.0.0.0 ads.net \t www.ads.com  # pinned", b"#\t0.0.0.0 ads.net \t www.ads.com  # pinned"),
            # The part after a lone LF is an entry of its own.
            (b"127.0.0.1 localhost\n0.0.0.0 x.ads.com", b"127.0.0.1 localhost\n#0.0.0.0 x.ads.com")]
    lines = [(line, line) for line in others[:150]] + site + [(line, line) for line in others[150:]]
    return tuple(b"".join(line[n] + b"\r\n" for line in lines) for n in (0, 1))


BLOCKLIST, BLOCKLIST_FIXED = blocklist()
# In lmhosts the name is the one field after the address, quoted or not.
BLOCKLIST_LMHOSTS = (b'10.0.0.7 other ads.com\r\n10.0.0.8 "Www.Ads.Com" #PRE\r\n'
                     b"#INCLUDE \\\\ads.com\\share\\lmhosts\r\n")
BLOCKLIST_LMHOSTS_FIXED = BLOCKLIST_LMHOSTS.replace(b"10.0.0.8", b"#10.0.0.8")


class FixIt(ResolvoTestCase):
    def setUp(self):
        super().setUp()
        self.session.reset_name_files(HOSTS)

    def temporary_files(self) -> list[str]:
        return [path.name for path in self.session.path(ETC).iterdir() if path.suffix == ".tmp"]

    def test_fix_repairs_opens_the_site_asks_and_offers_the_scan(self):
        # An lmhosts that names no such host is left as it is, down to its time.
        self.session.write(ETC + r"\lmhosts", LMHOSTS)
        os.utime(self.session.path(ETC + r"\lmhosts"), (LMHOSTS_TIME, LMHOSTS_TIME))
        main, _ = self.session.open_main_window()
        _, clicked = self.session.fix(main, "http://www.example.com/news")
        asked = self.session.wait_message(QUESTION)
        self.assertGreaterEqual(asked - clicked, SETTLE_SECONDS - 0.5)
        question = self.session.message_box((main.id,))
        self.shot("question", question)
        self.assert_files(ETC, {"hosts": FIXED, "hosts.rv2": HOSTS, "lmhosts": LMHOSTS, "lmhosts.rv2": LMHOSTS})
        self.assertEqual(self.session.path(ETC + r"\lmhosts").stat().st_mtime, LMHOSTS_TIME)
        self.session.answer(question, "n")
        self.session.wait_message(OFFER)
        self.session.answer(self.session.message_box((main.id,)), "y")
        # The browser, started through the desktop's shell, got the address as typed.
        browser = self.session.browser
        self.assertEqual(self.session.wait_stub_lines(browser, 2),
                         [f'"{browser}" "http://www.example.com/news"',
                          f'"{browser}" "http://www.resolvo.example/freescan.html"'])
        self.assertEqual(self.session.messages(), [QUESTION, OFFER])
        self.session.keys(main, "Escape")
        self.assertEqual(self.session.wait_exit(), 0)

    def test_a_hosts_file_in_unicode_or_held_is_left_alone_or_waited_for_and_a_held_key_fixes_once(self):
        # In Unicode: left byte for byte, without a backup; Enter held down on Fix It fixes once.
        unicode_hosts = "\ufeff127.0.0.1 localhost\r\n10.0.0.7 www.example.com\r\n".encode("utf-16-le")
        self.session.write(ETC + r"\hosts", unicode_hosts)
        main, _ = self.session.open_main_window()
        self.session.enter_address(main, "www.example.com")
        self.session.keys(main, "Tab", "Tab")  # to Fix It
        with self.session.key_held("Return", seconds=10):
            box = self.session.message_box((main.id,), timeout=30)
        self.session.answer(box, "Return")
        self.session.answer(self.session.message_box((main.id,), timeout=30), "y")
        self.session.answer(self.session.message_box((main.id,)), "Return")
        self.assertEqual(self.session.messages(), [UNICODE, QUESTION, KEPT])
        self.assert_files(ETC, {"hosts": unicode_hosts, "hosts.rv2": None})
        self.assertEqual(len(self.session.stub_lines(self.session.browser)), 1)

        # Held for a second: the repair waits for it, and clears a killed run's leftover.
        self.session.write(ETC + r"\hosts", HOSTS)
        leftover = ETC + r"\hosts.512-1.resolvo.tmp"
        self.session.write(leftover, b"left by a killed run")
        self.session.set_attributes(leftover, {"R", "H"})
        self.session.fix(main, "www.example.com", "y", "Return", hosts_held_ms=1000)
        self.assert_files(ETC, {"hosts": FIXED, "hosts.rv2": HOSTS})
        self.assertEqual(self.temporary_files(), [])

        # Held for ten seconds: the file is left byte for byte, and said so.
        self.session.fix(main, "mail.example.org", hosts_held_ms=10000)
        self.session.wait_message(BUSY, timeout=30)
        box = self.session.message_box((main.id,))
        self.shot("left-unchanged", box)
        self.session.answer(box, "Return")
        self.session.wait_message(QUESTION, count=3, timeout=30)
        self.assertEqual(self.session.read(ETC + r"\hosts"), FIXED)
        self.assertEqual(self.temporary_files(), [])
        self.assertEqual(self.session.messages(), [UNICODE, QUESTION, KEPT, QUESTION, KEPT, BUSY, QUESTION])
        self.assertEqual(len(self.session.stub_lines(self.session.browser)), 3)

    def test_the_hosts_file_windows_is_set_to_read_is_the_one_repaired(self):
        # Windows is pointed at another folder under System32\drivers, which a 32-bit program on 64-bit
        # Windows reaches only through Sysnative: its hosts is repaired and backed up, and neither the
        # usual hosts nor the 32-bit view's file of the same name changes.
        other = r"C:\windows\system32\drivers\other"
        decoy = r"C:\windows\syswow64\drivers\other\hosts"
        self.set_database_path(r"%SystemRoot%\system32\drivers\other")
        self.addCleanup(self.set_database_path, ETC)
        for name in (other + r"\hosts", decoy):
            self.session.write(name, HOSTS)
            self.addCleanup(shutil.rmtree, self.session.path(name).parent)
        before = self.session.snapshot(ETC)
        main, _ = self.session.open_main_window()
        shown, _ = self.session.fix(main, "www.example.com", "Return", "y", "Return")
        # Wine's trace of a message box ends its text after about 300 characters.
        self.assertEqual(shown[1:], [QUESTION, KEPT])
        self.assertGreater(len(shown[0]), 250)
        self.assertEqual(shown[0], ELSEWHERE.format(other + "\\")[:len(shown[0])])
        self.assert_files(other, {"hosts": FIXED, "hosts.rv2": HOSTS, "lmhosts": b""})
        self.assertEqual(self.session.snapshot(ETC), before)
        self.assertEqual(self.session.read(decoy), HOSTS)
        self.session.keys(main, "Escape")
        self.assertEqual(self.session.wait_exit(), 0)

    def set_database_path(self, folder: str) -> None:
        added = self.session.wine("reg", "add", r"HKLM\SYSTEM\CurrentControlSet\Services\Tcpip\Parameters",
                                  "/v", "DataBasePath", "/t", "REG_EXPAND_SZ", "/d", folder, "/f")
        self.assertEqual(added.returncode, 0, added.stderr)


    def test_a_fix_comments_out_the_sites_entries_in_a_blocklist_and_leaves_every_other_line(self):
        self.session.reset_name_files(BLOCKLIST)
        self.session.write(ETC + r"\lmhosts", BLOCKLIST_LMHOSTS)
        main, _ = self.session.open_main_window()
        self.assertEqual(self.session.fix(main, "http://ads.com/", "y", "Return")[0], [QUESTION, KEPT])
        self.assertEqual(self.session.read(ETC + r"\hosts").split(b"\r\n"), BLOCKLIST_FIXED.split(b"\r\n"))
        self.assert_files(ETC, {"lmhosts": BLOCKLIST_LMHOSTS_FIXED, "hosts.rv2": BLOCKLIST})
        # A second fix of the site finds nothing left to comment out.
        self.assertEqual(self.session.fix(main, "ads.com", "y", "Return")[0], [QUESTION, KEPT])
        self.assert_files(ETC, {"hosts": BLOCKLIST_FIXED, "lmhosts": BLOCKLIST_LMHOSTS_FIXED})
        self.session.keys(main, "Escape")
        self.assertEqual(self.session.wait_exit(), 0)

if __name__ == "__main__":
    unittest.main()
