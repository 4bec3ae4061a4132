#!/usr/bin/env bash
# The installed Quendarx as a host author meets it.
#   package_test.sh install              cmake --install into $PACKAGE_PREFIX; the tree's shape
#   package_test.sh find-package WORK    installed host runner registers a cancellation; an
#                                        outside program built with find_package reads it back
#   package_test.sh pkg-config WORK      an outside program built from the pkg-config flags,
#                                        loading the library with dlopen (and one linking it)
# The build passes the rest in PACKAGE_* variables (tests/package/CMakeLists.txt).
set -u
mode="$1"
prefix="$PACKAGE_PREFIX"
libdir="$prefix/$PACKAGE_LIBDIR"
failures=0
checks=0
check() { # description, expected, actual
    checks=$((checks + 1))
    if [[ "$2" == "$3" ]]; then
        echo "ok   $1"
    else
        printf 'FAIL %s\n  expected: %s\n  got:      %s\n' "$1" "$2" "$3"
        failures=$((failures + 1))
    fi
}
finish() {
    echo "$((checks - failures)) passed, $failures failed"
    [[ $failures -eq 0 ]]
    exit
}
db() { "$prefix/bin/quendarx-db" "$@"; }

# A stock database holding declaration D-100 with one article of 10 units.
make_stock() {
    db init "$1" >/dev/null &&
        db sql "$1" "insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values ('7', 'D-100', 'Prueba', '2026-11-02')" &&
        db sql "$1" "insert into ARTICULOS (ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, ARTFOB, ARTDSC)
                     values ('ART-1', 'D-100', 1, 0, '8471.30.00', 10, 1.5, 15, 10)"
}

fresh_work() {
    rm -rf "$1" && mkdir -p "$1"
}

case "$mode" in
install)
    rm -rf "$prefix"
    "$PACKAGE_CMAKE" --install "$PACKAGE_BUILD_DIR" --prefix "$prefix" >/dev/null
    check "cmake --install succeeds" 0 $?
    check "the linker name points at the SONAME" "libquendarx.so.1" "$(readlink "$libdir/libquendarx.so")"
    check "the SONAME points at the versioned file" "libquendarx.so.1.0.0" "$(readlink "$libdir/libquendarx.so.1")"
    check "the library's SONAME" "libquendarx.so.1" \
        "$(readelf -d "$libdir/libquendarx.so.1.0.0" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')"
    check "the library carries no run path" "" "$(readelf -d "$libdir/libquendarx.so.1.0.0" | grep -E 'R(UN)?PATH')"
    check "the public header" "yes" "$([[ -f "$prefix/include/quendarx/automation.h" ]] && echo yes)"
    for program in quendarx-host quendarx-db; do
        check "$program finds the library beside it" "yes" \
            "$(readelf -d "$prefix/bin/$program" | grep -qF "[\$ORIGIN/../$PACKAGE_LIBDIR]" && echo yes)"
    done
    targets="$libdir/cmake/Quendarx/QuendarxTargets.cmake"
    check "the exported target file" "yes" "$([[ -f "$targets" ]] && echo yes)"
    check "the exported target names neither the static parts nor Qt" "" \
        "$(grep -hoE 'quendarx_[a-z]+|Qt6::[A-Za-z]+|SQLite::[A-Za-z0-9]+' "$libdir"/cmake/Quendarx/*.cmake | sort -u)"
    export PKG_CONFIG_PATH="$libdir/pkgconfig"
    check "pkg-config version" "1.0.0" "$(pkg-config --modversion quendarx)"
    check "pkg-config compile flags" "-I$prefix/include" "$(pkg-config --cflags quendarx | xargs)"
    check "pkg-config link flags" "-L$libdir -lquendarx" "$(pkg-config --libs quendarx | xargs)"
    finish
    ;;

find-package)
    work="$2"
    fresh_work "$work"
    make_stock "$work/stock.db"
    check "the installed quendarx-db makes a stock database" 0 $?
    cat >"$work/register.script" <<EOF
new cm clcancelMain
put cm Ubicacion_Base_Datos "$work/stock.db"
call cm Conectar_DB
put cm Numero_Interno "EXP-001"
put cm Item "1"
when frmDespachos key Enter
when frmArticulos select 0 ; key Enter ; key Escape
when frmRelArt text txtDescuento "2,5" ; text txtARTEXP "E-7" ; text txtARTORD "12" ; key F11
call cm Ingresar_Cancelaciones
EOF
    export QUENDARX_REGISTRY="$work/registry.ini"
    transcript="$("$prefix/bin/quendarx-host" --locale es_AR --script "$work/register.script")"
    check "the installed host runs the script to its end" 0 $?
    check "the host connects and registers" $'RESULT cm.Conectar_DB True\nRESULT cm.Ingresar_Cancelaciones True' \
        "$(grep '^RESULT' <<<"$transcript")"
    registered="$(sed -n 's/^Library=//p' "$QUENDARX_REGISTRY" | sort -u)"
    check "the host registered the installed library" "$(realpath "$libdir/libquendarx.so.1.0.0")" \
        "$(realpath "$registered")"
    check "the cancellation row" "1|D-100|1|0|2.5|E-7|12|EXP-001|1" \
        "$(db sql "$work/stock.db" "select LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTORD, EXTNRO, EXTITM from CANCELACIONES")"
    check "the article's available quantity" "7.5" \
        "$(db sql "$work/stock.db" "select ARTDSC from ARTICULOS where INTNDC = 'D-100'")"

    "$PACKAGE_CMAKE" -S "$PACKAGE_CONSUMER" -B "$work/build" -G "$PACKAGE_GENERATOR" \
        -DCMAKE_CXX_COMPILER="$PACKAGE_CXX" -DCMAKE_PREFIX_PATH="$prefix" >"$work/configure.log" 2>&1 &&
        "$PACKAGE_CMAKE" --build "$work/build" >"$work/build.log" 2>&1
    status=$?
    [[ $status -eq 0 ]] || cat "$work/configure.log" "$work/build.log"
    check "an outside host builds with find_package(Quendarx) alone" 0 $status
    check "the outside host reads the registration back" \
        $'Conectar_DB True\nObtener_Items True\nRecordCount 1 ARTCDS 2.5\nDllCanUnloadNow S_OK' \
        "$("$work/build/consumer" "$work/stock.db" EXP-001 1 2>&1)"
    finish
    ;;

pkg-config)
    work="$2"
    fresh_work "$work"
    make_stock "$work/stock.db" &&
        db sql "$work/stock.db" "insert into CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, ARTVEN,
                                 ARTORD, EXTNRO, EXTITM, EXTFDC)
                                 values (1, 'D-100', 1, 0, 4.25, '', 'C-1', '01/2027', NULL, 'EXP-9', 3, '2026-12-05 10:30:00')"
    check "a stock database with one cancellation" 0 $?
    export PKG_CONFIG_PATH="$libdir/pkgconfig"
    expected=$'Conectar_DB True\nObtener_Items True\nRecordCount 1 ARTCDS 4.25\nDllCanUnloadNow S_OK'
    source="$PACKAGE_CONSUMER/consumer.cpp"
    flags=(-std=c++20 -Wall -Wextra -Werror)

    # shellcheck disable=SC2046 # pkg-config's words are meant to split
    "$PACKAGE_CXX" "${flags[@]}" -DQUENDARX_CONSUMER_DLOPEN $(pkg-config --cflags quendarx) "$source" \
        -o "$work/consumer-dlopen" -ldl
    check "an outside host builds from the pkg-config compile flags" 0 $?
    check "the outside host loads the library with dlopen" "$expected" \
        "$("$work/consumer-dlopen" "$(pkg-config --variable=libdir quendarx)/libquendarx.so.1" "$work/stock.db" EXP-9 3 2>&1)"

    # shellcheck disable=SC2046
    "$PACKAGE_CXX" "${flags[@]}" $(pkg-config --cflags quendarx) "$source" -o "$work/consumer-linked" \
        $(pkg-config --libs quendarx)
    check "an outside host links with the pkg-config link flags" 0 $?
    check "the linked outside host gives the same" "$expected" \
        "$(LD_LIBRARY_PATH="$libdir" "$work/consumer-linked" "$work/stock.db" EXP-9 3 2>&1)"
    finish
    ;;
*)
    echo "usage: $0 install | find-package WORK | pkg-config WORK" >&2
    exit 2
    ;;
esac
