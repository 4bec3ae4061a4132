#!/usr/bin/env bash
# Builds Quendarx and runs the whole test suite twice: a normal build, then a build
# under AddressSanitizer + UndefinedBehaviorSanitizer. Installs missing Debian packages.
# Each run includes the tests of the stock on a PostgreSQL server, against one throwaway
# server the run starts (server.start) and removes (server.stop) in its build folder.
# Before the tests of the normal build, the code is held to the house style and to
# clang-tidy (scripts/lint.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
# The compiler cache is shared by every copy of the repository on this machine: paths are
# hashed relative to the copy, and fresh clones' headers count as unchanged.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
jobs=$(nproc)

bash scripts/lint.sh format

for preset in default asan; do
  echo "== ${preset}: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  if [ "$preset" = default ]; then
    bash scripts/lint.sh tidy
  fi
  echo "== ${preset}: tests"
  ctest --preset "$preset" -j "$jobs"
done

echo "== fuzz: a short run of each fuzz target"
bash scripts/fuzz.sh 10
