#!/usr/bin/env bash
# The demo: installs what is missing, builds, creates a sample stock database and a
# sample outside customs database in a scratch folder, and runs the whole job through
# the host script runner, printing its transcript.
#   bash scripts/demo.sh                 headless, transcript on standard output
#   bash scripts/demo.sh --gui           the same script with the screens in real windows
#   bash scripts/demo.sh --interactive   the interactive host window on the same databases
#   bash scripts/demo.sh --server        headless, with the stock on a throwaway PostgreSQL
#                                        server (pg_virtualenv) instead of stock.db
# QUENDARX_DEMO_DIR chooses the scratch folder (default: a new temporary one).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
mode=${1:-}

if [ "$mode" = --server ] && [ -z "${PGHOST:-}" ]; then
  # Again inside a throwaway server, which pg_virtualenv drops when the demo ends.
  bash scripts/install-deps.sh
  exec pg_virtualenv -t bash "$0" --server
fi
[ -n "${PGHOST:-}" ] && [ "$mode" = --server ] || bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quendarx-host quendarx-db

work=${QUENDARX_DEMO_DIR:-$(mktemp -d -t quendarx-demo.XXXXXX)}
mkdir -p "$work"
rm -f "$work/stock.db" "$work/brevik.db" "$work"/*.pdf
export QUENDARX_REGISTRY="$work/registry.ini"
bin="$root/build/bin"
cd "$work"
script="$root/demo/demo.qxs"
server=""
if [ "$mode" = --server ]; then
  server="postgresql://$PGUSER@$PGHOST:$PGPORT" # the password stays in PGPASSWORD, out of ps
  "$bin/quendarx-db" sql "$server/postgres" "create database quendarx_demo" >/dev/null
  "$bin/quendarx-db" init "$server/quendarx_demo"
  # The same script, its stock on the server.
  sed "s|\"stock.db\"|\"$server/quendarx_demo\"|" "$script" >"$work/demo-server.qxs"
  script="$work/demo-server.qxs"
else
  "$bin/quendarx-db" init stock.db
fi
"$bin/quendarx-db" sample-outside brevik.db >/dev/null
echo "== Scratch folder: $work (${server:+stock on the server, }brevik.db)"

case "$mode" in
--interactive)
  exec "$bin/quendarx-host"
  ;;
--gui)
  "$bin/quendarx-host" --script "$script" --gui
  ;;
*)
  "$bin/quendarx-host" --script "$script"
  ;;
esac
echo "== Listing saved as $work/cancelaciones-26001EC01000055K.pdf"
