#!/bin/sh
# Runs a Windows executable under 64-bit Wine in the build tree's own prefix.
#   wine-run.sh <prefix> <program.exe> [args...]
#   wine-run.sh <prefix> --start       create the prefix if needed and start
#                                      Wine's system processes, then return
# CTest uses this as CMAKE_CROSSCOMPILING_EMULATOR. The prefix is created once
# (wineboot, ~11 s) under a lock, so parallel tests wait for one another.
#
# Run --start after starting a persistent "wineserver -p" and before CTest:
# Wine's system processes (services.exe, explorer.exe /desktop) outlive the
# process that started them and keep its stdout open; started by a test, they
# would hold CTest's output pipe and the test would end only at its timeout.
set -eu

if [ $# -lt 2 ]; then
    echo "usage: $0 <wineprefix> <program.exe> [args...] | --init" >&2
    exit 2
fi
prefix=$1
shift
case $prefix in
    /*) ;;
    *) prefix=$(pwd)/$prefix ;;  # Wine insists on an absolute prefix
esac

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# The 32-bit loader, where installed, runs under user-mode emulation
# (scripts/deps-i686.sh). Only the i686 tests (TB_EMULATED=1) want it; a
# 64-bit prefix without it is created in seconds instead of minutes.
[ "${TB_EMULATED:-}" = 1 ] || export TB_NO_WINE32=1

# Never the 'wine' launcher on a machine with wine32: it would pick the
# 32-bit loader for our 64-bit executables.
if [ -x /usr/lib/wine/wine64 ]; then
    wine=/usr/lib/wine/wine64
else
    wine=wine64
fi

fresh=0
if [ ! -f "$prefix/.tb-ready" ]; then
    fresh=1
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if [ ! -f "$prefix/.tb-ready" ]; then
            # Keep an existing directory: a persistent wineserver may already
            # serve it (the server is keyed by the directory's inode).
            mkdir -p "$prefix"
            rm -rf "$prefix/drive_c" "$prefix"/*.reg
            # Without wine32 wineboot reports syswow64 failures; they are harmless.
            "$wine" wineboot --init >/dev/null 2>&1 </dev/null || true
            if [ ! -d "$prefix/drive_c/windows/system32" ]; then
                echo "wine-run.sh: wineboot failed to create $prefix" >&2
                exit 1
            fi
            # Debian's Wine reads its own fonts (MS Sans Serif, Tahoma,
            # Marlett for the caption buttons) only from the prefix's Fonts
            # folder, which wineboot leaves empty.
            if [ -d /usr/share/wine/fonts ]; then
                cp /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
            fi
            if [ "${TB_EMULATED:-}" = 1 ]; then
                # A crash would start winedbg, minutes under emulation; with
                # a debugger that does not exist the process ends at once.
                # 32-bit processes read the key's 32-bit view.
                for view in 64 32; do
                    "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
                        /v Debugger /d tb-no-debugger.exe /f /reg:$view >/dev/null 2>&1 </dev/null || true
                done
            fi
            touch "$prefix/.tb-ready"
        fi
    ) 9>"$prefix.lock"
fi

if [ "$1" = "--start" ]; then
    if [ $fresh = 0 ]; then
        "$wine" wineboot >/dev/null 2>&1 </dev/null || true
    fi
    exit 0
fi
exec "$wine" "$@"
