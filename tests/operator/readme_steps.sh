#!/bin/bash
# Runs the operator's command blocks of the README as written, on a scratch folder standing
# for /srv/aduana and, for the server steps, the server the libpq variables name (PGHOST,
# PGPORT, PGUSER, PGPASSWORD: the run's throwaway one under ctest) standing for "server",
# its superuser for "sudo -u postgres".
#   readme_steps.sh file|server README BINDIR
# Exit 0 when every step did what the README says, 77 without the sqlite3 shell.
set -euo pipefail
part=$1 readme=$2 bin=$3

if [ "$part" = server ] && [ -z "${PGHOST:-}" ]; then
  echo "no PostgreSQL server named (PGHOST): run it with ctest (ctest -R operator.server-steps), which starts one"
  exit 1
fi
command -v sqlite3 >/dev/null || { echo "the sqlite3 shell is missing"; exit 77; }

work=$(mktemp -d -t quendarx-operator.XXXXXX)
trap 'rm -rf "$work"' EXIT
srv=$work/srv/aduana
mkdir -p "$srv/backup" "$work/home"
export PATH="$bin:$PATH" HOME="$work/home"
superuser_password=${PGPASSWORD:-}
unset PGPASSWORD # every login below finds its password in ~/.pgpass, as the README says
server="${PGHOST:-localhost}:${PGPORT:-5432}"

# The commands of one step, as the README writes them, for this machine.
step() {
  awk -v name="$1" '
    index($0, "<!-- step: " name " -->") { want = 1; next }
    want && /^ *```sh/ { inside = 1; next }
    inside && /^ *```/ { exit }
    inside { sub(/^  /, ""); print }' "$readme" |
    sed -e "s|/srv/aduana|$srv|g" -e "s|@server/|@$server/|g" -e "s|^server:5432:|$server:|"
}

# Runs one step (standard input: what its prompts are answered), with no terminal, so
# a password prompt reads standard input.
run() {
  local text
  text=$(step "$1")
  if [ -z "$text" ]; then
    echo "FAIL: no step $1 in the README"
    exit 1
  fi
  printf '== %s\n%s\n' "$1" "$text"
  setsid -w env SUPERUSER_PASSWORD="$superuser_password" bash -c '
    set -euo pipefail
    sudo() { [ "$1" = -u ] && shift 2; PGPASSWORD=$SUPERUSER_PASSWORD PGUSER=postgres "$@"; }
    '"$text"
}

fail() {
  echo "FAIL: $*"
  exit 1
}

# Stdout of a command that must succeed, trimmed.
value() { "$@" | tr -d '\n'; }

if [ "$part" = file ]; then
  quendarx-db sample "$srv/stock.db" >/dev/null
  run file-backup
  [ "$(value quendarx-db sql "$srv/backup/stock-copy.db" "select count(*) from CANCELACIONES")" = 3 ] ||
    fail "the backup lacks the cancellations"

  # After the backup, a program deletes the cancellations and is killed before it closes
  # the file: its journal stays beside the stock.
  sqlite3 "$srv/stock.db" "pragma wal_autocheckpoint=0" "delete from CANCELACIONES" '.system kill -9 $PPID' \
    >/dev/null 2>&1 || true
  [ -s "$srv/stock.db-wal" ] || fail "no journal was left behind"

  # The copy the README warns against gives back what the journal holds, not the backup.
  mkdir "$work/naive"
  cp "$srv/stock.db-wal" "$srv/stock.db-shm" "$work/naive/"
  cp "$srv/backup/stock-copy.db" "$work/naive/stock.db"
  if quendarx-db check "$work/naive/stock.db" >/dev/null 2>&1 &&
    [ "$(value quendarx-db sql "$work/naive/stock.db" "select count(*) from CANCELACIONES")" = 3 ]; then
    fail "a copy over a stock with a journal left behind came out whole: the README's warning is wrong"
  fi

  run file-restore
  [ "$(value quendarx-db sql "$srv/stock.db" "select count(*) from CANCELACIONES")" = 3 ] ||
    fail "the restored stock lacks the cancellations"
  echo "the file steps ran as written"
  exit 0
fi

admin=postgresql://stockadmin@$server/stock
clerk=postgresql://maria@$server/stock
quendarx-db sample "$srv/stock.db" >/dev/null

run pgpass
run server-setup <<<$'the-admin-password\nthe-admin-password'
run clerk-logins <<<$'marias-password\nmarias-password'
run move-to-server
[ -e "$srv/stock.db.moved-to-server" ] && [ ! -e "$srv/stock.db" ] || fail "the file was not retired"

# A clerk reads and writes every table's rows with the rights given, and nothing more.
quendarx-db check "$clerk" >/dev/null
quendarx-db sql "$clerk" "insert into OPERACIONES (NUMERO, INTNDC) values ('1', 'X-1');
  insert into ARTICULOS (INTNDC, ARTINO, ARTSNO, ARTCAN, ARTDSC) values ('x-1', 1, 0, 5, 5);
  update ARTICULOS set ARTDSC = 5 where INTNDC = 'X-1';
  delete from ARTICULOS where INTNDC = 'X-1'; delete from OPERACIONES where INTNDC = 'x-1'" 2>/dev/null
if quendarx-db sql "$clerk" "drop table CANCELACIONES" 2>/dev/null; then
  fail "a clerk may drop the stock's tables"
fi

run server-backup
[ "$(value quendarx-db sql "$srv/backup/stock-from-server.db" "select count(*) from CANCELACIONES")" = 3 ] ||
  fail "the file copy of the server lacks the cancellations"
quendarx-db sql "$admin" "delete from CANCELACIONES" 2>/dev/null

run server-restore
[ "$(value quendarx-db sql "$clerk" "select count(*) from CANCELACIONES")" = 3 ] ||
  fail "the restored server stock lacks the cancellations, or a clerk cannot read it"
quendarx-db sql "$clerk" "update ARTICULOS set ARTDSC = ARTDSC where ARTINO = 1" 2>/dev/null
echo "the server steps ran as written"
