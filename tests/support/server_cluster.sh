#!/bin/bash
# The throwaway PostgreSQL server of one test run, in a folder of the build tree.
#   server_cluster.sh start|stop DIR
# start: a new cluster in DIR/data (its data in memory, /dev/shm, where it can; run by the
#   postgres user when started as root, since the server refuses to run as root), listening
#   on 127.0.0.1 only, at a free port, with password logins; its libpq variables go to
#   DIR/env. When this machine cannot run a server (no server programs, no postgres user),
#   the reason goes to DIR/none, it is said once here, and the exit status is still 0: the
#   server tests are then skipped.
# stop: stops the cluster and removes it and DIR.
set -euo pipefail
action=${1:?start or stop} dir=${2:?folder}

as_owner() {
  if [ "$(id -u)" = 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

# The folder of the server programs: those on PATH, else the newest installed version.
server_programs() {
  local initdb
  if initdb=$(command -v initdb); then
    dirname "$(readlink -f "$initdb")"
    return
  fi
  find /usr/lib/postgresql -mindepth 2 -maxdepth 2 -name bin 2>/dev/null | sort -V | tail -n 1
}

stop_cluster() {
  local data
  data=$(readlink -f "$dir/data" || true)
  if [ -f "$data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$data" -m immediate -w stop >/dev/null || true
    [ "$action" != stop ] || echo "stopped after ${SECONDS} s ($(du -sh "$data" | cut -f1) of data)"
  fi
  case $data in
  /dev/shm/quendarx-pg.*/data) rm -rf "${data%/data}" ;;
  esac
  rm -rf "$dir"
}

no_server() {
  mkdir -p "$dir"
  echo "$*" >"$dir/none"
  echo "no PostgreSQL server for this run, the server tests are skipped: $*"
  exit 0
}

bin=$(server_programs)
if [ "$action" = stop ]; then
  SECONDS=0
  [ -z "$bin" ] || stop_cluster
  rm -rf "$dir"
  echo "PostgreSQL server stopped and removed in ${SECONDS} s"
  exit 0
fi
[ "$action" = start ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

# A cluster left by a run that was killed goes first.
if [ -n "$bin" ]; then
  stop_cluster
else
  rm -rf "$dir"
fi
[ -n "$bin" ] && [ -x "$bin/initdb" ] && [ -x "$bin/pg_ctl" ] ||
  no_server "the PostgreSQL server programs (initdb, pg_ctl) are not installed"
if [ "$(id -u)" = 0 ]; then
  id postgres >/dev/null 2>&1 || no_server "there is no postgres user to run the server"
fi

# The server's own folder (its data, its log) is in memory where it can: it is thrown away,
# the databases the tests make then cost no disk writes, and the postgres user needs no
# way into the build tree. DIR/data leads to the data.
mkdir -p "$dir"
if [ -d /dev/shm ] && [ -w /dev/shm ] && home=$(mktemp -d /dev/shm/quendarx-pg.XXXXXX); then
  ln -s "$home/data" "$dir/data"
else
  home=$dir
fi
data=$home/data
password=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
echo "$password" >"$home/password"
chmod 600 "$home/password"
[ "$(id -u)" != 0 ] || chown -R postgres: "$home"
as_owner "$bin/initdb" -D "$data" -U postgres --pwfile="$home/password" --auth=scram-sha-256 \
  --encoding=UTF8 --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1 ||
  { cat "$dir/initdb.log"; exit 1; }
rm -f "$home/password"

# Loopback only, no socket file; no durability (a throwaway server), and a small write-ahead
# log, which keeps the folder, and its removal by stop, small.
options="-c listen_addresses=127.0.0.1 -c unix_socket_directories='' -c fsync=off -c full_page_writes=off"
options+=" -c wal_level=minimal -c max_wal_senders=0 -c max_wal_size=48MB -c min_wal_size=32MB"

# A port outside the kernel's range for outgoing connections; another server (another
# build folder's run) may hold it, so a few are tried.
for _ in 1 2 3 4 5 6 7 8; do
  port=$((10000 + RANDOM % 22000))
  rm -f "$home/server.log"
  if as_owner "$bin/pg_ctl" -D "$data" -l "$home/server.log" -w -t 60 -s \
    -o "-p $port $options" start; then
    (umask 077 && cat >"$dir/env") <<EOF
PGHOST=127.0.0.1
PGPORT=$port
PGUSER=postgres
PGPASSWORD=$password
PGDATABASE=postgres
EOF
    echo "PostgreSQL server at 127.0.0.1:$port (data in $data)"
    exit 0
  fi
  grep -q "could not bind" "$home/server.log" || break
done
echo "the PostgreSQL server did not start; its log:"
tail -n 30 "$home/server.log"
exit 1
