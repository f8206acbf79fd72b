#!/bin/sh
# The benchmark command (not part of the test command): builds the x86_64
# target and runs the file list benchmark under 64-bit Wine, on an Xvfb
# display when none is set. Prints timings and ratios measured in this run.
#   ./scripts/bench.sh            1,000 / 16,000 / 100,000 files
#   ./scripts/bench.sh --quick    1,000 / 4,000 / 16,000 files
# The first run creates the directories under Wine's %TEMP% (about a minute).
set -eu

cd "$(dirname "$0")/.."
root=$(pwd)
prefix=$root/build/x86_64/wineprefix

if [ "${1:-}" = "--in-display" ]; then
    shift
    exec "$root/cmake/wine-run.sh" "$prefix" "$root/build/x86_64/bin/bench_filelist.exe" "$@"
fi

. "$root/scripts/deps.sh"
tb_install_missing

cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64 --target bench_filelist

if [ -n "${DISPLAY:-}" ]; then
    exec "$root/scripts/bench.sh" --in-display "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/scripts/bench.sh" --in-display "$@"
