#!/bin/sh
# The test command: on a Debian 12 machine, installs what is missing, builds
# both targets (x86_64 and i686), checks the export/import tables of the
# libraries of both, and runs every test under 64-bit Wine (on an Xvfb display
# when none is set). Ends with CTest's summary; non-zero exit on any failure.
#   ./scripts/test.sh            everything
#   ./scripts/test.sh -R Viewer  extra arguments go to ctest
set -eu

cd "$(dirname "$0")/.."
root=$(pwd)

# Internal second stage: the tests, inside a display.
if [ "${1:-}" = "--tests-in-display" ]; then
    shift
    prefix=$root/build/x86_64/wineprefix
    export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ -x /usr/lib/wine/wineserver64 ]; then
        wineserver=/usr/lib/wine/wineserver64
    else
        wineserver=wineserver
    fi
    # A persistent server: a test process then starts in ~0.1 s, not 3.5 s.
    # It is keyed by the prefix directory, which must exist first.
    mkdir -p "$prefix"
    "$wineserver" -p
    trap '"$wineserver" -k 2>/dev/null || true' EXIT INT TERM
    # Create the prefix once, and start Wine's system processes now rather
    # than inside a test, where they would hold CTest's output pipe open.
    started=$(date +%s)
    "$root/cmake/wine-run.sh" "$prefix" --start
    echo "== wine prefix ready in $(($(date +%s) - started)) s"
    rc=0
    ctest --test-dir "$root/build/x86_64" -j2 --output-on-failure "$@" || rc=$?
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    trap - EXIT INT TERM
    exit $rc
fi

# --- packages -------------------------------------------------------------
. "$root/scripts/deps.sh"
tb_install_missing

# --- build ----------------------------------------------------------------
for target in x86_64 i686; do
    echo "== build $target"
    started=$(date +%s)
    cmake --preset "$target" >/dev/null
    cmake --build --preset "$target"
    echo "== build $target done in $(($(date +%s) - started)) s"
done

# --- binary contract --------------------------------------------------------
for target in x86_64 i686; do
    echo "== contract $target"
    "$root/scripts/check-binaries.sh" "build/$target" "$target-w64-mingw32-objdump"
done

# --- tests (x86_64 under Wine) ------------------------------------------------
echo "== tests x86_64"
if [ -n "${DISPLAY:-}" ]; then
    exec "$root/scripts/test.sh" --tests-in-display "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/scripts/test.sh" --tests-in-display "$@"
