#!/bin/sh
# The run command: builds the x86_64 target if needed and starts the demo host
# with the libraries loaded, under 64-bit Wine. With no display it runs under
# Xvfb and writes a PNG screenshot of the host window instead.
#   ./scripts/run.sh [screenshot.png]    (default build/x86_64/demohost.png)
set -eu

cd "$(dirname "$0")/.."
root=$(pwd)
bin=$root/build/x86_64/bin
prefix=$root/build/x86_64/wineprefix

# Internal second stage: inside the Xvfb display.
if [ "${1:-}" = "--shot-in-display" ]; then
    png=$2
    rc=0
    # Xvfb has no window manager to draw the frame's title bar: let Wine
    # draw it for the picture, and take the setting back afterwards.
    x11key='HKCU\Software\Wine\X11 Driver'
    "$root/cmake/wine-run.sh" "$prefix" reg add "$x11key" /v Decorated /d N /f >/dev/null 2>&1 || true
    # The demo writes its own PNG (GDI capture of its frame) and exits.
    "$root/cmake/wine-run.sh" "$prefix" "$bin/demohost.exe" --screenshot "Z:$(echo "$png" | tr / '\\\\')" || rc=$?
    "$root/cmake/wine-run.sh" "$prefix" reg delete "$x11key" /v Decorated /f >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
    exit $rc
fi

. "$root/scripts/deps.sh"
tb_install_missing

cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64

if [ ! -f "$bin/demohost.exe" ]; then
    echo "The demo host is not built yet (host/demo)." >&2
    exit 1
fi

if [ -n "${DISPLAY:-}" ]; then
    exec "$root/cmake/wine-run.sh" "$prefix" "$bin/demohost.exe"
fi

png=${1:-$root/build/x86_64/demohost.png}
case $png in /*) ;; *) png=$(pwd)/$png ;; esac
rm -f "$png"
xvfb-run -a -s "-screen 0 1280x1024x24" "$root/scripts/run.sh" --shot-in-display "$png"
if [ ! -s "$png" ]; then
    echo "run: no screenshot was written to $png" >&2
    exit 1
fi
echo "run: screenshot of the demo host: $png"
