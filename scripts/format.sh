#!/usr/bin/env bash
# Formats the C++ sources of src/, tests/ and bench/ with clang-format and the layout of
# .clang-format, in place. With --check it changes nothing: it lists the files whose
# layout differs and exits 1 when there is one.
# Usage: scripts/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
check=false
case "${1:-}" in
  "") ;;
  --check) check=true ;;
  *) echo "usage: scripts/format.sh [--check]" >&2; exit 2 ;;
esac
format=$(command -v clang-format || command -v clang-format-14 || true)
[ -n "$format" ] || { echo "format: clang-format is not installed" >&2; exit 2; }
mapfile -t files < <(find src tests bench \( -name '*.cpp' -o -name '*.h' \) | sort)
if ! $check; then
  "$format" -i --style=file "${files[@]}"
  exit 0
fi
# One clang-format per file, in parallel; a file it reports on (or fails on) is listed.
mapfile -t differ < <(printf '%s\0' "${files[@]}" | xargs -0 -P "$(nproc)" -n 1 sh -c \
  '"$0" --dry-run -Werror --style=file "$1" >/dev/null 2>&1 || echo "$1"' "$format" | sort)
if [ ${#differ[@]} -gt 0 ]; then
  printf '%s\n' "${differ[@]}"
  echo "format: ${#differ[@]} file(s) differ from .clang-format; scripts/format.sh formats them" >&2
  exit 1
fi
echo "format: every file matches .clang-format"
