#!/usr/bin/env python3
"""Checks that every command the scripts and the test runner call comes from a package that
scripts/install-deps.sh installs, or one those packages depend on, or Debian's essential set.
A command found only because someone installed it by hand would fail on a fresh machine."""
import os
import re
import shutil
import subprocess
import sys

# Every external command called by scripts/, .ci/run and CTest (keep in step with them).
COMMANDS = """
    apt-get dpkg dpkg-query locale locale-gen localedef getconf id sed grep tee cat cp mv rm mkdir mktemp seq
    tr cmp head tail sort sleep kill dirname readlink sha256sum iconv date stat nproc strings comm
    cmake ctest ninja g++ python3 awk ccache find xargs wc
    x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix
    x86_64-w64-mingw32-objdump x86_64-w64-mingw32-strip i686-w64-mingw32-objdump
    i686-w64-mingw32-strip x86_64-w64-mingw32-windres
    clang-14 clang++-14 clang-format git
    wine wineboot wineserver winepath
    Xvfb xdpyinfo xwininfo xdotool import convert
    redis-server promtool prometheus pkill
""".split()


def installed_packages():
    out = subprocess.run(
        ["dpkg-query", "-W", "-f=${Package}\t${Status}\t${Essential}\t${Depends}, ${Pre-Depends}\t${Provides}\n"],
        capture_output=True, text=True, check=True).stdout
    packages, providers = {}, {}
    for line in out.splitlines():
        name, status, essential, depends, provides = (line.split("\t") + [""] * 5)[:5]
        if "install ok installed" not in status:
            continue
        alternatives = [[re.split(r"[\s:(]", a.strip())[0] for a in group.split("|")]
                        for group in depends.split(",") if group.strip()]
        packages[name] = (essential == "yes", alternatives)
        for virtual in provides.split(","):
            if virtual.strip():
                providers.setdefault(re.split(r"[\s(]", virtual.strip())[0], []).append(name)
    return packages, providers


def closure(roots, packages, providers):
    seen, todo = set(), list(roots)
    while todo:
        name = todo.pop()
        for real in [name] + providers.get(name, []):
            if real in packages and real not in seen:
                seen.add(real)
                for group in packages[real][1]:
                    todo.extend(group)
    return seen


def candidates(path):
    """`path` and the names dpkg may know it by (alternatives resolved, merged-/usr twins)."""
    names = [path, os.path.realpath(path)]
    return names + [n[4:] for n in names if n.startswith("/usr/")]


def owners(paths):
    """Maps each path that dpkg knows to its package, asking dpkg once."""
    result = subprocess.run(["dpkg", "-S"] + paths, capture_output=True, text=True)
    found = {}
    for line in result.stdout.splitlines():
        if not line.startswith("diversion by") and ": " in line:
            package, path = line.split(": ", 1)
            found[path.strip()] = package.split(",")[0].split(":")[0].strip()
    return found


def main():
    root = os.path.dirname(os.path.abspath(__file__))
    listed = subprocess.run([os.path.join(root, "install-deps.sh"), "--list"],
                            capture_output=True, text=True, check=True).stdout.split()
    packages, providers = installed_packages()
    missing_listed = [p for p in listed if p not in packages]
    allowed = closure(listed, packages, providers)
    # The essential set is on every Debian system, and apt is what installs the rest.
    essential = {name for name, (is_essential, _) in packages.items() if is_essential} | {"apt"}
    allowed |= closure(essential, packages, providers)
    problems = [f"listed package not installed: {p}" for p in missing_listed]
    paths = {command: shutil.which(command) for command in COMMANDS}
    known = owners(sorted({c for p in paths.values() if p for c in candidates(p)}))
    for command, path in paths.items():
        if path is None:
            problems.append(f"{command}: not found")
            continue
        package = next((known[c] for c in candidates(path) if c in known), None)
        if package is None:
            problems.append(f"{command}: {path} belongs to no package")
        elif package not in allowed:
            problems.append(f"{command}: from {package}, which install-deps.sh does not bring")
    for problem in problems:
        print("check-deps: " + problem)
    print(f"check-deps: {len(COMMANDS)} commands, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
