#!/usr/bin/env bash
# Installs the Debian 12 packages Quendarx needs to build, test and run its demo.
# Idempotent: packages already present are skipped; nothing is fetched from outside Debian.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-14 libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc libqt6printsupport6
  libgl-dev
  libsqlite3-dev sqlite3 unixodbc unixodbc-dev libsqliteodbc
  libgtest-dev libgmock-dev libbenchmark-dev
  poppler-utils fonts-liberation2 xvfb xauth
  openbox xdotool x11-utils fonts-wine qt6-translations-l10n
  dpkg-dev file
  libpq-dev libssl-dev postgresql postgresql-common odbc-postgresql
  clang-format clang-tidy ccache
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The SQLite ODBC driver registers itself as "SQLite3"; make sure the entry exists.
if ! odbcinst -q -d 2>/dev/null | grep -qx '\[SQLite3\]'; then
  lib=$(find /usr/lib -name libsqlite3odbc.so 2>/dev/null | head -n1)
  if [ -n "$lib" ]; then
    tmp=$(mktemp)
    printf '[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=%s\nSetup=%s\nUsageCount=1\n' "$lib" "$lib" >"$tmp"
    SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO odbcinst -i -d -f "$tmp" >/dev/null
    rm -f "$tmp"
  fi
fi
echo "Dependencies are in place."
