#!/bin/sh
# Proves that check-binaries.sh rejects what it exists to reject, on real DLLs
# built with the cross compiler: a decorated export, a missing export, a wrong
# ordinal, an add-in importing a TBCtl* control entry or an unlisted service,
# and a stray DLL dependency; and that it accepts a library that keeps the
# contract.
#   check-binaries-selftest.sh <c++ compiler> <objdump>
set -eu
cxx=$1
objdump=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/contract"
cd "$work"

cat >svc.cpp <<'SRC'
#include <windows.h>
extern "C" LPVOID WINAPI fastmalloc(DWORD cb) { return HeapAlloc(GetProcessHeap(), 0, cb); }
extern "C" LPVOID WINAPI TBMprivateString(void) { return nullptr; }
extern "C" void WINAPI TBCtlReset(void) {}
SRC
printf 'LIBRARY tbsvc32\nEXPORTS\n fastmalloc\n TBMprivateString\n TBCtlReset\n' >svc.def
# Outside bin/: only the add-in is checked, against the service list below.
"$cxx" -shared -static -o tbsvc32.dll svc.cpp svc.def -Wl,--out-implib,libtbsvc32.a -Wl,--enable-stdcall-fixup
printf 'fastmalloc\n' >contract/tbsvc32.exports

# lib.cpp: GetQBEFile calls fastmalloc; the variants add one fault each.
cat >lib.cpp <<'SRC'
#include <winsock2.h>
#include <windows.h>
extern "C" LPVOID WINAPI fastmalloc(DWORD cb);
extern "C" LPVOID WINAPI TBMprivateString(void);
extern "C" void WINAPI TBCtlReset(void);
extern "C" LONG WINAPI GetQBEFile(HWND, LPSTR, LONG) { return fastmalloc(4) != nullptr; }
extern "C" LONG WINAPI SameQry(HWND, LPCSTR, LPVOID)
{
#if defined(USE_CTL)
    TBCtlReset();
#elif defined(USE_UNLISTED)
    return TBMprivateString() != nullptr;
#elif defined(USE_WINSOCK)
    WSADATA wsa;
    return WSAStartup(0x202, &wsa);
#endif
    return 1;
}
SRC
printf 'GetQBEFile @4\nSameQry @5\n' >contract/tbqbe32.exports
printf 'KERNEL32.dll\nmsvcrt.dll\ntbsvc32.dll\n' >contract/tbqbe32.imports

fails=0
# expect <accept|reject:reason> <what> <def text> [extra compiler args...]
expect() {
    want=$1 what=$2 def=$3
    shift 3
    reason=${want#reject:}
    want=${want%%:*}
    printf '%b' "$def" >lib.def
    rm -f bin/tbqbe32.dll
    "$cxx" -shared -static -o bin/tbqbe32.dll lib.cpp lib.def -L. -ltbsvc32 -Wl,--enable-stdcall-fixup "$@"
    if TB_CONTRACT_DIR=$work/contract "$here/check-binaries.sh" "$work" "$objdump" >out.txt 2>&1; then got=accept; else got=reject; fi
    if [ "$got" = reject ] && ! grep -q "FAIL: $reason" out.txt; then
        got="reject for another reason"
    fi
    if [ "$got" = "$want" ]; then
        echo "selftest: ok: $what ($got)"
    else
        echo "selftest: FAIL: $what: expected $want, checker said $got:"
        cat out.txt
        fails=$((fails + 1))
    fi
}

good='LIBRARY tbqbe32\nEXPORTS\n GetQBEFile @4\n SameQry @5\n'
expect accept "library keeping the contract" "$good"
expect "reject:does not export SameQry" "missing export" 'LIBRARY tbqbe32\nEXPORTS\n GetQBEFile @4\n'
expect "reject:exports SameQry as ordinal 6, expected 5" "wrong ordinal" 'LIBRARY tbqbe32\nEXPORTS\n GetQBEFile @4\n SameQry @6\n'
expect "reject:exports Extra, which is not" "extra export" 'LIBRARY tbqbe32\nEXPORTS\n GetQBEFile @4\n SameQry @5\n Extra=SameQry\n'
expect "reject:exports a decorated name: SameQry@12" "decorated export" 'LIBRARY tbqbe32\nEXPORTS\n GetQBEFile @4\n SameQry @5\n SameQry@12=SameQry\n'
expect "reject:imports the test control entry TBCtlReset" "import of a TBCtl control entry" "$good" -DUSE_CTL
expect "reject:imports TBMprivateString from tbsvc32.dll, which is not a listed" "import of an unlisted service" "$good" -DUSE_UNLISTED
expect "reject:imports WS2_32.dll, which is not in" "stray DLL dependency" "$good" -DUSE_WINSOCK -lws2_32
printf 'KERNEL32.dll\nmsvcrt.dll\ntbsvc32.dll\nWS2_32.dll\n' >contract/tbqbe32.imports
expect accept "listed DLL dependency" "$good" -lws2_32 -DUSE_WINSOCK

[ $fails -eq 0 ] || exit 1
echo "selftest: the checker accepts and rejects as it should"
