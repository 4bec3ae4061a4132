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
