#!/usr/bin/env python3
"""Adds up CTest's JUnit reports into one closing line: N passed, N failed, N skipped.
Usage: test-summary.py [--extra PASSED FAILED] REPORT...
A CTest entry that runs one GoogleTest program under Wine counts as the cases it ran, so a
skipped case shows even when the program passed."""
import re
import sys
import xml.etree.ElementTree as ElementTree

GTEST = {
    "passed": re.compile(r"^\[  PASSED  \] (\d+) tests?\.", re.M),
    "failed": re.compile(r"^\[  FAILED  \] (\d+) tests?, listed below", re.M),
    "skipped": re.compile(r"^\[  SKIPPED \] (\d+) tests?, listed below", re.M),
}


def count(case):
    """(passed, failed, skipped) for one CTest entry."""
    failed = case.find("failure") is not None or case.get("status") == "fail"
    if case.find("skipped") is not None or case.get("status") in ("notrun", "disabled"):
        return 0, 0, 1
    output = case.findtext("system-out") or ""
    numbers = {k: sum(int(n) for n in p.findall(output)) for k, p in GTEST.items()}
    if "[==========]" in output and sum(numbers.values()) > 0:
        # A program that ended badly after its cases passed still fails as a whole.
        extra = 1 if failed and numbers["failed"] == 0 else 0
        return numbers["passed"], numbers["failed"] + extra, numbers["skipped"]
    return (0, 1, 0) if failed else (1, 0, 0)


def main(args):
    totals = [0, 0, 0]
    if args[:1] == ["--extra"]:  # passed and failed counts of a runner without a report
        totals = [int(args[1]), int(args[2]), 0]
        args = args[3:]
    paths = args
    for path in paths:
        try:
            root = ElementTree.parse(path).getroot()
        except (OSError, ElementTree.ParseError) as error:
            print("no report from %s: %s" % (path, error))  # its suite did not run to the end
            totals[1] += 1
            continue
        for case in root.iter("testcase"):
            totals = [t + n for t, n in zip(totals, count(case))]
    print("all: %d passed, %d failed, %d skipped" % tuple(totals))
    return 1 if totals[1] else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
