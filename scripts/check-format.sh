#!/usr/bin/env bash
# Every C++ source of ours is as clang-format (with the repo's .clang-format) would write it.
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'sim/*.cpp' \
    'sim/*.h' 'bench/*.cpp' 'bench/*.h')
clang-format --dry-run -Werror "${files[@]}" || { echo "run clang-format -i on the files above"; exit 1; }
echo "${#files[@]} files are formatted"
