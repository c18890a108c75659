#!/usr/bin/env python3
"""Every entry of every .ts file is translated and finished, and keeps the
placeholders (%1, %2, ...) of its English text, each as often as there, so that
no file name or device name goes missing or doubled in a translation.
Usage: check_translations.py FILE.ts..."""
import re
import sys
import xml.etree.ElementTree as ET

PLACEHOLDER = re.compile(r"%[1-9]")


def problems(path):
    root = ET.parse(path).getroot()
    if not root.get("language"):
        yield "no language named"
    count = 0
    for context in root.iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            count += 1
            source = message.findtext("source") or ""
            translation = message.find("translation")
            where = f"{name}: {source[:50]!r}"
            if translation is None or not (translation.text or "").strip():
                yield f"{where}: no translation"
                continue
            if translation.get("type") in ("unfinished", "vanished", "obsolete"):
                yield f"{where}: marked {translation.get('type')}"
            if sorted(PLACEHOLDER.findall(source)) != sorted(PLACEHOLDER.findall(translation.text)):
                yield f"{where}: the placeholders differ from the English text's"
    if count == 0:
        yield "no entries"


failed = False
for path in sys.argv[1:]:
    for problem in problems(path):
        print(f"{path}: {problem}")
        failed = True
if len(sys.argv) < 2:
    print(__doc__)
    failed = True
print("translations: " + ("not all finished" if failed else f"{len(sys.argv) - 1} files finished"))
sys.exit(1 if failed else 0)
