# Sourced by test-i686.sh (after deps.sh): sets up 32-bit Wine behind user-mode
# emulation so the i686 test executables can run on this 64-bit-only kernel.
# A machine already set up pays only the checks.
#
#   - the i386 architecture, wine32:i386 and qemu-user (qemu-i386) installed;
#   - the 32-bit loader /usr/lib/wine/wine diverted to wine.i386-elf, and in
#     its place a script that runs it under qemu-i386. "-0 $0" keeps argv[0]
#     the loader's own path: Wine starts child processes by running it again.
#
# 64-bit programs keep running through /usr/lib/wine/wine64 (cmake/wine-run.sh
# calls it directly). No binfmt_misc registration: the wrapper is explicit.
# Wine finds the 32-bit loader beside wine64 by name, so a 64-bit prefix would
# now get its 32-bit half installed under emulation (minutes, not seconds):
# the wrapper steps aside when TB_NO_WINE32 is set.
tb_wine32_loader=/usr/lib/wine/wine
tb_wine32_elf=/usr/lib/wine/wine.i386-elf
tb_wine32_wrapper='#!/bin/sh
# 32-bit Wine loader under qemu-i386 (set up by scripts/deps-i686.sh).
# TB_NO_WINE32=1 refuses, as if wine32 were absent: cmake/wine-run.sh sets it
# for 64-bit prefixes, whose wineboot would spend minutes under emulation.
[ -z "${TB_NO_WINE32:-}" ] || exit 1
exec /usr/bin/qemu-i386 -0 "$0" /usr/lib/wine/wine.i386-elf "$@"'

tb_i686_ready() {
    dpkg --print-foreign-architectures | grep -qx i386 || return 1
    for p in wine32:i386 qemu-user; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || return 1
    done
    [ "$(dpkg-divert --truename "$tb_wine32_loader")" = "$tb_wine32_elf" ] || return 1
    [ -x "$tb_wine32_elf" ] && [ -x /usr/bin/qemu-i386 ] || return 1
    [ -x "$tb_wine32_loader" ] && [ "$(cat "$tb_wine32_loader")" = "$tb_wine32_wrapper" ] || return 1
}

tb_i686_setup() {
    tb_i686_ready && return 0
    echo "== setting up 32-bit Wine under qemu-i386"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    # Divert before installing: dpkg then unpacks the loader straight to its
    # new name, and a later upgrade of wine32 keeps the wrapper in place.
    if [ "$(dpkg-divert --truename "$tb_wine32_loader")" != "$tb_wine32_elf" ]; then
        $sudo dpkg-divert --local --rename --divert "$tb_wine32_elf" --add "$tb_wine32_loader"
    fi
    missing=""
    for p in wine32:i386 qemu-user; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing="$missing $p"
        fi
    done
    if [ -n "$missing" ]; then
        echo "== installing:$missing"
        # The i386 package lists are new after --add-architecture.
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get update
        # qemu-user only recommends qemu-user-binfmt: not wanted here.
        # shellcheck disable=SC2086
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
    fi
    printf '%s\n' "$tb_wine32_wrapper" | $sudo tee "$tb_wine32_loader" >/dev/null
    $sudo chmod 755 "$tb_wine32_loader"
    tb_i686_ready
}
