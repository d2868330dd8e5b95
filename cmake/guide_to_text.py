#!/usr/bin/env python3
"""Makes the download's README.txt from the users' guide (docs/users-guide.md),
so that the two can never say different things: plain text that Notepad shows
as it is meant on every Windows, with CR LF line ends, lines of at most 76
characters, and a byte-order mark only where a character is not ASCII (Notepad
before Windows 10 reads UTF-8 without one as the ANSI code page).

The guide's own title gives way to the product's name and version, which the
build knows. Headings are underlined; paragraphs and list items are wrapped;
pictures, which a text file cannot show, are left out; a link keeps its text,
and its address when it leads out of the guide. A table becomes one indented
paragraph per row: the row's first cell as its head, then each other cell
after its column's name.

usage: guide_to_text.py GUIDE.md README.txt TITLE
The same guide and title always give the same bytes.
"""

from __future__ import annotations

import os
import re
import sys
import textwrap
from pathlib import Path

WIDTH = 76
UNDERLINES = {1: "=", 2: "-", 3: "~"}
KEEP = "\x00"  # a blank that no line is broken at

LIST_ITEM = re.compile(r"^( *)([-*]|\d+\.) +(.*)$")
HEADING = re.compile(r"^(#{1,6}) +(.*?) *#*$")
PICTURE = re.compile(r"^!\[[^\]]*\]\([^)]*\)$")


def inline(text: str) -> str:
    """The words of a line of Markdown, without its marks."""
    text = re.sub(r"!\[([^\]]*)\]\([^)]*\)", "", text)

    def link(match: re.Match) -> str:
        words, address = match.group(1), match.group(2)
        # Within the guide or the project's other files: the words say it.
        if address.startswith("#") or "://" not in address:
            return words
        return f"{words} ({address})"

    text = re.sub(r"\[([^\]]+)\]\(([^)]+)\)", link, text)
    # Code spans keep their content exactly, backslashes and stars included,
    # and are never broken across lines: their blanks stay KEEP until the end.
    code: list[str] = []

    def hold(match: re.Match) -> str:
        code.append(match.group(1).replace(" ", KEEP))
        return f"\x01{len(code) - 1}\x01"

    text = re.sub(r"`([^`]*)`", hold, text)
    text = re.sub(r"\*\*(.+?)\*\*", r"\1", text)
    text = re.sub(r"(?<![\w*])\*(?!\s)(.+?)(?<!\s)\*(?![\w*])", r"\1", text)
    text = re.sub(r"\\([\\`*_{}\[\]()#+\-.!|<>])", r"\1", text)
    return re.sub(r"\x01(\d+)\x01", lambda match: code[int(match.group(1))], text)


def wrap(text: str, first: str, rest: str) -> list[str]:
    return textwrap.wrap(text, WIDTH, initial_indent=first, subsequent_indent=rest,
                         break_long_words=False, break_on_hyphens=False) or [first.rstrip()]


def cells(row: str) -> list[str]:
    row = row.strip()
    if row.startswith("|"):
        row = row[1:]
    if row.endswith("|") and not row.endswith("\\|"):
        row = row[:-1]
    return [inline(cell.strip()) for cell in re.split(r"(?<!\\)\|", row)]


def table(rows: list[str]) -> list[str]:
    names = cells(rows[0])
    body = [cells(row) for row in rows[2:]]
    label_width = max((len(name) for name in names[1:]), default=0) + 2
    lines: list[str] = []
    for row in body:
        if lines:
            lines.append("")
        lines += wrap(row[0], "", "  ")
        for name, cell in zip(names[1:], row[1:]):
            label = f"  {name + ':':<{label_width}}"
            lines += wrap(cell, label, " " * len(label))
    return lines


def blocks(markdown: str):
    """The guide's blocks, each a kind and its lines."""
    lines = markdown.splitlines()
    index = 0
    while index < len(lines):
        line = lines[index]
        if not line.strip() or PICTURE.match(line.strip()):
            index += 1
        elif line.startswith("```"):
            end = index + 1
            while end < len(lines) and not lines[end].startswith("```"):
                end += 1
            yield "code", lines[index + 1:end]
            index = end + 1
        elif HEADING.match(line):
            yield "heading", [line]
            index += 1
        else:
            kind = "table" if line.lstrip().startswith("|") else "list" if LIST_ITEM.match(line) else "paragraph"
            end = index + 1
            while end < len(lines) and lines[end].strip() and not HEADING.match(lines[end]) \
                    and not lines[end].startswith("```") and not PICTURE.match(lines[end].strip()):
                if kind == "paragraph" and (LIST_ITEM.match(lines[end]) or lines[end].lstrip().startswith("|")):
                    break
                end += 1
            yield kind, lines[index:end]
            index = end


def list_items(lines: list[str]) -> list[str]:
    """Each item wrapped under its mark."""
    items: list[tuple[int, str, str]] = []
    for line in lines:
        match = LIST_ITEM.match(line)
        if match:
            items.append((len(match.group(1)), match.group(2), match.group(3)))
        else:
            depth, mark, text = items[-1]
            items[-1] = (depth, mark, f"{text} {line.strip()}")
    out: list[str] = []
    for depth, mark, text in items:
        # A nested item is indented as in the guide: under its parent's words.
        indent = " " * depth
        mark = mark if mark[0].isdigit() else "-"
        out += wrap(inline(text), f"{indent}{mark} ", indent + " " * (len(mark) + 1))
    return out


def convert(markdown: str, title: str) -> str:
    out: list[str] = []
    for kind, lines in blocks(markdown):
        if out:
            out.append("")
        if kind == "heading":
            match = HEADING.match(lines[0])
            level, text = len(match.group(1)), inline(match.group(2))
            if level == 1:
                text = title
            out += [text, UNDERLINES.get(level, "~") * len(text)]
        elif kind == "code":
            out += [f"    {line}".rstrip() for line in lines]
        elif kind == "table":
            out += table(lines)
        elif kind == "list":
            out += list_items(lines)
        else:
            out += wrap(inline(" ".join(line.strip() for line in lines)), "", "")
    return "".join(f"{line}\r\n" for line in out).replace(KEEP, " ")


def main() -> int:
    guide, output, title = Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3]
    text = convert(guide.read_text(encoding="utf-8"), title)
    data = text.encode("utf-8")
    if not text.isascii():
        data = b"\xef\xbb\xbf" + data
    partial = Path(f"{output}.partial")
    partial.write_bytes(data)
    os.replace(partial, output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
