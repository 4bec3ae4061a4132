#!/usr/bin/env bash
# quendarx-db end to end: init never overwrites, sample and sample-outside make what they
# promise, sql runs with the library's engine functions.
set -u
tool="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
failures=0
check() { # description, expected, actual
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else echo "FAIL $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}

"$tool" init "$dir/stock.db" >/dev/null
check "init creates the file" 0 $?
before="$(md5sum < "$dir/stock.db")"
"$tool" init "$dir/stock.db" >/dev/null 2>&1
check "init refuses an existing file" 1 $?
check "init leaves an existing file alone" "$before" "$(md5sum < "$dir/stock.db")"

"$tool" sql "$dir/missing.db" "select 1" >/dev/null 2>&1
check "sql on a missing file fails" 1 $?
check "sql creates no file" "no" "$([[ -e "$dir/missing.db" ]] && echo yes || echo no)"
check "sql reads regional numbers" "12.5" "$("$tool" --locale es_AR sql "$dir/stock.db" "select cdbl('12,5')")"

"$tool" sample "$dir/sample.db" >/dev/null
check "sample creates a missing file" 0 $?
q() { "$tool" sql "$dir/sample.db" "$1"; }
check "sample declarations" "4" "$(q "select count(*) from OPERACIONES")"
check "sample dates are distinct and ISO" "4" "$(q "select count(distinct INTFOF) from OPERACIONES where INTFOF like '____-__-__'")"
check "a fully cancelled article" "1" "$(q "select count(*) from ARTICULOS a join CANCELACIONES c using (INTNDC, ARTINO, ARTSNO) where a.ARTDSC = 0 and c.ARTCDS = a.ARTCAN")"
check "an article without tariff position" "1" "$(q "select count(*) from ARTICULOS where ARTNCM is null")"
check "available = quantity - cancelled" "0" "$(q "select count(*) from ARTICULOS a where abs(a.ARTDSC - (a.ARTCAN - (select coalesce(sum(ARTCDS), 0) from CANCELACIONES c where c.INTNDC = a.INTNDC and c.ARTINO = a.ARTINO and c.ARTSNO = a.ARTSNO))) > 0.001")"

"$tool" sample-outside "$dir/outside.db" >/dev/null
check "sample-outside creates the file" 0 $?
"$tool" sample-outside "$dir/outside.db" >/dev/null 2>&1
check "sample-outside refuses an existing file" 1 $?
o() { sqlite3 "$dir/outside.db" "$1"; }
check "the large internal number" "1000|5000" "$(o "select (select count(*) from item where interno = '2005'), (select count(*) from groupsubitems where interno = '2005')")"
check "an item with id 0" "1" "$(o "select count(*) from item where interno = '2003' and id = 0")"
check "a gap in item ids" "1,2,4" "$(o "select group_concat(id) from (select id from item where interno = '2004' order by id)")"
check "several sub-items per item" "3" "$(o "select count(*) from groupsubitems where interno = '2002' and id = 1")"

echo "$(( $(grep -c '^check ' "$0") - failures )) passed, $failures failed"
[[ $failures -eq 0 ]]
