#!/usr/bin/env python3
"""Replaces the measured part of a document, between "<!-- NAME:begin -->" and
"<!-- NAME:end -->", with standard input; a document without those marks gets them at its end,
under HEADING when one is given. Usage: doc_section.py FILE NAME [HEADING] < TEXT"""
import os
import re
import sys

path, name = sys.argv[1], sys.argv[2]
heading = sys.argv[3] if len(sys.argv) > 3 else ""
begin, end = f"<!-- {name}:begin -->", f"<!-- {name}:end -->"
text = open(path, encoding="utf-8").read() if os.path.exists(path) else "# Benchmarks\n"
if begin not in text:
    text += (f"\n## {heading}\n" if heading else "") + f"\n{begin}\n{end}\n"
section = f"{begin}\n{sys.stdin.read().rstrip()}\n{end}"
text = re.sub(re.escape(begin) + ".*?" + re.escape(end), lambda _: section, text, flags=re.S)
open(path, "w", encoding="utf-8").write(text)
