#!/bin/bash
# A plain C++ host (no Qt) in a real desktop: Xvfb, a window manager, xdotool as the
# clerk. The boxes the library shows appear as windows of the host's process and the call
# returns only once a box is answered. The same host without a display gets its False and
# the box in the log, and is not ended.
#     desktop_test.sh PLAINHOST COREHOST LIBRARY QUENDARX_DB WORK
# Run by ctest through run-desktop.sh (see CMakeLists.txt), or by hand the same way.
set -u
host=$1 corehost=$2 library=$3 db=$4 work=$5
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
unset QT_QPA_PLATFORM
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

"$db" init stock.db >/dev/null || exit 1
"$db" sql stock.db "insert into ARTICULOS values ('A-1','D-1',3,1,'8471',10,1,10,6)" >/dev/null || exit 1
"$db" sql stock.db "insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,EXTNRO,EXTITM) values (1,'D-1',3,1,4,'EXP-1',1)" >/dev/null || exit 1
cancellations() { "$db" sql stock.db "select count(*) from CANCELACIONES"; }

# Waits for a visible window of the host's process; its id on standard output.
window_of() {
    local pid=$1 id
    for _ in $(seq 1 150); do
        id=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# Runs the host on STEPs, waits for its box, checks that the call has not returned while
# the box is open, answers with KEY and checks the transcript.
#     answered NAME KEY EXPECTED_RESULT_LINE STEP...
answered() {
    local name=$1 key=$2 expected=$3
    shift 3
    QUENDARX_LOG=$work/$name.log "$host" "$library" "$@" >"$name.out" 2>"$name.err" &
    local pid=$! id
    if ! id=$(window_of "$pid"); then
        fail "$name: no window appeared"; cat "$name.out" "$name.err"; kill "$pid" 2>/dev/null; wait "$pid"; return
    fi
    sleep 0.3
    kill -0 "$pid" 2>/dev/null || fail "$name: the host ended while its box was open"
    local member
    member=$(echo "$expected" | cut -d' ' -f2)
    [ "$(tail -n 1 "$name.out")" = "CALL $member" ] ||
        fail "$name: $member returned while its box was open: $(tail -n 1 "$name.out")"
    echo "$name: box window $id \"$(xdotool getwindowname "$id")\" over the waiting call"
    xdotool windowactivate --sync "$id" >/dev/null 2>&1
    xdotool key "$key"
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
        fail "$name: the host still waits after the answer"; kill "$pid"
    fi
    wait "$pid"
    grep -qx "$expected" "$name.out" || { fail "$name: expected \"$expected\""; cat "$name.out" "$name.err"; }
}

# 1. A stock file that is not there: the error box, then False.
answered connect Return "RESULT Conectar_DB False" put Ubicacion_Base_Datos "$work/missing.db" call Conectar_DB
# 2. The confirmation answered No (Escape): nothing deleted.
answered refuse Escape "RESULT Eliminar_Articulo False" put Ubicacion_Base_Datos "$work/stock.db" \
    call Conectar_DB put Numero_Interno EXP-1 put Item 1 delete D-1 3 1
[ "$(cancellations)" = 1 ] || fail "refuse: the cancellation is gone"
# 3. The confirmation answered Yes (Enter on the default button): deleted.
answered confirm Return "RESULT Eliminar_Articulo True" put Ubicacion_Base_Datos "$work/stock.db" \
    call Conectar_DB put Numero_Interno EXP-1 put Item 1 delete D-1 3 1
[ "$(cancellations)" = 0 ] || fail "confirm: the cancellation is still there"

# 4. No display at all: nothing shown, nothing ends the host, the box is in the log.
"$db" sql stock.db "insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,EXTNRO,EXTITM) values (1,'D-1',3,1,4,'EXP-1',1)" >/dev/null
env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE QUENDARX_LOG="$work/headless.log" \
    timeout 60 "$host" "$library" put Ubicacion_Base_Datos "$work/missing.db" call Conectar_DB \
    put Ubicacion_Base_Datos "$work/stock.db" call Conectar_DB put Numero_Interno EXP-1 put Item 1 \
    delete D-1 3 1 call Ingresar_Cancelaciones call Imprimir >headless.out 2>headless.err
status=$?
[ $status = 0 ] || fail "headless: the host ended with status $status"
expect_line() { grep -qx "$2" "$1" || fail "$1: no line \"$2\""; }
expect_log() { grep -q "$2" "$1" || fail "$1: nothing logged like \"$2\""; }
expect_line headless.out "RESULT Conectar_DB False"
expect_line headless.out "RESULT Conectar_DB True"
expect_line headless.out "RESULT Eliminar_Articulo False"
expect_line headless.out "RESULT Ingresar_Cancelaciones False"
grep -q '^ERROR Imprimir 5 Screens cannot be shown: no display can be reached' headless.out ||
    fail "headless: Imprimir did not fail back to the host"
expect_line headless.out END
expect_log headless.log "message box not shown, no display can be reached.*answered OK: .*Conectar_DB"
expect_log headless.log "message box not shown, no display can be reached.*answered No: Confirma eliminar"
expect_log headless.log "screen not shown: no display can be reached"
[ "$(cancellations)" = 1 ] || fail "headless: a cancellation was deleted without asking"

# 5. A display named but not there: the same, never the end of the host.
DISPLAY=:4242 QUENDARX_LOG="$work/gone.log" timeout 60 "$host" "$library" \
    put Ubicacion_Base_Datos "$work/missing.db" call Conectar_DB >gone.out 2>gone.err
status=$?
[ $status = 0 ] || fail "gone: the host ended with status $status"
expect_line gone.out "RESULT Conectar_DB False"
expect_log gone.log 'message box not shown, no display can be reached (platform xcb, DISPLAY ":4242"'

# 6. A Qt host without windows (a QCoreApplication), with the display there: no window of
# the library's, no end of the host.
QUENDARX_LOG="$work/core.log" timeout 60 "$corehost" "$library" put Ubicacion_Base_Datos "$work/missing.db" \
    call Conectar_DB put Ubicacion_Base_Datos "$work/stock.db" call Conectar_DB put Numero_Interno EXP-1 \
    put Item 1 delete D-1 3 1 call Ingresar_Cancelaciones call Imprimir >core.out 2>core.err
status=$?
[ $status = 0 ] || fail "core: the host ended with status $status"
expect_line core.out "RESULT Conectar_DB False"
expect_line core.out "RESULT Eliminar_Articulo False"
expect_line core.out "RESULT Ingresar_Cancelaciones False"
grep -q '^ERROR Imprimir 5 Screens cannot be shown: the host runs a Qt application without windows' core.out ||
    fail "core: Imprimir did not fail back to the host"
expect_log core.log "message box not shown, the host runs a Qt application without windows (QCoreApplication); answered No: Confirma"
[ "$(cancellations)" = 1 ] || fail "core: a cancellation was deleted without asking"

[ $fails = 0 ] && echo "desktop host: all checks passed"
exit $((fails > 0))
