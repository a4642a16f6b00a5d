#!/bin/sh
# Fails, listing the files, when any C++ source differs from what
# clang-format makes of it (.clang-format). `sh scripts/check_format.sh --fix`
# rewrites them instead.
set -e
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i $files
  exit 0
fi
bad=""
for f in $files; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad="$bad $f"
done
if [ -n "$bad" ]; then
  echo "not formatted as .clang-format says (sh scripts/check_format.sh --fix):"
  for f in $bad; do echo "  $f"; done
  exit 1
fi
echo "formatting ok"
