#!/usr/bin/env bash
# Every C++ source and header is as clang-format (with the repository's .clang-format) leaves it.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(find installer render support tools runner tests bench samples -name '*.cpp' -o -name '*.h' | sort)
clang-format --dry-run -Werror "${files[@]}"
echo "format: ${#files[@]} files clean"
