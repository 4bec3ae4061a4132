#!/usr/bin/env bash
# Builds the Debian package build/quendarx_<version>_<arch>.deb: the default preset's build,
# configured for /usr, with only the library and the two programs built.
#   scripts/package.sh            then: sudo apt install ./build/quendarx_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${JOBS:-$(nproc)}"

# The install step must not wait for the whole tree (tests, benchmarks): the three
# installed targets are built explicitly below.
cmake --preset default -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build --preset default -j "$jobs" --target quendarx quendarx-host quendarx-db
rm -f build/quendarx_*.deb
(cd build && cpack -G DEB)
ls build/quendarx_*.deb
