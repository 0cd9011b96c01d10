#!/usr/bin/env python3
"""Makes a delay-load import library for one system DLL from MinGW's own import library: every
function that library exports, loaded on its first call instead of at the program's start.
Usage: delay_import_lib.py NM DLLTOOL IMPORT_LIB DLL_NAME OUTPUT"""
import os
import re
import subprocess
import sys

nm, dlltool, import_lib, dll, output = sys.argv[1:6]
symbols = subprocess.run([nm, import_lib], capture_output=True, text=True, check=True).stdout
# x86_64 names its import thunks __imp_Name, i686 __imp__Name@bytes (stdcall).
i686 = "i686" in os.path.basename(nm)
pattern = r"^\S+ I __imp__(\S+)$" if i686 else r"^\S+ I __imp_(\S+)$"
names = sorted(set(re.findall(pattern, symbols, re.MULTILINE)))
if not names:
    sys.exit(f"delay_import_lib: no functions found in {import_lib}")
definition = output + ".def"
with open(definition, "w") as f:
    f.write(f"LIBRARY {dll}\nEXPORTS\n" + "".join(name + "\n" for name in names))
command = [dlltool, "--input-def", definition, "--output-delaylib", output, "--dllname", dll]
if i686:
    command.append("--kill-at")  # the DLL exports the plain names
subprocess.run(command, check=True)
