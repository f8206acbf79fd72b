#!/bin/sh
# The i686 tests: every test executable of the i686 build, once, under 32-bit
# Wine running through qemu-i386 user-mode emulation (this kernel cannot run
# 32-bit code itself). test.sh calls it after the x86_64 tests.
#   ./scripts/test-i686.sh            set up, build i686, run (Xvfb if no display)
#   ./scripts/test-i686.sh -R test_svc  extra arguments go to ctest
#   scripts/test-i686.sh --built ...  (test.sh) tree built, display set
# Each executable is one CTest test with all its cases (a process takes tens of
# seconds to start under emulation); TB_EMULATED=1 tells the tests, which
# skip the few checks that cannot hold there.
set -eu

cd "$(dirname "$0")/.."
root=$(pwd)
prefix=$root/build/i686/wineprefix
if [ -x /usr/lib/wine/wineserver64 ]; then
    wineserver=/usr/lib/wine/wineserver64
else
    wineserver=wineserver
fi

. "$root/scripts/deps.sh"
. "$root/scripts/deps-i686.sh"

case "${1:-}" in
--built)
    shift
    tb_i686_setup
    ;;
--tests-in-display)
    shift
    ;;
*)
    tb_install_missing
    tb_i686_setup
    cmake --preset i686 >/dev/null
    cmake --build --preset i686
    if [ -n "${DISPLAY:-}" ]; then
        exec "$root/scripts/test-i686.sh" --tests-in-display "$@"
    fi
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/scripts/test-i686.sh" --tests-in-display "$@"
    ;;
esac

started=$(date +%s)
export TB_EMULATED=1 WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
if [ ! -f "$prefix/.tb-ready" ]; then
    # The first wineboot installs the prefix's 32-bit half under emulation
    # (minutes) and returns while 32-bit registrations still run: create it
    # with a server of its own and wait until all of that has ended.
    "$root/cmake/wine-run.sh" "$prefix" --start
    timeout 900 "$wineserver" -w || "$wineserver" -k 2>/dev/null || true
fi
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT INT TERM
"$root/cmake/wine-run.sh" "$prefix" --start
echo "== i686 wine prefix ready in $(($(date +%s) - started)) s"
rc=0
# The contract checker's self-test is target-independent and runs with
# x86_64; with the i686 compiler its small stand-in DLLs do not link.
ctest --test-dir "$root/build/i686" -j2 --output-on-failure -E "^binary_contract_selftest$" "$@" || rc=$?
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w 2>/dev/null || true
trap - EXIT INT TERM
echo "== tests i686 done in $(($(date +%s) - started)) s"
exit $rc
