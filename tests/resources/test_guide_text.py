"""The download's README.txt as made from the users' guide: what each kind of
Markdown becomes in plain text, and the real guide read back as Notepad gets
it (line ends, width, byte-order mark, every section)."""

from __future__ import annotations

import subprocess
import sys
import tempfile
import unittest
from dataclasses import dataclass
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
SCRIPT = REPO / "cmake" / "guide_to_text.py"
GUIDE = REPO / "docs" / "users-guide.md"
TITLE = "Resolvo 9.5"


def make(markdown: str) -> bytes:
    with tempfile.TemporaryDirectory() as folder:
        source, output = Path(folder, "guide.md"), Path(folder, "README.txt")
        source.write_text(markdown, encoding="utf-8")
        subprocess.run([sys.executable, SCRIPT, source, output, TITLE], check=True)
        return output.read_bytes()


@dataclass(frozen=True)
class Case:
    name: str
    markdown: str
    text: str


CASES = [
    Case("the title gives way to the product's name and version",
         "# Users' guide\n\nWords.\n", "Resolvo 9.5\n===========\n\nWords.\n"),
    Case("a heading is underlined to its length",
         "## When it fails\n\n### Files\n", "When it fails\n-------------\n\nFiles\n~~~~~\n"),
    Case("marks go, the words and code stay as written",
         "Press **Fix It**, *then* `C:\\Windows\\*.rv2` and \\#1.\n", "Press Fix It, then C:\\Windows\\*.rv2 and #1.\n"),
    Case("bold around code loses only its marks",
         "- **Another program holds `hosts` open.** It waits.\n", "- Another program holds hosts open. It waits.\n"),
    Case("a link within the project keeps its words; one outside, its address too",
         "See [the guide](#backups), [building](building.md) and [Wine](https://winehq.example/).\n",
         "See the guide, building and Wine (https://winehq.example/).\n"),
    Case("a picture is left out", "Before.\n\n![The main window](screenshots/main.png)\n\nAfter.\n",
         "Before.\n\nAfter.\n"),
    Case("a paragraph is wrapped at 76 columns",
         "word " * 20 + "\n",
         ("word " * 15).rstrip() + "\n" + ("word " * 5).rstrip() + "\n"),
    Case("a code span is never broken across lines",
         "x" * 50 + " named `<file>.<process id>-<number>.tmp` here\n",
         "x" * 50 + " named\n<file>.<process id>-<number>.tmp here\n"),
    Case("a list item wraps under its words, a nested one under its parent's",
         "1. " + "step " * 16 + "\n   - Yes: stays.\n",
         "1. " + ("step " * 14).rstrip() + "\n   step step\n   - Yes: stays.\n"),
    Case("a table row becomes a paragraph: its head, then each cell after its column's name",
         "| What | Backup | Undo |\n|---|---|---|\n| `hosts` | `hosts.rv2` | copy it back |\n| DNS | none | nothing |\n",
         "hosts\n  Backup: hosts.rv2\n  Undo:   copy it back\n\nDNS\n  Backup: none\n  Undo:   nothing\n"),
    Case("a long cell wraps under its own column",
         "| What | Changed how |\n|---|---|\n| keys | " + "value " * 14 + "|\n",
         "keys\n  Changed how: " + ("value " * 10).rstrip() + "\n               " + ("value " * 4).rstrip() + "\n"),
    Case("a code block is indented and kept as it is", "```\nregedit /s  winsockbak.reg\n```\n",
         "    regedit /s  winsockbak.reg\n"),
]


class GuideTextTest(unittest.TestCase):
    def test_each_kind_of_markdown(self) -> None:
        for case in CASES:
            with self.subTest(case.name):
                self.assertEqual(make(case.markdown).decode("utf-8-sig").replace("\r\n", "\n"), case.text)

    def test_a_byte_order_mark_only_where_a_character_is_not_ascii(self) -> None:
        self.assertFalse(make("# T\n\nplain\n").startswith(b"\xef\xbb\xbf"))
        self.assertTrue(make("# T\n\nb\u00fccher.example\n").startswith(b"\xef\xbb\xbf"))


class ShippedGuideTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls) -> None:
        cls.lines = make(GUIDE.read_text(encoding="utf-8")).decode("utf-8-sig").split("\r\n")

    def test_every_line_ends_in_cr_lf_and_is_no_wider_than_notepad_shows_at_once(self) -> None:
        self.assertEqual(self.lines[-1], "")
        self.assertEqual([line for line in self.lines if len(line) > 76 or "\r" in line or "\n" in line], [])

    def test_every_section_of_the_guide_is_there(self) -> None:
        headings = [line.lstrip("#").strip() for line in GUIDE.read_text(encoding="utf-8").splitlines()
                    if line.startswith("##")]
        self.assertGreater(len(headings), 5)
        for heading in headings:
            self.assertIn(heading.replace("`", ""), self.lines)

    def test_no_markdown_is_left(self) -> None:
        self.assertEqual([line for line in self.lines if "**" in line or "`" in line or "](" in line], [])


if __name__ == "__main__":
    unittest.main()
