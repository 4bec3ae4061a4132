#!/usr/bin/env bash
# The demo: installs what is missing, builds, creates a sample stock database and a
# sample outside customs database in a scratch folder, and runs the whole job through
# the host script runner, printing its transcript.
#   bash scripts/demo.sh                 headless, transcript on standard output
#   bash scripts/demo.sh --gui           the same script with the screens in real windows
#   bash scripts/demo.sh --interactive   the interactive host window on the same databases
# QUENDARX_DEMO_DIR chooses the scratch folder (default: a new temporary one).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
mode=${1:-}

bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quendarx-host quendarx-db

work=${QUENDARX_DEMO_DIR:-$(mktemp -d -t quendarx-demo.XXXXXX)}
mkdir -p "$work"
rm -f "$work/stock.db" "$work/brevik.db" "$work"/*.pdf
export QUENDARX_REGISTRY="$work/registry.ini"
bin="$root/build/bin"
cd "$work"
"$bin/quendarx-db" init stock.db
"$bin/quendarx-db" sample-outside brevik.db >/dev/null
echo "== Scratch folder: $work (stock.db, brevik.db)"

case "$mode" in
--interactive)
  exec "$bin/quendarx-host"
  ;;
--gui)
  "$bin/quendarx-host" --script "$root/demo/demo.qxs" --gui
  ;;
*)
  "$bin/quendarx-host" --script "$root/demo/demo.qxs"
  ;;
esac
echo "== Listing saved as $work/cancelaciones-26001EC01000055K.pdf"
