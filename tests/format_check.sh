#!/bin/sh
# Every C++ file of the tree reads as clang-format writes it (.clang-format at the root).
# usage: format_check.sh ROOT ; exit 77 (skipped) without clang-format
command -v clang-format >/dev/null 2>&1 || { echo "clang-format is not installed: skipped"; exit 77; }
cd "$1" || exit 1
find src tests bench tools -path tools/node_modules -prune -o \( -name '*.cpp' -o -name '*.h' \) -print \
    | xargs clang-format --dry-run --Werror
