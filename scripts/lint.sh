#!/usr/bin/env bash
# Holds the code to the house habits:
#   1. format: every tracked C++ file is as clang-format (.clang-format) writes it;
#   2. tidy:   clang-tidy (.clang-tidy) finds nothing in the translation units of src/ and
#              host/ nor in the project's own headers they include.
# Usage: scripts/lint.sh [format|tidy|all] (default all). tidy needs the compile
# commands of a configured default build (cmake --preset default) whose generated sources
# (moc) exist, i.e. a build that has run.
# To apply the style instead of checking it: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
what=${1:-all}
build=${QUENDARX_LINT_BUILD:-build}

format_check() {
  echo "== lint: clang-format $(clang-format --version | grep -o '[0-9][0-9.]*' | head -n1)"
  local log status=0
  log=$(mktemp)
  git ls-files -z '*.cpp' '*.h' '*.hpp' '*.cc' | xargs -0 -r clang-format --dry-run -Werror 2>"$log" || status=$?
  if [ "$status" -ne 0 ]; then
    head -n 60 "$log"
    echo "lint: places that differ from the house style, by file:" >&2
    grep -o -E '^[^: ]+:[0-9]+:[0-9]+: error' "$log" | cut -d: -f1 | sort | uniq -c | sort -rn >&2
    echo "lint: apply the style with: git ls-files '*.cpp' '*.h' | xargs clang-format -i" >&2
  fi
  rm -f "$log"
  return "$status"
}

tidy_check() {
  if [ ! -f "$build/compile_commands.json" ]; then
    echo "lint: no $build/compile_commands.json; configure and build first (cmake --preset default)" >&2
    return 1
  fi
  echo "== lint: clang-tidy $(clang-tidy --version | grep -o 'version [0-9.]*' | head -n1) on src/ and host/"
  # Only the project's own sources (the generated moc files live under the build folder and
  # are left out); findings only in the project's own headers, never in Qt's. Units found
  # clean before, with nothing they include changed since, are not checked again.
  python3 scripts/tidy.py "$root" "$build" "$(nproc)"
}

case "$what" in
  format) format_check ;;
  tidy) tidy_check ;;
  all) format_check && tidy_check ;;
  *) echo "usage: $0 [format|tidy|all]" >&2; exit 2 ;;
esac
