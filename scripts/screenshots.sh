#!/usr/bin/env bash
# Pictures of every screen with sample data, in real windows on a private X display with
# the openbox window manager (as the real-desktop tests run them), saved as PNG in
# docs/screenshots/: the six screens of the library (scripts/screenshots.qxs, through the
# host script runner's `shot` action) and the interactive host window
# (quendarx-host --screenshot).
#   bash scripts/screenshots.sh
# QUENDARX_BUILD_DIR chooses a build folder that already has quendarx-host and
# quendarx-db (default: build/, configured and built with the default preset).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out="$root/docs/screenshots"

if [ -n "${QUENDARX_BUILD_DIR:-}" ]; then
  bin="$QUENDARX_BUILD_DIR/bin"
else
  bash scripts/install-deps.sh
  cmake --preset default >/dev/null
  cmake --build --preset default --target quendarx-host quendarx-db
  bin="$root/build/bin"
fi

work=$(mktemp -d -t quendarx-shots.XXXXXX) # kept when a step fails, for its transcript
cd "$work"
export QUENDARX_REGISTRY="$work/registry.ini"
export XDG_CONFIG_HOME="$work/config"
export LC_ALL=C.UTF-8
unset QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE

# The same faces on every machine: the screens draw with their own Tahoma (the library
# loads it), Qt's default sans-serif is Liberation Sans, "Courier New" is Liberation Mono.
cat >"$work/fonts.conf" <<'XML'
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <alias binding="strong"><family>Sans Serif</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias binding="strong"><family>sans-serif</family><prefer><family>Liberation Sans</family></prefer></alias>
</fontconfig>
XML
export FONTCONFIG_FILE="$work/fonts.conf"

"$bin/quendarx-db" sample stock.db >/dev/null
"$bin/quendarx-db" sample-outside brevik.db >/dev/null

desktop=(bash "$root/tests/desktop/run-desktop.sh")
"${desktop[@]}" "$bin/quendarx-host" --script "$root/scripts/screenshots.qxs" --gui >transcript.txt
grep '^SHOT ' transcript.txt

# The interactive host window as a clerk leaves it after connecting and listing item 1.
"${desktop[@]}" "$bin/quendarx-host" --locale es_AR \
  --set txtInterno=26001EC01000055K --set txtItem=1 --set txtInternoBrevik=2002 \
  --set cboImpresora=Oficina-Laser \
  --press Conectar_DB --press ObtenerCancelacion --screenshot quendarx-host.png

mkdir -p "$out"
for f in frmImportar frmDespachos frmArticulos frmRelArt frmModifcar frmImprimir quendarx-host; do
  cp "$f.png" "$out/$f.png"
done
rm -rf "$work"
echo "== Pictures in $out"
ls -l "$out"
