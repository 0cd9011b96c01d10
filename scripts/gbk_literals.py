#!/usr/bin/env python3
"""Copies a C++ source, writing every non-ASCII character inside a narrow string or character
literal as the octal escapes of its GBK bytes.

clang reads sources as UTF-8 and has no GBK execution charset; compiled from such a copy, a
literal holds exactly the bytes g++ -fexec-charset=GBK stores. Identifiers and comments stay
UTF-8, which clang reads as they are. A #line directive keeps diagnostics and stack traces on
the original file. Usage: gbk_literals.py SOURCE COPY"""
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


def main():
    source, copy = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    body = rewrite(text)
    # Before '#pragma once' is fine: the guard is keyed by the file, not by the directive.
    with open(copy, "w", encoding="utf-8", newline="") as f:
        f.write('#line 1 "%s"\n' % source + body)


if __name__ == "__main__":
    main()
