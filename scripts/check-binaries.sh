#!/bin/sh
# Checks the export and import tables of the built libraries against contract/.
#   check-binaries.sh <builddir> <objdump>
# For each contract/<lib>.exports whose <builddir>/bin/<lib>.dll exists:
#   - the export names equal the listed ones: undecorated (no @N), none
#     missing, none extra (tbsvc32 may add its TBCtl* test control names);
#     a listed "name @N" must have ordinal N;
#   - every imported DLL is listed in contract/<lib>.imports (case-insensitive),
#     so no libgcc/libstdc++/libwinpthread or other stray dependency;
#   - every name imported from tbsvc32.dll is a host service listed in
#     contract/tbsvc32.exports, never a TBCtl* control name.
# A library that is not built yet is skipped. TB_CONTRACT_DIR overrides the
# contract folder (used by the checker's own test).
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 <builddir> <objdump>" >&2
    exit 2
fi
builddir=$1
objdump=$2
here=$(cd "$(dirname "$0")" && pwd)
contract=${TB_CONTRACT_DIR:-$here/../contract}
services=$contract/tbsvc32.exports

# Contract lists: drop comments and blank lines.
list() { sed -e 's/#.*//' -e 's/[[:space:]]*$//' -e '/^[[:space:]]*$/d' -e 's/^[[:space:]]*//' "$1"; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

failures=0
checked=0
for expfile in "$contract"/*.exports; do
    lib=$(basename "$expfile" .exports)
    dll=$builddir/bin/$lib.dll
    if [ ! -f "$dll" ]; then
        echo "contract: $lib: not built, skipped"
        continue
    fi
    checked=$((checked + 1))
    "$objdump" -p "$dll" >"$tmp/dump" || { echo "contract: $lib: $objdump failed" >&2; failures=$((failures + 1)); continue; }
    impfile=$contract/$lib.imports
    [ -f "$impfile" ] || { echo "contract: $lib: missing $impfile" >&2; failures=$((failures + 1)); continue; }

    list "$expfile" >"$tmp/expected"
    list "$impfile" >"$tmp/allowed"
    list "$services" >"$tmp/services"

    problems=$(awk -v lib="$lib" '
        FNR == 1 { file = (FILENAME == ARGV[1]) ? 1 : (FILENAME == ARGV[2]) ? 2 : (FILENAME == ARGV[3]) ? 3 : 4 }
        # expected exports: "name" or "name @N"
        file == 1 { n = $1; want[n] = 1; if (NF > 1) { o = $2; sub(/^@/, "", o); wantord[n] = o } next }
        file == 2 { allowed[tolower($1)] = 1; next }
        file == 3 { service[$1] = 1; next }
        # objdump -p
        /^Export Address Table -- Ordinal Base/ { base = $NF + 0; next }
        /^\[Ordinal\/Name Pointer\] Table/ { inexp = 1; next }
        inexp && /^[ \t]*$/ { inexp = 0; next }
        inexp && /^\t\[/ {
            line = $0; sub(/^\t\[[ ]*/, "", line)
            idx = line; sub(/\].*/, "", idx)
            name = line; sub(/^[0-9]+\][ ]*/, "", name)
            got[name] = 1; gotord[name] = idx + base
            next
        }
        /^\tDLL Name: / { dllname = $3; inimp = 1; nimp++
            if (!(tolower(dllname) in allowed)) print "imports " dllname ", which is not in " lib ".imports"
            next }
        inimp && /^[ \t]*$/ { inimp = 0; next }
        inimp && /^\tvma:/ { next }
        inimp && tolower(dllname) == "tbsvc32.dll" && lib != "tbsvc32" {
            sym = $3
            if (sym == "") print "imports from tbsvc32.dll by ordinal only: " $0
            else if (sym ~ /^TBCtl/) print "imports the test control entry " sym " from tbsvc32.dll"
            else if (!(sym in service)) print "imports " sym " from tbsvc32.dll, which is not a listed host service"
            next
        }
        END {
            for (n in got) {
                if (n ~ /@/) print "exports a decorated name: " n
                else if (!(n in want) && !(lib == "tbsvc32" && n ~ /^TBCtl/)) print "exports " n ", which is not in " lib ".exports"
            }
            for (n in want) {
                if (!(n in got)) print "does not export " n
                else if ((n in wantord) && gotord[n] != wantord[n]) print "exports " n " as ordinal " gotord[n] ", expected " wantord[n]
            }
        }' "$tmp/expected" "$tmp/allowed" "$tmp/services" "$tmp/dump" | sort)

    if [ -n "$problems" ]; then
        echo "$problems" | sed "s/^/contract: $lib: FAIL: /" >&2
        failures=$((failures + 1))
    else
        echo "contract: $lib: ok ($(grep -c . "$tmp/expected") exports)"
    fi
done

if [ $failures -ne 0 ]; then
    echo "contract: $failures of $checked libraries in $builddir break the contract" >&2
    exit 1
fi
echo "contract: $checked libraries in $builddir match the contract"
