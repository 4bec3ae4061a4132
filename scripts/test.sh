#!/usr/bin/env bash
# Builds Quendarx and runs the whole test suite twice: a normal build, then a build
# under AddressSanitizer + UndefinedBehaviorSanitizer. Installs missing Debian packages.
# Each run includes server.run: the tests of the stock on a PostgreSQL server, against a
# throwaway server pg_virtualenv starts.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

for preset in default asan; do
  echo "== ${preset}: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== ${preset}: tests"
  ctest --preset "$preset" -j "$jobs"
done

echo "== fuzz: a short run of each fuzz target"
bash scripts/fuzz.sh 10
