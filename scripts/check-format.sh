#!/usr/bin/env bash
# Checks that every C++ source the repository tracks is laid out as
# .clang-format says; names the files that are not, and fails.
# scripts/check-format.sh --fix lays them out instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/dev/null; then
  clang-format --dry-run "${files[@]}" 2>&1 | grep -o '^[^:]*:[0-9]*:[0-9]*: warning' |
    cut -d: -f1 | sort | uniq -c | sed 's/^ */  /'
  echo "check-format: the files above are not laid out as .clang-format says" \
    "(scripts/check-format.sh --fix lays them out)" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files laid out as .clang-format says"
