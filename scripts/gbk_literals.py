#!/usr/bin/env python3
"""Copies a C++ source, writing every non-ASCII character inside a narrow string or character
literal as the octal escapes of its GBK bytes.

clang reads sources as UTF-8 and has no GBK execution charset; compiled from such a copy, a
literal holds exactly the bytes g++ -fexec-charset=GBK stores. Identifiers and comments stay
UTF-8, which clang reads as they are. A #line directive keeps diagnostics and stack traces on
the original file. Usage: gbk_literals.py SOURCE COPY

With --utf8-files CMAKE_FILE... it instead checks the sources that they compile with
-fexec-charset=UTF-8, and the headers of ours they include: a non-ASCII character in a narrow
literal there would reach the program as UTF-8 where GBK is expected. Exits 1 naming them."""
import os
import re
import sys


def rewrite(text):
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            out.append(text[i:end])
            i = end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append(text[i:end])
            i = end
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isalnum()):
            # A quote after a digit or letter is a digit separator (1'000), not a literal.
            out.append(c)
            i += 1
            while i < n and text[i] != c and text[i] != "\n":
                if text[i] == "\\" and i + 1 < n:
                    out.append(text[i : i + 2])
                    i += 2
                elif ord(text[i]) < 0x80:
                    out.append(text[i])
                    i += 1
                else:
                    # Octal escapes end after three digits, so a following digit stays apart.
                    out.append("".join("\\%03o" % b for b in text[i].encode("gbk")))
                    i += 1
            if i < n:
                out.append(text[i])
                i += 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def narrow_literals(text):
    """(line, literal) of every narrow string or character literal outside comments."""
    found = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            i = n if text.find("\n", i) < 0 else text.find("\n", i)
        elif text.startswith("/*", i):
            i = n if text.find("*/", i + 2) < 0 else text.find("*/", i + 2) + 2
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isalnum()):
            start = i
            i += 1
            while i < n and text[i] != c and text[i] != "\n":
                i += 2 if text[i] == "\\" else 1
            prefix = re.search(r"(u8|u|U|L)?R?$", text[max(0, start - 3) : start]).group(0)
            if not prefix.rstrip("R"):
                found.append((text.count("\n", 0, start) + 1, text[start : i + 1]))
            i += 1
        else:
            i += 1
    return found


def check_utf8_files(cmake_files):
    cmake = ""
    for name in cmake_files:
        with open(name, encoding="utf-8") as f:
            cmake += f.read()
    pending = []
    calls = re.findall(r"set_source_files_properties\(([^)]*)\)", cmake)
    lists = re.findall(r"set\(QV_UTF8_\w+([^)]*)\)", cmake)  # the lists those calls name
    for call in [c for c in calls if "-fexec-charset=UTF-8" in c] + lists:
        pending += [w for w in call.split() if w.startswith(("src/", "tests/"))]
    if not pending:
        print("%s mark no file as UTF-8" % " ".join(cmake_files))
        return 1
    seen, status = set(), 0
    while pending:
        path = os.path.normpath(pending.pop())
        if path in seen or not os.path.exists(path):
            continue
        seen.add(path)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        for line, literal in narrow_literals(text):
            if any(ord(ch) >= 0x80 for ch in literal):
                print("%s:%d: non-ASCII literal in a file compiled as UTF-8: %s" % (path, line, literal))
                status = 1
        for header in re.findall(r'^\s*#\s*include\s*"([^"]+)"', text, re.M):
            pending += [root + header for root in ("src/", "tests/")]
    if status == 0:
        print("%d files compiled as UTF-8 hold ASCII literals only" % len(seen))
    return status


def main():
    if sys.argv[1] == "--utf8-files":
        sys.exit(check_utf8_files(sys.argv[2:]))
    source, copy = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    body = rewrite(text)
    # Before '#pragma once' is fine: the guard is keyed by the file, not by the directive.
    with open(copy, "w", encoding="utf-8", newline="") as f:
        f.write('#line 1 "%s"\n' % source + body)


if __name__ == "__main__":
    main()
