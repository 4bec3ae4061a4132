#!/bin/bash
# Runs a server test (the arguments) against the run's throwaway PostgreSQL server, whose
# folder QUENDARX_TEST_SERVER names (see server_cluster.sh): with the libpq variables of its
# "env"; when no server could be started, not at all (exit 77, saying why). A server the
# caller names (PGHOST set, e.g. under pg_virtualenv) is used as it is.
set -euo pipefail
dir=${QUENDARX_TEST_SERVER:?names no folder}
if [ -z "${PGHOST:-}" ]; then
  if [ -f "$dir/none" ]; then
    echo "no PostgreSQL server for this run: $(cat "$dir/none")"
    exit 77
  fi
  if [ -f "$dir/env" ]; then
    set -a
    . "$dir/env"
    set +a
  fi
fi
exec "$@"
