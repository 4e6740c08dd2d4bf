#!/usr/bin/env python3
"""Writes a C++ header with what a .ui file's top window shows as it opens: its size
and the text or title of every widget in it, mnemonic marks removed. Actions are
left out, as their texts show only in open menus.

    form1_texts.py <form.ui> <header.h>
"""

import sys
import xml.etree.ElementTree as ET

# Their text is what the user typed or sees as is; "&" marks no shortcut there.
LITERAL_CLASSES = {"QLineEdit", "QPlainTextEdit", "QTextEdit"}


def shown_text(widget, text):
    if widget.get("class") in LITERAL_CLASSES:
        return text
    return text.replace("&&", "\0").replace("&", "").replace("\0", "&")


def cpp_string(text):
    escaped = text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n")
    return f'"{escaped}"'


def main(source, target):
    window = ET.parse(source).getroot().find("widget")
    rect = window.find("property[@name='geometry']/rect")
    texts = []
    for widget in window.iter("widget"):
        for prop in widget.findall("property"):
            string = prop.find("string")
            if prop.get("name") in ("text", "title") and string is not None and string.text:
                texts.append(shown_text(widget, string.text))
    lines = [
        "#pragma once",
        "// Made from the main window's .ui file by bench/form1_texts.py.",
        "namespace quorvane::bench {",
        f"inline constexpr int form1Width = {rect.findtext('width')};",
        f"inline constexpr int form1Height = {rect.findtext('height')};",
        "// Every text and title the window shows as it opens, in UTF-8.",
        "inline constexpr const char* form1Captions[] = {",
        *(f"    {cpp_string(text)}," for text in texts),
        "};",
        "} // namespace quorvane::bench",
    ]
    with open(target, "w", encoding="utf-8") as header:
        header.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
