#!/usr/bin/env bash
# Portable files (everything but *_win.cpp/*_win.h) must not include a Windows header.
cd "$(dirname "$0")/.."
bad=$(grep -lE '#\s*include\s*[<"](windows|winuser|wininet|ras|shellapi|commctrl)\.h[>"]' \
      $(find src -name '*.cpp' -o -name '*.h' | grep -vE '_win\.(cpp|h)$|src/main_win\.cpp$') || true)
if [ -n "$bad" ]; then echo "portable files include a Windows header:"; echo "$bad"; exit 1; fi
echo "portable files are free of Windows headers"
